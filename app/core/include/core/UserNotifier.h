#pragma once

#include <string>

namespace core {

// The icon of a message box; the CLI prints the kind as a prefix.
enum class MessageIcon { None, Stop, Information, Warning };

// How start-up, the document and the engine reach the user: the desktop
// program shows a modal box with an OK button and returns once it is
// acknowledged; the command-line program prints the text and returns at once.
class UserNotifier {
  public:
    virtual ~UserNotifier() = default;
    virtual void showMessage(const std::string& text, MessageIcon icon) = 0;
};

}  // namespace core
