#include <gtest/gtest.h>

#include "UnitListFixture.h"
#include "view/MainViewLogic.h"

namespace view {
namespace {

class MainViewLogicTest : public testing::Test {
  protected:
    viewtest::DocumentFixture fixture;
    data::CDIAGDoc& document = *fixture.document;
    MainViewLogic logic{document};
    std::vector<MainViewUpdate> updates;

    void SetUp() override {
        logic.setAdvanced(1);
        document.setUpdateHandler([this] { updates.push_back(logic.takeUpdate()); });
    }

    void open() { ASSERT_EQ(document.openFile(fixture.listPath()), data::CDIAGDoc::OpenResult::Loaded); }
    const MainViewUpdate& lastUpdate() const { return updates.back(); }
};

TEST_F(MainViewLogicTest, LoadingAListGivesTheUnitNamesThenTheFirstUnitsCells) {
    open();
    ASSERT_FALSE(updates.empty());
    const MainViewUpdate& update = lastUpdate();
    ASSERT_TRUE(update.unitNames.has_value());
    EXPECT_EQ(*update.unitNames, (std::vector<std::string>{"ALPHA", "EMPTY"}));
    ASSERT_TRUE(update.unit.has_value());
    EXPECT_EQ(update.unit->unit, document.currentUnit());
    EXPECT_EQ(update.unit->romValue, "");
    EXPECT_EQ(update.unit->fileValue, document.currentUnit()->fileVersion().text());
    EXPECT_FALSE(update.unit->fileValue.empty());
    EXPECT_FALSE(update.versionBarShown.has_value());
    // Every flag was read and cleared.
    const MainViewUpdate again = logic.takeUpdate();
    EXPECT_FALSE(again.unitNames || again.unit || again.versionBarShown);
}

TEST_F(MainViewLogicTest, AWritingPortChangeShowsOrHidesTheVersionBar) {
    open();
    document.setWritingPort(data::WritingPort::CardDirect);
    ASSERT_TRUE(lastUpdate().versionBarShown.has_value());
    EXPECT_FALSE(*lastUpdate().versionBarShown);
    EXPECT_FALSE(lastUpdate().unit.has_value());
    document.setWritingPort(data::WritingPort::HostInterface);
    EXPECT_TRUE(*lastUpdate().versionBarShown);
}

TEST_F(MainViewLogicTest, OneToggleFromTheCreationStateGivesOneRowAtATimeAndOnlyWrite) {
    const PanelState cardDirect = MainViewLogic::togglePanel(true);
    EXPECT_TRUE(cardDirect.singleSelect);
    EXPECT_FALSE(cardDirect.clearEnabled);
    EXPECT_FALSE(cardDirect.allEnabled);
    EXPECT_FALSE(cardDirect.getVersionEnabled);
    const PanelState back = MainViewLogic::togglePanel(cardDirect.clearEnabled);
    EXPECT_FALSE(back.singleSelect);
    EXPECT_TRUE(back.clearEnabled && back.allEnabled && back.getVersionEnabled);
}

TEST_F(MainViewLogicTest, ConfirmingAUnitRedrawsItEvenWhenItIsCurrentButARefusedIndexChangesNothing) {
    open();
    updates.clear();
    logic.unitConfirmed(0);
    ASSERT_EQ(updates.size(), 1u);
    EXPECT_TRUE(lastUpdate().unit.has_value());
    logic.unitConfirmed(1);
    EXPECT_EQ(lastUpdate().unit->unit->rowCount(), 0);
    updates.clear();
    logic.unitConfirmed(5);
    EXPECT_TRUE(updates.empty());
    EXPECT_EQ(document.currentUnitIndex(), 1);
}

TEST_F(MainViewLogicTest, GetVersionStartsOperationThreeWithoutTheWindowAndTheEndRedrawsTheUnit) {
    open();
    const MainViewLogic::GetVersionStart start = logic.startGetVersion();
    EXPECT_TRUE(start.started);
    EXPECT_FALSE(start.getVersionEnabled);
    ASSERT_EQ(fixture.engine->starts.size(), 1u);
    EXPECT_EQ(fixture.engine->starts[0].code, data::OperationCode::GetVersion);
    EXPECT_EQ(fixture.engine->starts[0].unitIndex, 0);
    EXPECT_FALSE(fixture.engine->starts[0].withStatusWindow);

    updates.clear();
    EXPECT_FALSE(logic.poll().ended);
    EXPECT_TRUE(updates.empty());
    fixture.engine->done = true;
    const MainViewLogic::PollAnswer answer = logic.poll();
    EXPECT_TRUE(answer.ended);
    EXPECT_TRUE(answer.enableGetVersion);
    ASSERT_EQ(updates.size(), 1u);
    EXPECT_TRUE(lastUpdate().unit.has_value());
}

TEST_F(MainViewLogicTest, GetVersionStaysDisabledAfterAnOperationUnderCardDirectOrOutsideTheListLayout) {
    open();
    document.setWritingPort(data::WritingPort::CardDirect);
    ASSERT_TRUE(logic.startGetVersion().started);
    fixture.engine->done = true;
    EXPECT_FALSE(logic.poll().enableGetVersion);

    document.setWritingPort(data::WritingPort::HostInterface);
    logic.setAdvanced(0);
    ASSERT_TRUE(logic.startGetVersion().started);
    fixture.engine->done = true;
    const MainViewLogic::PollAnswer answer = logic.poll();
    EXPECT_TRUE(answer.ended);
    EXPECT_FALSE(answer.enableGetVersion);
}

TEST_F(MainViewLogicTest, AGetVersionThatCannotStartGivesTheButtonBackOnlyUnderHostInterface) {
    const MainViewLogic::GetVersionStart withoutUnits = logic.startGetVersion();
    EXPECT_FALSE(withoutUnits.started);
    EXPECT_TRUE(fixture.engine->starts.empty());
    EXPECT_TRUE(withoutUnits.getVersionEnabled);

    open();
    fixture.engine->acceptStarts = false;
    EXPECT_TRUE(logic.startGetVersion().getVersionEnabled);
    document.setWritingPort(data::WritingPort::CardDirect);
    const MainViewLogic::GetVersionStart refused = logic.startGetVersion();
    EXPECT_FALSE(refused.started);
    EXPECT_FALSE(refused.getVersionEnabled);
}

TEST_F(MainViewLogicTest, WriteNeedsARowSelectedForWritingAndAsksForTheWindow) {
    open();
    for (int row = 0; row < document.currentUnit()->rowCount(); ++row) {
        document.currentUnit()->row(row)->setSelected(false);
    }
    EXPECT_FALSE(logic.startWrite());
    EXPECT_TRUE(fixture.engine->starts.empty());

    document.currentUnit()->row(1)->setSelected(true);
    EXPECT_TRUE(logic.startWrite());
    ASSERT_EQ(fixture.engine->starts.size(), 1u);
    EXPECT_EQ(fixture.engine->starts[0].code, data::OperationCode::Write);
    EXPECT_TRUE(fixture.engine->starts[0].withStatusWindow);
}

}  // namespace
}  // namespace view
