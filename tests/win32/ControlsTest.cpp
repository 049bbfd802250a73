#include <gtest/gtest.h>

#include <windows.h>

#include <memory>
#include <vector>

#include "GuiTestSupport.h"
#include "winui/BlinkStatic.h"
#include "winui/CQButton.h"
#include "winui/CaptionStatic.h"
#include "winui/FontTable.h"

namespace {

using winui::CQButton;

// A parent window that records the buttons' notifications.
class RecordingParent {
  public:
    struct Notice {
        UINT message;
        WPARAM commandId;
        LPARAM state;
    };

    RecordingParent() {
        WNDCLASSW windowClass{};
        windowClass.lpfnWndProc = &RecordingParent::procedure;
        windowClass.hInstance = ::GetModuleHandleW(nullptr);
        windowClass.lpszClassName = L"FlashkitTestParent";
        ::RegisterClassW(&windowClass);
        hwnd = ::CreateWindowExW(0, L"FlashkitTestParent", L"parent", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0,
                                 300, 200, nullptr, nullptr, windowClass.hInstance, nullptr);
        recorder = this;
    }
    ~RecordingParent() {
        ::DestroyWindow(hwnd);
        recorder = nullptr;
    }

    HWND hwnd = nullptr;
    std::vector<Notice> notices;

    int count(UINT message) const {
        int found = 0;
        for (const Notice& notice : notices) {
            found += notice.message == message ? 1 : 0;
        }
        return found;
    }

  private:
    static inline RecordingParent* recorder = nullptr;
    static LRESULT CALLBACK procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        if (recorder != nullptr && message >= WM_USER + 0x100 && message <= WM_USER + 0x1FF) {
            recorder->notices.push_back({message, wParam, lParam});
            return 0;
        }
        return ::DefWindowProcW(window, message, wParam, lParam);
    }
};

class ControlsTest : public testing::Test {
  protected:
    RecordingParent parent;

    std::unique_ptr<CQButton> button(const char* text, DWORD style, int top, int id, CQButton::Kind kind) {
        return std::make_unique<CQButton>(text, WS_VISIBLE | style, view::Rect{10, top, 110, top + 24},
                                          parent.hwnd, id, kind);
    }
};

TEST_F(ControlsTest, APushButtonClickedInsideNotifiesOnceOutsideNever) {
    auto ok = button("OK", 0, 10, 1361, CQButton::Kind::Push);
    win32test::click(ok->hwnd());
    ASSERT_EQ(parent.count(CQButton::kClickedMessage), 1);
    EXPECT_EQ(parent.notices.back().commandId, 1361u);
    EXPECT_EQ(parent.notices.back().state, 1);
    EXPECT_EQ(parent.count(CQButton::kFocusedMessage), 1);  // the press took the focus

    ::SendMessageW(ok->hwnd(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    EXPECT_EQ(ok->drawState(), CQButton::PaintState::Pushed);
    ::SendMessageW(ok->hwnd(), WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(200, 5));
    EXPECT_EQ(ok->drawState(), CQButton::PaintState::Plain);
    ::SendMessageW(ok->hwnd(), WM_LBUTTONUP, 0, MAKELPARAM(200, 5));
    EXPECT_EQ(parent.count(CQButton::kClickedMessage), 1);
    EXPECT_EQ(::GetCapture(), nullptr);
}

TEST_F(ControlsTest, InOneRadioGroupCheckingTheSecondClearsTheFirst) {
    auto first = button("Host I/F", WS_GROUP, 10, 1362, CQButton::Kind::Radio);
    auto second = button("Card Direct", 0, 40, 1363, CQButton::Kind::Radio);
    EXPECT_EQ(first->setCheck(1, false), 1);
    EXPECT_EQ(second->setCheck(1, true), 1);
    EXPECT_EQ(first->checkState(), 0);
    EXPECT_EQ(second->checkState(), 1);
    ASSERT_EQ(parent.count(CQButton::kClickedMessage), 1);  // only the notifying call
    EXPECT_EQ(parent.notices.back().commandId, 1363u);
    EXPECT_EQ(second->setCheck(1, true), 0);  // the same state changes nothing
    EXPECT_EQ(second->setCheck(3, true), 0);  // refused
    EXPECT_EQ(second->checkState(), 1);
    // An already checked radio button pressed and released inside sends nothing.
    parent.notices.clear();
    win32test::click(second->hwnd());
    EXPECT_EQ(parent.count(CQButton::kClickedMessage), 0);
    EXPECT_EQ(second->checkState(), 1);
}

TEST_F(ControlsTest, TheFocusFrameIsGreenAndTheWindowClassTakesDoubleClicks) {
    auto ok = button("OK", 0, 10, 1361, CQButton::Kind::Push);
    ok->takeFocus();
    EXPECT_TRUE(ok->hasFocusFrame());
    ::InvalidateRect(ok->hwnd(), nullptr, TRUE);
    ::UpdateWindow(ok->hwnd());
    HDC dc = ::GetDC(ok->hwnd());
    EXPECT_EQ(::GetPixel(dc, 2, 2), RGB(0, 255, 0));
    EXPECT_EQ(::GetPixel(dc, 3, 3), RGB(0, 255, 0));
    EXPECT_NE(::GetPixel(dc, 5, 12), RGB(0, 255, 0));
    ::ReleaseDC(ok->hwnd(), dc);
    EXPECT_NE(::GetClassLongPtrW(ok->hwnd(), GCL_STYLE) & CS_DBLCLKS, 0u);
    EXPECT_NE(::GetClassLongPtrW(ok->hwnd(), GCLP_HCURSOR), 0u);
    ::SetFocus(parent.hwnd);
    EXPECT_FALSE(ok->hasFocusFrame());
}

TEST_F(ControlsTest, EqualFontRequestsShareOneTableEntry) {
    const view::FontRequest request{"Times New Roman", 12, 0, false, false};
    winui::CaptionStatic first("A", view::Rect{0, 0, 50, 20}, parent.hwnd, 0);
    winui::CaptionStatic second("B", view::Rect{0, 30, 50, 50}, parent.hwnd, 0);
    first.setCaptionFont(request);
    second.setCaptionFont(request);
    EXPECT_NE(first.fontIndex(), 0);
    EXPECT_EQ(first.fontIndex(), second.fontIndex());
    EXPECT_EQ(reinterpret_cast<HFONT>(::SendMessageW(first.hwnd(), WM_GETFONT, 0, 0)),
              winui::FontTable::captions().font(first.fontIndex()));
    LOGFONTW made{};
    ::GetObjectW(winui::FontTable::captions().font(first.fontIndex()), sizeof made, &made);
    HDC screen = ::GetDC(nullptr);
    EXPECT_EQ(made.lfHeight, 12 * ::GetDeviceCaps(screen, LOGPIXELSY) / 72);
    ::ReleaseDC(nullptr, screen);
    EXPECT_EQ(made.lfWeight, 400);
    EXPECT_STREQ(made.lfFaceName, L"Times New Roman");

    const view::FontRequest bold{"Times New Roman", 12, 0, true, false};
    winui::CaptionStatic third("C", view::Rect{0, 60, 50, 80}, parent.hwnd, 0);
    third.setCaptionFont(bold);
    EXPECT_NE(third.fontIndex(), first.fontIndex());
}

TEST_F(ControlsTest, StoppingTheBlinkInTheInvertedPhaseReturnsToTheStartingPhase) {
    winui::BlinkStatic cell(parent.hwnd, 0, winui::BlinkStatic::kValueCellStyle | WS_VISIBLE,
                            view::Rect{0, 0, 100, 20});
    EXPECT_FALSE(cell.lit());
    EXPECT_FALSE(cell.setBlinking(true));
    EXPECT_TRUE(cell.isBlinking());
    win32test::pump(600);  // one tick of the 500 ms timer
    EXPECT_TRUE(cell.lit());
    EXPECT_TRUE(cell.setBlinking(false));
    EXPECT_FALSE(cell.lit());
    EXPECT_FALSE(cell.isBlinking());
    win32test::pump(600);
    EXPECT_FALSE(cell.lit());  // the timer is gone
}

}  // namespace
