#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace view {

// The Network Port... dialog of both desktop programs without its widgets:
// one line for the URL of a port on a network serial server, checked before
// it is taken. The port is used until the program ends; the settings file
// is not written.
class NetworkPortEntry {
  public:
    static constexpr const char* kTitle = "Network Port";
    static constexpr const char* kPrompt =
        "Port of a network serial server (rfc2217://HOST:PORT or socket://HOST:PORT):";
    static constexpr const char* kOkText = "OK";
    static constexpr const char* kCancelText = "Cancel";

    // What the line holds when the dialog opens: the port in use when it is
    // a network port, else the start of one.
    static std::string initialText(std::string_view deviceName);
    // Why the text cannot be taken, or nothing when it is a well-formed
    // network port (blanks around it are not part of it).
    static std::optional<std::string> problem(std::string_view text);
    // The port as it is taken.
    static std::string portName(std::string_view text);
};

}  // namespace view
