#include "winui/BlinkStatic.h"

#include "view/CellText.h"
#include "winui/ControlColours.h"
#include "winui/GdiObject.h"
#include "winui/WindowGeometry.h"

namespace winui {

namespace {

// One solid brush shared by every blinking static, made anew for each
// colour request.
BrushHandle& sharedBrush() {
    static BrushHandle brush;
    return brush;
}

}  // namespace

BlinkStatic::BlinkStatic(HWND parent, int id, DWORD staticStyle, const view::Rect& rect)
    : colourA_(toRgb(::GetSysColor(COLOR_BTNTEXT))), colourB_(toRgb(::GetSysColor(COLOR_BTNFACE))) {
    create(L"STATIC", 0, WS_CHILD | staticStyle, L"", rect, parent, id);
}

BlinkStatic::~BlinkStatic() {
    if (hwnd() != nullptr) {
        destroying();
    }
}

void BlinkStatic::makeValueCell(BlinkStatic& cell) {
    cell.setOwnColours(true);
    cell.setColourA(view::BlinkPhase::kValueCellText);
    cell.setColourB(view::BlinkPhase::kValueCellBackground);
}

std::string BlinkStatic::text() const {
    return windowText(hwnd());
}

void BlinkStatic::setText(std::string_view text) {
    setWindowText(hwnd(), text);
}

bool BlinkStatic::setTextIfDiffers(std::string_view text) {
    if (!view::CellText::differsIgnoringCase(this->text(), text)) {
        return false;
    }
    setText(text);
    return true;
}

void BlinkStatic::setOwnColours(bool ownColours) {
    ownColours_ = ownColours;
    repaint();
}

view::Rgb BlinkStatic::setColourA(view::Rgb colour) {
    const view::Rgb previous = colourA_;
    colourA_ = colour;
    repaint();
    return previous;
}

view::Rgb BlinkStatic::setColourB(view::Rgb colour) {
    const view::Rgb previous = colourB_;
    colourB_ = colour;
    repaint();
    return previous;
}

bool BlinkStatic::setBlinking(bool blink) {
    const view::BlinkStep step = phase_.setBlinking(blink);
    follow(step);
    return step.wasBlinking;
}

void BlinkStatic::blinkTick() {
    follow(phase_.tick());
}

void BlinkStatic::follow(const view::BlinkStep& step) {
    if (step.startTimer) {
        ::SetTimer(hwnd(), view::BlinkPhase::kTimerId, view::BlinkPhase::kPeriodMs, nullptr);
    }
    if (step.stopTimer) {
        ::KillTimer(hwnd(), view::BlinkPhase::kTimerId);
    }
    if (step.repaint) {
        repaint();
    }
}

void BlinkStatic::repaint() {
    if (hwnd() != nullptr) {
        ::InvalidateRect(hwnd(), nullptr, TRUE);
    }
}

void BlinkStatic::destroying() {
    follow(phase_.end());
}

LRESULT BlinkStatic::answerColourRequest(HDC dc) {
    // The system's own colours for a static of this parent are the ones the
    // inverted phase swaps.
    HWND parent = ::GetParent(hwnd());
    const LRESULT systemBrush =
        ::DefWindowProcW(parent, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(hwnd()));
    const view::BlinkColours colours =
        phase_.colours(ownColours_, colourA_, colourB_, toRgb(::GetTextColor(dc)), toRgb(::GetBkColor(dc)));
    if (colours.systemDrawing) {
        return systemBrush;
    }
    ::SetTextColor(dc, toCOLORREF(colours.text));
    ::SetBkColor(dc, toCOLORREF(colours.background));
    sharedBrush().reset(::CreateSolidBrush(toCOLORREF(colours.background)));
    return reinterpret_cast<LRESULT>(sharedBrush().get());
}

LRESULT BlinkStatic::handle(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case ControlColours::kReflectedColourRequest:
            return answerColourRequest(reinterpret_cast<HDC>(wParam));
        case WM_TIMER:
            if (wParam == view::BlinkPhase::kTimerId) {
                blinkTick();
                return 0;
            }
            break;
        default:
            break;
    }
    return defaultHandling(message, wParam, lParam);
}

}  // namespace winui
