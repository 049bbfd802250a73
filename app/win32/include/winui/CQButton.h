#pragma once

#include <string>
#include <string_view>

#include "view/ButtonState.h"
#include "view/FontRequest.h"
#include "view/Rgb.h"
#include "winui/Window.h"

namespace winui {

// A button that the program draws itself, a window class of its own: push,
// check, radio or command kind, a green focus frame, and notifications to
// its parent as private messages that carry the button's command identifier
// (wParam) and the state asked for (lParam). How it reacts is the shared
// button behaviour; this class feeds it the window messages and does what
// it answers.
class CQButton : public Window {
  public:
    using Kind = view::ButtonState::Kind;
    using PaintState = view::ButtonState::PaintState;

    static constexpr const wchar_t* kClassName = L"CQButton";
    static constexpr UINT kClearRadioMessage = WM_USER + view::ButtonState::kClearRadioOffset;
    static constexpr UINT kClickedMessage = WM_USER + view::ButtonState::kClickedOffset;
    static constexpr UINT kCommandMessage = WM_USER + view::ButtonState::kCommandOffset;
    static constexpr UINT kFocusedMessage = WM_USER + view::ButtonState::kFocusedOffset;

    // style holds the window styles (WS_CHILD, WS_VISIBLE, WS_GROUP ...);
    // the kind is OR-ed into it.
    CQButton(std::string_view text, DWORD style, const view::Rect& rect, HWND parent, int commandId,
             Kind kind);

    Kind kind() const { return state_.kind(); }
    int commandId() const { return commandId_; }
    int checkState() const { return state_.checkState(); }
    int fontIndex() const { return fontIndex_; }
    bool hasFocusFrame() const { return state_.hasFocus(); }
    bool isMouseDown() const { return state_.mouseDown(); }
    bool isPointerInside() const { return state_.pointerInside(); }
    std::string text() const;
    PaintState drawState() const;

    void setButtonFont(const view::FontRequest& request);
    // Returns 0 when the state is refused or changes nothing, 1 otherwise.
    int setCheck(int state, bool notify);
    void takeFocus();
    void setTextColour(view::Rgb colour);
    void setDisabledTextColour(view::Rgb colour);

    // Whether a window is one of these buttons.
    static bool isButton(HWND window);

  protected:
    LRESULT handle(UINT message, WPARAM wParam, LPARAM lParam) override;

  private:
    static void registerButtonClass();
    void follow(const view::ButtonReaction& reaction, bool repaintAtOnce);
    void clearRadioGroup();
    void press();
    bool inside(LPARAM point) const;
    void paint();

    view::ButtonState state_;
    int commandId_;
    int fontIndex_ = 0;
    view::Rgb textColour_ = view::ButtonState::kTextColour;
    view::Rgb disabledTextColour_ = view::ButtonState::kDisabledTextColour;
    RECT clientRect_{};
};

}  // namespace winui
