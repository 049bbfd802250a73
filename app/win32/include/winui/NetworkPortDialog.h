#pragma once

#include <windows.h>

#include <optional>
#include <string>

namespace core {
class UserNotifier;
}

namespace winui {

// Setup > Network Port...: one line for the URL of a port on a network
// serial server. OK takes it only when it is well-formed; otherwise the
// problem is shown and the dialog stays.
class NetworkPortDialog {
  public:
    // The port to use, or nothing when the dialog was cancelled. Problems go
    // to notifier when there is one, else to a message box.
    static std::optional<std::string> run(HWND owner, const std::string& deviceName,
                                          core::UserNotifier* notifier);

  private:
    struct State {
        std::string initialText;
        core::UserNotifier* notifier = nullptr;
        std::optional<std::string> chosen;
    };
    static INT_PTR CALLBACK procedure(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
};

}  // namespace winui
