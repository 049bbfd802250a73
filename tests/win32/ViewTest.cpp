#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>

#include <algorithm>
#include <memory>

#include "GuiTestSupport.h"
#include "UnitListFixture.h"
#include "core/FontSetting.h"
#include "view/MainViewLayout.h"
#include "view/MainViewLogic.h"
#include "winui/CDIAGView.h"
#include "winui/GdiObject.h"
#include "winui/ScreenDc.h"
#include "winui/WindowGeometry.h"

namespace {

using winui::CDIAGView;
using winui::UnitGrid;
using Model = UnitGrid::Model;

// The view in a plain parent window, with the client size the frame gives it.
class ViewTest : public testing::Test {
  protected:
    viewtest::DocumentFixture fixture;
    data::CDIAGDoc& document = *fixture.document;
    HWND parent = nullptr;
    std::unique_ptr<CDIAGView> view;

    void SetUp() override {
        parent = ::CreateWindowExW(0, L"STATIC", L"frame", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, 0, 0, 600,
                                   450, nullptr, nullptr, nullptr, nullptr);
        ASSERT_NE(parent, nullptr);
        view = std::make_unique<CDIAGView>(document, parent, view::Rect{0, 0, 594, 380});
        view->setAdvanced(1);
        view->setFontSetting(core::FontSetting{});
        CDIAGView* shown = view.get();
        document.setUpdateHandler([shown] { shown->refresh(); });
    }
    void TearDown() override {
        view.reset();
        ::DestroyWindow(parent);
    }

    void open() { ASSERT_EQ(document.openFile(fixture.listPath()), data::CDIAGDoc::OpenResult::Loaded); }
    void chooseCardDirect() { document.setWritingPort(data::WritingPort::CardDirect); }
    UnitGrid& grid() { return view->grid(); }
    data::ImageRow& row(int index) { return *document.currentUnit()->row(index); }
    static bool enabled(HWND window) { return ::IsWindowEnabled(window) != FALSE; }
    // Shown or hidden by its own style (the test's parent window is never shown).
    static bool visible(HWND window) { return (::GetWindowLongPtrW(window, GWL_STYLE) & WS_VISIBLE) != 0; }
    static HFONT fontOf(HWND window) {
        return reinterpret_cast<HFONT>(::SendMessageW(window, WM_GETFONT, 0, 0));
    }
    int textWidth(std::string_view text) { return winui::ScreenDc().textWidth(fontOf(grid().hwnd()), text); }

    // The layout the shared arithmetic gives for the view's client area and
    // the closed selector's measured size.
    view::MainViewLayout expectedLayout() {
        const view::Rect closed = winui::clientRect(view->unitSelector());
        return view::MainViewLayout::arrange(winui::clientRect(view->hwnd()),
                                             winui::rectInParent(view->topRule()).height(), closed.width(),
                                             closed.height());
    }
    void expectLaidOut() {
        const view::MainViewLayout layout = expectedLayout();
        EXPECT_EQ(winui::rectInParent(view->topRule()), layout.topRule);
        EXPECT_EQ(winui::rectInParent(grid().hwnd()), layout.grid);
        EXPECT_EQ(winui::rectInParent(view->getVersionButton()), layout.getVersion);
        EXPECT_EQ(winui::rectInParent(view->writeButton()), layout.write);
        EXPECT_EQ(winui::rectInParent(view->allButton()), layout.all);
        EXPECT_EQ(winui::rectInParent(view->clearButton()), layout.clear);
        const auto cells = view->versionBar().cells();
        for (std::size_t i = 0; i < cells.size(); ++i) {
            EXPECT_EQ(winui::rectInParent(cells[i]), layout.versionCells[i]) << "cell " << i;
        }
    }
};

TEST_F(ViewTest, TheControlsAreTheListLayoutsWithTheirStyles) {
    const LONG_PTR selectorStyle = ::GetWindowLongPtrW(view->unitSelector(), GWL_STYLE);
    EXPECT_EQ(selectorStyle & 0x3, CBS_DROPDOWNLIST);
    const DWORD extended = ListView_GetExtendedListViewStyle(grid().hwnd());
    EXPECT_EQ(extended & (LVS_EX_CHECKBOXES | LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT),
              static_cast<DWORD>(LVS_EX_CHECKBOXES | LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT));
    const LONG_PTR gridStyle = ::GetWindowLongPtrW(grid().hwnd(), GWL_STYLE);
    EXPECT_EQ(gridStyle & LVS_TYPEMASK, LVS_REPORT);
    EXPECT_NE(gridStyle & LVS_NOSORTHEADER, 0);
    EXPECT_NE(::GetWindowLongPtrW(grid().hwnd(), GWL_EXSTYLE) & WS_EX_CLIENTEDGE, 0);
    EXPECT_EQ(winui::windowText(view->getVersionButton()), "Get Ver.");
    EXPECT_EQ(winui::windowText(view->writeButton()), "Write");
    EXPECT_EQ(winui::windowText(view->allButton()), "ALL");
    EXPECT_EQ(winui::windowText(view->clearButton()), "CLEAR");
    for (HWND button :
         {view->getVersionButton(), view->writeButton(), view->allButton(), view->clearButton()}) {
        EXPECT_TRUE(enabled(button));
    }
    EXPECT_EQ(view->viewMode(), 1);
    // The ROM cells start hidden, the File cells shown.
    EXPECT_FALSE(visible(view->versionBar().romLabel()));
    EXPECT_FALSE(visible(view->versionBar().romValue().hwnd()));
    EXPECT_TRUE(visible(view->versionBar().fileLabel()));
    EXPECT_EQ(winui::windowText(view->versionBar().fileLabel()), "File Ver.");
    EXPECT_EQ(winui::windowText(view->versionBar().romLabel()), "ROM Ver.");
    expectLaidOut();
}

TEST_F(ViewTest, TheLayoutFollowsTheViewArithmetic) {
    open();
    const int W = 594 - 16;
    const view::Rect selector = winui::rectInParent(view->unitSelector());
    EXPECT_EQ(selector.left, 8);
    EXPECT_EQ(selector.top, 8);
    EXPECT_EQ(selector.width(), W - (3 * W) / 4);
    const int S = winui::clientRect(view->unitSelector()).height();
    const int T = 8 + S + 8;
    const int B = 380 - 8;
    const int h = B - T;
    const view::Rect gridRect = winui::rectInParent(grid().hwnd());
    EXPECT_EQ(gridRect, (view::Rect{8, T, 8 + W - (W / 5 + 8), B - (h / 10 + 8)}));
    EXPECT_EQ(winui::rectInParent(view->getVersionButton()).left, 8 + (4 * W) / 5);
    EXPECT_EQ(winui::rectInParent(view->allButton()).bottom, B);
    EXPECT_EQ(winui::rectInParent(view->clearButton()).left, winui::rectInParent(view->allButton()).right);
    EXPECT_EQ(winui::rectInParent(view->topRule()).width(), 594);
    expectLaidOut();
}

TEST_F(ViewTest, OpeningAListFillsTheSelectorAndTheGridOfUnitZero) {
    open();
    ASSERT_EQ(::SendMessageW(view->unitSelector(), CB_GETCOUNT, 0, 0), 2);
    EXPECT_EQ(::SendMessageW(view->unitSelector(), CB_GETCURSEL, 0, 0), 0);
    ASSERT_EQ(grid().rowCount(), 3);
    EXPECT_EQ(grid().cellText(0, Model::CpuColumn), "MAIN");
    EXPECT_EQ(grid().cellText(0, Model::FileNameColumn), "MAIN0106.mot");
    EXPECT_EQ(grid().cellText(0, Model::FileVersionColumn), row(0).fileVersionText());
    EXPECT_EQ(grid().cellText(0, Model::TopAddressColumn), "200000H");
    EXPECT_TRUE(grid().isChecked(0));  // rows start checked under Host I/F
    EXPECT_EQ(view->versionBar().fileValue().text(), document.currentUnit()->fileVersion().text());
    EXPECT_FALSE(document.unitChanged());
    EXPECT_FALSE(document.listReloaded());
    // Columns grow to their widest cell.
    const int widest =
        std::max({textWidth("File Name"), textWidth("MAIN0106.mot"), textWidth("SUB_0105.mot")});
    EXPECT_EQ(grid().columnWidth(Model::FileNameColumn), widest + grid().padding());
}

TEST_F(ViewTest, AUnitWithoutRowsShowsSevenHeadersAsWideAsTheirTextPlusPadding) {
    open();
    view->onUnitConfirmed(1);
    ASSERT_EQ(document.currentUnitIndex(), 1);
    EXPECT_EQ(grid().rowCount(), 0);
    EXPECT_GT(grid().padding(), 0);
    const char* headers[] = {"", "To CPU", "ROM Ver", "File Ver", "File Name", "Top Adr", "Flash Adr"};
    for (int column = 0; column < Model::ColumnCount; ++column) {
        EXPECT_EQ(grid().headerText(column), headers[column]);
        if (column > 0) {
            EXPECT_EQ(grid().columnWidth(column), textWidth(headers[column]) + grid().padding())
                << headers[column];
        }
    }
}

TEST_F(ViewTest, CardDirectHidesTheVersionBarLeavesOnlyWriteAndSelectsOneRowAtATime) {
    open();
    chooseCardDirect();
    EXPECT_FALSE(visible(view->versionBar().fileLabel()));
    EXPECT_FALSE(visible(view->versionBar().fileValue().hwnd()));
    EXPECT_FALSE(enabled(view->getVersionButton()));
    EXPECT_FALSE(enabled(view->allButton()));
    EXPECT_FALSE(enabled(view->clearButton()));
    EXPECT_TRUE(enabled(view->writeButton()));
    ASSERT_TRUE(grid().singleSelect());
    EXPECT_FALSE(grid().isChecked(0));
    grid().setCheck(0, true);
    EXPECT_TRUE(row(0).selectedFlag());
    grid().setCheck(1, true);
    EXPECT_FALSE(grid().isChecked(0));
    EXPECT_FALSE(row(0).selectedFlag());
    EXPECT_TRUE(row(1).selectedFlag());
    EXPECT_EQ(document.countSelectedRows(), 1);

    document.setWritingPort(data::WritingPort::HostInterface);
    EXPECT_TRUE(visible(view->versionBar().romLabel()));
    EXPECT_TRUE(enabled(view->getVersionButton()));
    EXPECT_FALSE(grid().singleSelect());
}

TEST_F(ViewTest, AllAndClearSetEveryBoxAndEveryFlag) {
    open();
    ::SendMessageW(view->hwnd(), WM_COMMAND, MAKEWPARAM(CDIAGView::kClearId, BN_CLICKED),
                   reinterpret_cast<LPARAM>(view->clearButton()));
    for (int index = 0; index < 3; ++index) {
        EXPECT_FALSE(row(index).selectedFlag());
        EXPECT_FALSE(grid().isChecked(index));
    }
    ::SendMessageW(view->hwnd(), WM_COMMAND, MAKEWPARAM(CDIAGView::kAllId, BN_CLICKED),
                   reinterpret_cast<LPARAM>(view->allButton()));
    for (int index = 0; index < 3; ++index) {
        EXPECT_TRUE(row(index).selectedFlag());
        EXPECT_TRUE(grid().isChecked(index));
    }
}

TEST_F(ViewTest, GetVersionDisablesItsButtonAndPollsOnTimer100UntilTheEnd) {
    open();
    ::SendMessageW(view->hwnd(), WM_COMMAND, MAKEWPARAM(CDIAGView::kGetVersionId, BN_CLICKED),
                   reinterpret_cast<LPARAM>(view->getVersionButton()));
    ASSERT_EQ(fixture.engine->starts.size(), 1u);
    EXPECT_EQ(fixture.engine->starts[0].code, data::OperationCode::GetVersion);
    EXPECT_FALSE(fixture.engine->starts[0].withStatusWindow);
    EXPECT_FALSE(enabled(view->getVersionButton()));
    EXPECT_TRUE(view->polling());
    win32test::pump(250);
    EXPECT_TRUE(view->polling());
    row(0).setRomVersionText("0105");
    fixture.engine->done = true;
    win32test::pump(300);  // the 100 ms timer sees the end
    EXPECT_FALSE(view->polling());
    EXPECT_TRUE(enabled(view->getVersionButton()));
    EXPECT_EQ(grid().cellText(0, Model::RomVersionColumn), row(0).romVersionText());
    EXPECT_FALSE(grid().cellText(0, Model::RomVersionColumn).empty());
    EXPECT_EQ(view::MainViewLogic::kPollTimerId, 100);
}

TEST_F(ViewTest, WriteStartsOnlyWithARowSelected) {
    open();
    view->onClearAll();
    view->onWrite();
    EXPECT_TRUE(fixture.engine->starts.empty());
    EXPECT_FALSE(view->polling());
    grid().setCheck(2, true);
    view->onWrite();
    ASSERT_EQ(fixture.engine->starts.size(), 1u);
    EXPECT_EQ(fixture.engine->starts[0].code, data::OperationCode::Write);
    EXPECT_TRUE(fixture.engine->starts[0].withStatusWindow);
    EXPECT_TRUE(enabled(view->writeButton()));
    EXPECT_TRUE(view->polling());
}

TEST_F(ViewTest, AFontChangeReachesEveryChildAndLaysTheViewOutAgain) {
    open();
    const view::Rect gridBefore = winui::rectInParent(grid().hwnd());
    const int selectorBefore = winui::clientRect(view->unitSelector()).height();
    const int cpuColumnBefore = grid().columnWidth(Model::CpuColumn);

    LOGFONTW large{};
    large.lfHeight = -40;
    large.lfWeight = FW_BOLD;
    wcscpy(large.lfFaceName, L"Tahoma");
    view->applyViewFont(winui::FontHandle(::CreateFontIndirectW(&large)));
    HFONT font = view->viewFont();
    ASSERT_NE(font, nullptr);
    for (HWND child = ::GetWindow(view->hwnd(), GW_CHILD); child != nullptr;
         child = ::GetWindow(child, GW_HWNDNEXT)) {
        if (child == view->topRule()) {
            continue;  // an etched line keeps no font
        }
        EXPECT_EQ(fontOf(child), font) << win32test::className(child);
    }
    EXPECT_GT(winui::clientRect(view->unitSelector()).height(), selectorBefore);
    EXPECT_GT(winui::rectInParent(grid().hwnd()).top, gridBefore.top);
    EXPECT_GT(grid().columnWidth(Model::CpuColumn), cpuColumnBefore);
    expectLaidOut();
}

TEST_F(ViewTest, TheSettingsFontIsAPointFontThatCanBeBoldAndItalic) {
    core::FontSetting setting;
    setting.faceName = "Tahoma";
    setting.pointSize = 11;
    setting.bold = 1;
    setting.italic = 1;
    view->setFontSetting(setting);
    LOGFONTW made{};
    ASSERT_NE(::GetObjectW(view->viewFont(), sizeof made, &made), 0);
    EXPECT_EQ(made.lfHeight, -::MulDiv(110, winui::ScreenDc().dotsPerInchY(), 720));
    EXPECT_EQ(made.lfWeight, 700);
    EXPECT_TRUE(made.lfItalic);
    EXPECT_STREQ(made.lfFaceName, L"Tahoma");
    EXPECT_EQ(fontOf(grid().hwnd()), view->viewFont());
}

TEST_F(ViewTest, FontsOpensTheSystemChooserAndCancelChangesNothing) {
    ::ShowWindow(parent, SW_SHOWNORMAL);
    HFONT before = view->viewFont();
    const view::Rect gridBefore = winui::rectInParent(grid().hwnd());
    bool chooserSeen = false;
    win32test::ModalScript script;
    script.then(win32test::anyDialog(), [&](HWND dialog) {
        chooserSeen = true;
        win32test::pressCancel(dialog);
    });
    view->chooseFont();
    EXPECT_TRUE(script.finished());
    EXPECT_FALSE(script.timedOut());
    EXPECT_TRUE(chooserSeen);
    EXPECT_EQ(view->viewFont(), before);
    EXPECT_EQ(winui::rectInParent(grid().hwnd()), gridBefore);
}

TEST_F(ViewTest, FontsOkAppliesTheChosenFont) {
    ::ShowWindow(parent, SW_SHOWNORMAL);
    HFONT before = view->viewFont();
    win32test::ModalScript script;
    script.then(win32test::anyDialog(), [](HWND dialog) { win32test::pressOk(dialog); });
    view->chooseFont();
    EXPECT_TRUE(script.finished());
    EXPECT_NE(view->viewFont(), before);
    EXPECT_EQ(fontOf(grid().hwnd()), view->viewFont());
    expectLaidOut();
}

}  // namespace
