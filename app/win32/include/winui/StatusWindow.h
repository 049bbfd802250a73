#pragma once

#include <memory>

#include "view/StatusWindowLayout.h"
#include "view/StatusWindowRefresh.h"
#include "winui/BlinkStatic.h"
#include "winui/InfoPane.h"
#include "winui/LabeledProgress.h"
#include "winui/Window.h"

namespace view {
class StatusFeed;
}

namespace winui {

// The progress window of a write: a popup without a title bar over the main
// window that shows the engine's record on a 10 ms timer. What each refresh
// writes is decided by the shared refresh rules; this class writes it into
// the controls. The close request is ignored; only the button closes it,
// and the button also tells the engine (its cancel event).
class StatusWindow : public Window {
  public:
    static constexpr const wchar_t* kClassName = L"FlashkitStatus";
    static constexpr int kButtonId = view::StatusWindowRefresh::kButtonCommand;

    // mainWindow owns the window; the feed must outlive it.
    StatusWindow(view::StatusFeed& feed, HWND mainWindow);
    ~StatusWindow() override;

    // Every child control gets the font, with redraw.
    void applyFont(HFONT font);
    // One pass of the refresh timer.
    void refresh();
    // The window is there until its button closes it.
    bool isOpen() const { return exists(); }

    HWND group() const { return group_; }
    InfoPane& fileNamePane() { return controls_->fileName; }
    InfoPane& addressPane() { return controls_->address; }
    InfoPane& checkSumPane() { return controls_->checkSum; }
    BlinkStatic& statusLine() { return controls_->statusLine; }
    LabeledProgress& currentProgress() { return controls_->current; }
    LabeledProgress& totalProgress() { return controls_->total; }
    HWND button() const { return button_; }

  protected:
    LRESULT handle(UINT message, WPARAM wParam, LPARAM lParam) override;

  private:
    struct Controls {
        explicit Controls(HWND window);
        InfoPane fileName;
        InfoPane address;
        InfoPane checkSum;
        BlinkStatic statusLine;
        LabeledProgress current;
        LabeledProgress total;
    };

    void layOut();
    void onButton();

    view::StatusFeed& feed_;
    HWND mainWindow_;
    view::StatusWindowRefresh refresh_;
    HWND group_ = nullptr;
    std::unique_ptr<Controls> controls_;
    HWND button_ = nullptr;
};

}  // namespace winui
