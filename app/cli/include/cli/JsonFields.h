#pragma once

#include <limits>
#include <nlohmann/json.hpp>
#include <string>

namespace cli::json_fields {

// Fields of a JSON object that another flashkit-cli printed, read without
// trusting it: a missing key, or a value of another type or out of range,
// gives the type's empty value.

inline std::string textOf(const nlohmann::json& object, const char* key) {
    const auto found = object.is_object() ? object.find(key) : object.end();
    return found != object.end() && found->is_string() ? found->get<std::string>() : std::string();
}

inline bool flagOf(const nlohmann::json& object, const char* key) {
    const auto found = object.is_object() ? object.find(key) : object.end();
    return found != object.end() && found->is_boolean() && found->get<bool>();
}

template <typename Number>
Number numberOf(const nlohmann::json& object, const char* key) {
    const auto found = object.is_object() ? object.find(key) : object.end();
    if (found == object.end() || !found->is_number()) {
        return Number{};
    }
    const double value = found->get<double>();
    if (!(value >= static_cast<double>(std::numeric_limits<Number>::lowest()) &&
          value <= static_cast<double>(std::numeric_limits<Number>::max()))) {
        return Number{};
    }
    return found->is_number_float() ? static_cast<Number>(value) : found->get<Number>();
}

}  // namespace cli::json_fields
