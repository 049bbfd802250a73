#include "sim/ConsoleDescription.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <filesystem>
#include <fstream>
#include <limits>
#include <nlohmann/json.hpp>
#include <sstream>

#include "data/CommaValueReader.h"
#include "platform/IniFile.h"

namespace sim {

namespace fs = std::filesystem;
using Json = nlohmann::ordered_json;

SimUnit* ConsoleDescription::findUnit(const std::string& name) {
    for (SimUnit& unit : units) {
        if (unit.name == name) {
            return &unit;
        }
    }
    return nullptr;
}

std::optional<std::uint16_t> versionWordFromText(const std::string& text) {
    const char* cursor = text.c_str();
    const char* end = cursor + text.size();
    int major = 0;
    auto [afterMajor, majorStatus] = std::from_chars(cursor, end, major);
    if (majorStatus != std::errc() || major < 1 || major > 16 || afterMajor == end || *afterMajor != '.') {
        return std::nullopt;
    }
    cursor = afterMajor + 1;
    int minor = 0;
    if (end - cursor >= 2 && cursor[0] == '-' && cursor[1] == '-') {
        minor = 100;
        cursor += 2;
    } else {
        if (end - cursor < 2 || !std::isdigit(static_cast<unsigned char>(cursor[0])) ||
            !std::isdigit(static_cast<unsigned char>(cursor[1]))) {
            return std::nullopt;
        }
        minor = (cursor[0] - '0') * 10 + (cursor[1] - '0');
        cursor += 2;
    }
    int suffix = 0;
    bool release = true;
    std::string marker(cursor, end);
    std::transform(marker.begin(), marker.end(), marker.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    if (marker == "R") {
        suffix = 15;
    } else {
        std::size_t at = 0;
        if (at < marker.size() && marker[at] == 'S') {
            if (at + 1 >= marker.size() || !std::isxdigit(static_cast<unsigned char>(marker[at + 1]))) {
                return std::nullopt;
            }
            const char digit = marker[at + 1];
            suffix = std::isdigit(static_cast<unsigned char>(digit)) ? digit - '0' : digit - 'A' + 10;
            if (suffix < 1 || suffix > 14) {
                return std::nullopt;
            }
            at += 2;
        }
        if (at < marker.size() && marker[at] == 'X') {
            release = false;
            ++at;
        }
        if (at != marker.size()) {
            return std::nullopt;
        }
    }
    return static_cast<std::uint16_t>((suffix << 12) | ((major - 1) << 8) | (release ? 0 : 0x80) | minor);
}

namespace {

std::string trimmed(std::string_view text) {
    const auto first = text.find_first_not_of(" \t\r\n");
    if (first == std::string_view::npos) {
        return {};
    }
    const auto last = text.find_last_not_of(" \t\r\n");
    return std::string(text.substr(first, last - first + 1));
}

// Windows paths of the unit list use backslashes.
std::string withSlashes(std::string path) {
    std::replace(path.begin(), path.end(), '\\', '/');
    return path;
}

// File names of a data root made on Windows may differ in case.
fs::path findIgnoringCase(const fs::path& wanted) {
    std::error_code failure;
    if (fs::exists(wanted, failure)) {
        return wanted;
    }
    const fs::path folder = wanted.has_parent_path() ? findIgnoringCase(wanted.parent_path()) : fs::path(".");
    std::string name = wanted.filename().string();
    std::transform(name.begin(), name.end(), name.begin(), [](unsigned char c) { return std::tolower(c); });
    for (const auto& entry : fs::directory_iterator(folder, failure)) {
        std::string candidate = entry.path().filename().string();
        std::transform(candidate.begin(), candidate.end(), candidate.begin(),
                       [](unsigned char c) { return std::tolower(c); });
        if (candidate == name) {
            return entry.path();
        }
    }
    return folder / wanted.filename();
}

bool readNumber(const Json& value, std::uint32_t maximum, std::uint32_t& out) {
    if (value.is_number_unsigned() || (value.is_number_integer() && value.get<std::int64_t>() >= 0)) {
        const auto number = value.get<std::uint64_t>();
        if (number > maximum) {
            return false;
        }
        out = static_cast<std::uint32_t>(number);
        return true;
    }
    if (value.is_string()) {
        const std::string text = value.get<std::string>();
        int base = 10;
        std::string_view digits = text;
        if (digits.size() > 2 && digits[0] == '0' && (digits[1] == 'x' || digits[1] == 'X')) {
            base = 16;
            digits.remove_prefix(2);
        }
        std::uint64_t number = 0;
        const auto [end, status] =
            std::from_chars(digits.data(), digits.data() + digits.size(), number, base);
        if (digits.empty() || status != std::errc() || end != digits.data() + digits.size() ||
            number > maximum) {
            return false;
        }
        out = static_cast<std::uint32_t>(number);
        return true;
    }
    return false;
}

template <typename Field>
bool takeNumber(const Json& object, const char* key, Field& field, const std::string& where,
                std::string& error) {
    if (!object.contains(key)) {
        return true;
    }
    std::uint32_t number = 0;
    if (!readNumber(object[key], static_cast<std::uint32_t>(std::numeric_limits<Field>::max()), number)) {
        error = where + ": \"" + key + "\" must be a number from 0 to " +
                std::to_string(static_cast<std::uint32_t>(std::numeric_limits<Field>::max()));
        return false;
    }
    field = static_cast<Field>(number);
    return true;
}

bool takeVersion(const Json& object, const char* key, std::uint16_t& word, const std::string& where,
                 std::string& error) {
    if (!object.contains(key)) {
        return true;
    }
    const Json& value = object[key];
    if (value.is_string()) {
        if (const auto parsed = versionWordFromText(value.get<std::string>())) {
            word = *parsed;
            return true;
        }
    }
    std::uint32_t number = 0;
    if (readNumber(value, 0xFFFF, number)) {
        word = static_cast<std::uint16_t>(number);
        return true;
    }
    error = where + ": \"" + key + "\" must be a version such as \"1.05\" or \"2.10S3X\", or a 16-bit word";
    return false;
}

bool takeFaults(const Json& object, FaultSwitches& faults, const std::string& where, std::string& error) {
    if (!object.contains("faults")) {
        return true;
    }
    const Json& list = object["faults"];
    if (!list.is_array()) {
        error = where + ": \"faults\" must be a list of texts such as \"reject-block=3\"";
        return false;
    }
    for (const Json& item : list) {
        std::string failure;
        if (!item.is_string() || !applyFaultSwitch(faults, item.get<std::string>(), failure)) {
            error = where + ": " + (failure.empty() ? "a fault must be a text" : failure);
            return false;
        }
    }
    return true;
}

// One unit settings file: SETTINGS/TYPE and STATUS, and the CPUs of section CPU.
void readSettingsFile(const fs::path& path, SimUnit& unit) {
    const platform::IniFile settings = platform::IniFile::load(path.string());
    unit.type = settings.integer("SETTINGS", "TYPE", 0);
    const std::string statusText = settings.text("SETTINGS", "STATUS", "65535");
    data::CommaValueReader status(statusText);
    const auto first = status.nextInteger();
    const std::uint16_t firstNumber = first ? static_cast<std::uint16_t>(*first) : 0xFFFF;
    if (status.hasMore()) {
        unit.blockRead = true;
        unit.blockAddress = firstNumber;
        unit.blockCount = static_cast<std::uint16_t>(status.nextInteger().value_or(0));
        unit.versionAddress = 0xFFFF;
    } else {
        unit.versionAddress = firstNumber;
    }
    for (const std::string& key : settings.keys("CPU")) {
        if (key.empty()) {
            continue;
        }
        SimCpu cpu;
        cpu.name = key;
        const std::string cpuText = settings.text("CPU", key, "");
        data::CommaValueReader values(cpuText);
        values.nextText();  // the file-name prefix belongs to the program
        if (const auto bus = values.nextInteger()) {
            cpu.busAddress = static_cast<std::uint8_t>(*bus);
        }
        values.nextInteger();  // spare value
        if (const auto address = values.nextInteger()) {
            cpu.versionAddress = static_cast<std::uint16_t>(*address);
        }
        if (const auto address = values.nextInteger()) {
            cpu.idAddress = static_cast<std::uint16_t>(*address);
        }
        if (const auto group = values.nextInteger()) {
            cpu.group = static_cast<std::uint8_t>(*group);
        }
        unit.cpus.push_back(std::move(cpu));
    }
}

bool readDataRoot(const fs::path& root, const std::string& listName, ConsoleDescription& console,
                  std::string& error) {
    const fs::path listPath = findIgnoringCase(root / listName);
    std::ifstream list(listPath);
    if (!list) {
        error = "cannot read the unit list " + listPath.string();
        return false;
    }
    std::string line;
    while (std::getline(list, line)) {
        const std::string text = trimmed(line);
        if (text.empty()) {
            continue;
        }
        data::CommaValueReader values(text);
        SimUnit unit;
        unit.name = values.nextText().value_or("");
        if (unit.name.empty()) {
            continue;
        }
        std::string directory = values.nextText().value_or(unit.name);
        std::string settingsFile = values.nextText().value_or(unit.name + ".SET");
        if (settingsFile.find('.') == std::string::npos) {
            settingsFile += ".SET";
        }
        readSettingsFile(findIgnoringCase(root / withSlashes(directory) / withSlashes(settingsFile)), unit);
        if (console.findUnit(unit.name) == nullptr) {
            console.units.push_back(std::move(unit));
        }
    }
    return true;
}

bool applyUnitState(const std::string& name, const Json& state, ConsoleDescription& console,
                    std::string& error) {
    const std::string where = "unit " + name;
    if (!state.is_object()) {
        error = where + ": must be an object";
        return false;
    }
    SimUnit* unit = console.findUnit(name);
    if (unit == nullptr) {
        console.units.push_back(SimUnit{});
        unit = &console.units.back();
        unit->name = name;
    }
    if (state.contains("type") && !state["type"].is_number_integer()) {
        error = where + ": \"type\" must be a number";
        return false;
    }
    unit->type = state.value("type", unit->type);
    if (!takeNumber(state, "versionAddress", unit->versionAddress, where, error)) {
        return false;
    }
    if (state.contains("blockAddress")) {
        unit->blockRead = true;
        unit->versionAddress = 0xFFFF;
        if (!takeNumber(state, "blockAddress", unit->blockAddress, where, error) ||
            !takeNumber(state, "blockCount", unit->blockCount, where, error)) {
            return false;
        }
    }
    if (!takeVersion(state, "version", unit->versionWord, where, error) ||
        !takeFaults(state, unit->faults, where, error)) {
        return false;
    }
    if (!state.contains("cpus")) {
        return true;
    }
    if (!state["cpus"].is_object()) {
        error = where + ": \"cpus\" must be an object keyed by CPU name";
        return false;
    }
    for (const auto& [cpuName, cpuState] : state["cpus"].items()) {
        const std::string cpuWhere = where + " CPU " + cpuName;
        if (!cpuState.is_object()) {
            error = cpuWhere + ": must be an object";
            return false;
        }
        auto found = std::find_if(unit->cpus.begin(), unit->cpus.end(),
                                  [&](const SimCpu& cpu) { return cpu.name == cpuName; });
        if (found == unit->cpus.end()) {
            unit->cpus.push_back(SimCpu{});
            unit->cpus.back().name = cpuName;
            found = std::prev(unit->cpus.end());
        }
        SimCpu& cpu = *found;
        if (!takeNumber(cpuState, "bus", cpu.busAddress, cpuWhere, error) ||
            !takeNumber(cpuState, "versionAddress", cpu.versionAddress, cpuWhere, error) ||
            !takeNumber(cpuState, "idAddress", cpu.idAddress, cpuWhere, error) ||
            !takeNumber(cpuState, "group", cpu.group, cpuWhere, error) ||
            !takeNumber(cpuState, "idByte", cpu.idByte, cpuWhere, error) ||
            !takeVersion(cpuState, "version", cpu.versionWord, cpuWhere, error) ||
            !takeFaults(cpuState, cpu.faults, cpuWhere, error)) {
            return false;
        }
    }
    return true;
}

// Values a console holds when its description says nothing else: every CPU at
// version 1.00, the unit's own word following its first CPU, ID bytes that
// the program's version reads accept for the unit's type.
void applyDefaults(ConsoleDescription& console, const std::vector<std::pair<std::string, Json>>& states) {
    for (SimUnit& unit : console.units) {
        const Json* state = nullptr;
        for (const auto& [name, json] : states) {
            if (name == unit.name) {
                state = &json;
            }
        }
        const bool unitVersionGiven = state != nullptr && state->contains("version");
        for (SimCpu& cpu : unit.cpus) {
            const Json* cpuState = nullptr;
            if (state != nullptr && state->contains("cpus") && (*state)["cpus"].contains(cpu.name)) {
                cpuState = &(*state)["cpus"][cpu.name];
            }
            const bool idGiven = cpuState != nullptr && cpuState->contains("idByte");
            if (!idGiven) {
                cpu.idByte = unit.kind() == SimUnit::kTypeSelect3   ? 1
                             : unit.kind() == SimUnit::kTypeSelect4 ? 5
                                                                    : 0;
            }
            const bool calibrationOff = cpuState != nullptr && cpuState->contains("calibration") &&
                                        cpuState->at("calibration").is_boolean() &&
                                        !cpuState->at("calibration").get<bool>();
            const bool generic = unit.kind() != SimUnit::kTypeDirect &&
                                 unit.kind() != SimUnit::kTypeSelect3 && unit.kind() != SimUnit::kTypeSelect4;
            if (generic && cpu.busAddress == 2 && !calibrationOff) {
                FlashPreset preset;
                preset.address = 0x270000;
                preset.bytes.resize(0x400);
                for (std::size_t i = 0; i < preset.bytes.size(); ++i) {
                    preset.bytes[i] = static_cast<std::uint8_t>(i * 7 + 3);
                }
                cpu.preset = std::move(preset);
            }
        }
        if (!unitVersionGiven && !unit.cpus.empty()) {
            unit.versionWord = unit.cpus.front().versionWord;
        }
    }
}

}  // namespace

bool loadConsoleDescriptionText(const std::string& jsonText, const std::string& baseDirectory,
                                const std::string& dataRootOverride, ConsoleDescription& console,
                                std::string& error) {
    console = ConsoleDescription{};
    Json description = Json::object();
    if (!jsonText.empty()) {
        description = Json::parse(jsonText, nullptr, false);
        if (description.is_discarded() || !description.is_object()) {
            error = "the console description is not a JSON object";
            return false;
        }
    }
    if (!takeNumber(description, "connectionPoint", console.connectionPoint, "console", error)) {
        return false;
    }
    std::string dataRoot = dataRootOverride;
    if (dataRoot.empty() && description.contains("dataRoot")) {
        if (!description["dataRoot"].is_string()) {
            error = "console: \"dataRoot\" must be a text";
            return false;
        }
        fs::path root = description["dataRoot"].get<std::string>();
        dataRoot = (root.is_absolute() ? root : fs::path(baseDirectory) / root).string();
    }
    if (!dataRoot.empty()) {
        const std::string listName = description.value("unitList", std::string("UNIT.LST"));
        if (!readDataRoot(dataRoot, listName, console, error)) {
            return false;
        }
    }
    std::vector<std::pair<std::string, Json>> states;
    if (description.contains("units")) {
        if (!description["units"].is_object()) {
            error = "console: \"units\" must be an object keyed by unit name";
            return false;
        }
        for (const auto& [name, state] : description["units"].items()) {
            if (!applyUnitState(name, state, console, error)) {
                return false;
            }
            states.emplace_back(name, state);
        }
    }
    applyDefaults(console, states);
    if (console.units.empty()) {
        error = "the console has no units (give a data root with a unit list, or \"units\")";
        return false;
    }
    return true;
}

bool loadConsoleDescription(const ConsoleSource& source, ConsoleDescription& console, std::string& error) {
    std::string text;
    std::string baseDirectory = ".";
    if (!source.descriptionPath.empty()) {
        std::ifstream file(source.descriptionPath);
        if (!file) {
            error = "cannot read the console description " + source.descriptionPath;
            return false;
        }
        std::ostringstream content;
        content << file.rdbuf();
        text = content.str();
        baseDirectory = fs::path(source.descriptionPath).parent_path().string();
        if (baseDirectory.empty()) {
            baseDirectory = ".";
        }
    }
    return loadConsoleDescriptionText(text, baseDirectory, source.dataRoot, console, error);
}

}  // namespace sim
