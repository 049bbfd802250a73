#pragma once

#include <windows.h>

#include <memory>

#include "data/WritingPort.h"
#include "view/ModeSelectChoice.h"
#include "view/ModeSelectLayout.h"
#include "winui/CQButton.h"
#include "winui/CaptionStatic.h"

namespace winui {

// MODE SELECT: a modal popup without a title bar at the top-left corner of
// the main window's client area, asking for the writing port. What the
// buttons do is the shared dialog logic; the Enter and Escape commands and
// the close request are swallowed, so the dialog ends only through OK.
class ModeSelectDialog {
  public:
    ModeSelectDialog() = default;
    ModeSelectDialog(const ModeSelectDialog&) = delete;
    ModeSelectDialog& operator=(const ModeSelectDialog&) = delete;

    // Shows the dialog modally over mainWindow and returns the choice.
    data::WritingPort run(HWND mainWindow);
    data::WritingPort choice() const { return choice_.choice(); }

    // While the dialog runs: its window and controls.
    HWND hwnd() const { return dialog_; }
    CQButton* okButton() const { return controls_ ? &controls_->ok : nullptr; }
    CQButton* hostInterfaceButton() const { return controls_ ? &controls_->hostInterface : nullptr; }
    CQButton* cardDirectButton() const { return controls_ ? &controls_->cardDirect : nullptr; }
    CaptionStatic* banner() const { return controls_ ? &controls_->banner : nullptr; }
    CaptionStatic* prompt() const { return controls_ ? &controls_->prompt : nullptr; }
    HWND icon() const { return controls_ ? controls_->icon : nullptr; }

    // The dialog object of a running MODE SELECT window, or null.
    static ModeSelectDialog* fromWindow(HWND window);

  private:
    struct Controls {
        Controls(HWND dialog, const view::ModeSelectLayout& layout);
        CaptionStatic banner;
        CQButton ok;
        HWND icon;
        CaptionStatic prompt;
        CQButton hostInterface;
        CQButton cardDirect;
    };

    static INT_PTR CALLBACK procedure(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
    INT_PTR handle(UINT message, WPARAM wParam, LPARAM lParam);
    void initialise();
    void take(view::ModeSelectChoice::Action action);

    HWND mainWindow_ = nullptr;
    HWND dialog_ = nullptr;
    view::ModeSelectChoice choice_;
    std::unique_ptr<Controls> controls_;
};

}  // namespace winui
