#include "data/CDIAGDoc.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <map>
#include <sstream>
#include <vector>

#include "TestFiles.h"

namespace data {
namespace {

using testing::CurrentDirectoryScope;
using testing::TempDirectory;

// Records what the document hands over; the real engine lives elsewhere.
struct EngineLog {
    WritingPort port = WritingPort::HostInterface;
    std::uint8_t checkBeforeWrite = 1;
    std::int32_t retryCount = 0;
    std::int32_t retrySeconds = 0;
    std::map<UnitModel, UnitTiming> timings;
    UnitList* units = nullptr;
    std::vector<CommSettings> settingsCopies;
    std::vector<std::uint8_t> targets;
    std::vector<std::pair<OperationCode, std::int32_t>> starts;
    bool lastWithWindow = false;
};

class RecordingEngine : public OperationEngine {
  public:
    explicit RecordingEngine(EngineLog& log) : log_(log) {}
    WritingPort writingPort() const override { return log_.port; }
    void setWritingPort(WritingPort port) override { log_.port = port; }
    void setCheckBeforeWrite(std::uint8_t check) override { log_.checkBeforeWrite = check; }
    void setRetryCount(std::int32_t attempts) override { log_.retryCount = attempts; }
    std::int32_t setRetryTime(std::int32_t seconds) override {
        return std::exchange(log_.retrySeconds, seconds);
    }
    void setTiming(UnitModel model, const UnitTiming& timing) override { log_.timings[model] = timing; }
    void setUnitList(UnitList* units) override { log_.units = units; }
    void setCommSettings(const CommSettings& settings) override { log_.settingsCopies.push_back(settings); }
    void setDefaultTarget(std::uint8_t target) override { log_.targets.push_back(target); }
    bool startOperation(OperationCode code, std::int32_t unitIndex, bool withStatusWindow) override {
        log_.starts.emplace_back(code, unitIndex);
        log_.lastWithWindow = withStatusWindow;
        return log_.units != nullptr;
    }
    bool pollDone() override { return false; }
    bool busy() const override { return false; }

  private:
    EngineLog& log_;
};

class DocumentTest : public ::testing::Test {
  protected:
    DocumentTest() : doc(std::make_unique<RecordingEngine>(log)) {
        doc.setUpdateHandler([this] { ++viewUpdates; });
        doc.setMessageSink([this](const std::string& text) { messages.push_back(text); });
        root.makeDirectory("SRF7");
        root.write("SRF7/SRF7.SET", "[CPU]\nMAIN=MAIN, 1, 0, 256, 258, 0\nSUB=SUB\n");
        root.makeDirectory("ENG7");
        root.write("ENG7/ENG7.SET", "[SETTINGS]\nTYPE=1\n[CPU]\nMAIN=MAIN\n");
        root.makeDirectory("XDG7");
        root.write("XDG7/XDG7.SET", "[SETTINGS]\nMODE=1\nTYPE=2\n[CPU]\nMAIN=MAIN\n");
    }

    bool load(std::string_view text) {
        CurrentDirectoryScope inRoot(root.path());
        std::istringstream source{std::string(text)};
        return doc.load(source);
    }

    TempDirectory root;
    EngineLog log;
    CDIAGDoc doc;
    int viewUpdates = 0;
    std::vector<std::string> messages;
};

TEST_F(DocumentTest, ConstructionSetsRetryWaitAndAttempts) {
    EXPECT_EQ(log.retrySeconds, 2);
    EXPECT_EQ(log.retryCount, 5);
    EXPECT_TRUE(doc.units().empty());
    EXPECT_EQ(doc.currentUnit(), nullptr);
    EXPECT_EQ(doc.countSelectedRows(), 0);
}

TEST_F(DocumentTest, LoadSelectsTheFirstUnitAndLoadsItsRows) {
    ASSERT_TRUE(load("SRF7\nENG7\n"));
    EXPECT_TRUE(doc.takeListReloaded());
    EXPECT_FALSE(doc.listReloaded());
    EXPECT_TRUE(doc.takeUnitChanged());
    EXPECT_EQ(doc.currentUnitIndex(), 0);
    ASSERT_NE(doc.currentUnit(), nullptr);
    EXPECT_EQ(doc.currentUnit()->rowCount(), 2);
    EXPECT_TRUE(doc.currentUnit()->row(0)->selectedFlag());
    EXPECT_FALSE(doc.units().unit(1)->rowsLoaded());
    EXPECT_EQ(doc.countSelectedRows(), 2);
    EXPECT_GE(viewUpdates, 1);
}

TEST_F(DocumentTest, AllEmptyListKeepsUnitsAndCurrentUnit) {
    ASSERT_TRUE(load("SRF7\nENG7\n"));
    ASSERT_TRUE(doc.selectUnit(1));
    doc.takeUnitChanged();
    EXPECT_FALSE(load("\r\n   \r\n\r\n"));
    EXPECT_FALSE(doc.listReloaded());
    EXPECT_FALSE(doc.unitChanged());
    EXPECT_EQ(doc.units().count(), 2);
    EXPECT_EQ(doc.currentUnitIndex(), 1);
}

TEST_F(DocumentTest, EveryUnitLeftOutUnderHostInterfaceEmptiesTheList) {
    ASSERT_TRUE(load("SRF7\n"));
    doc.takeUnitChanged();
    EXPECT_TRUE(load("XDG7\n"));
    EXPECT_TRUE(doc.listReloaded());
    EXPECT_TRUE(doc.units().empty());
    EXPECT_FALSE(doc.selectUnit(0));
    EXPECT_FALSE(doc.unitChanged());
    EXPECT_EQ(doc.currentUnit(), nullptr);
    EXPECT_EQ(doc.countSelectedRows(), 0);
}

TEST_F(DocumentTest, CardDirectListsEveryUnitWithRowsUnchecked) {
    doc.setWritingPort(WritingPort::CardDirect);
    ASSERT_TRUE(load("SRF7\nXDG7\n"));
    ASSERT_EQ(doc.units().count(), 2);
    EXPECT_FALSE(doc.currentUnit()->row(0)->selectedFlag());
    EXPECT_EQ(doc.countSelectedRows(), 0);
}

TEST_F(DocumentTest, ReselectingTheCurrentUnitSetsTheFlagAgainWithoutReloading) {
    ASSERT_TRUE(load("SRF7\n"));
    ASSERT_TRUE(doc.takeUnitChanged());
    doc.currentUnit()->row(0)->setIdByte(0x42);
    int updatesBefore = viewUpdates;
    EXPECT_TRUE(doc.selectUnit(0));
    EXPECT_TRUE(doc.takeUnitChanged());
    EXPECT_EQ(viewUpdates, updatesBefore + 1);
    EXPECT_EQ(doc.currentUnit()->row(0)->idByte(), 0x42);
}

TEST_F(DocumentTest, SelectingOutsideTheListChangesNothing) {
    ASSERT_TRUE(load("SRF7\nENG7\n"));
    doc.takeUnitChanged();
    int updatesBefore = viewUpdates;
    EXPECT_FALSE(doc.selectUnit(2));
    EXPECT_FALSE(doc.selectUnit(-1));
    EXPECT_EQ(doc.currentUnitIndex(), 0);
    EXPECT_FALSE(doc.unitChanged());
    EXPECT_EQ(viewUpdates, updatesBefore);
}

TEST_F(DocumentTest, WritingPortChangeSetsThePortFlag) {
    doc.setWritingPort(WritingPort::HostInterface);
    EXPECT_FALSE(doc.takePortChanged());
    EXPECT_EQ(viewUpdates, 0);
    doc.setWritingPort(WritingPort::CardDirect);
    EXPECT_TRUE(doc.takePortChanged());
    EXPECT_EQ(doc.writingPort(), WritingPort::CardDirect);
    EXPECT_EQ(viewUpdates, 1);
}

TEST_F(DocumentTest, StartHandsOverUnitsAndFreshSettingsCopies) {
    CommSettings settings;
    settings.deviceName = "/dev/ttyS0";
    std::uint8_t connectionPoint = 0x00;
    doc.setCommSettings(&settings);
    doc.setConnectionPoint(&connectionPoint);
    doc.setCheckStatus(0);
    EXPECT_EQ(log.checkBeforeWrite, 0);
    ASSERT_TRUE(load("SRF7\n"));

    EXPECT_TRUE(doc.startOperation(OperationCode::GetVersion, 0, false));
    settings.deviceName = "/dev/ttyUSB1";
    connectionPoint = 0x10;
    EXPECT_TRUE(doc.startOperation(OperationCode::Write, 0, true));

    EXPECT_EQ(log.units, &doc.units());
    ASSERT_EQ(log.settingsCopies.size(), 2u);
    EXPECT_EQ(log.settingsCopies[0].deviceName, "/dev/ttyS0");
    EXPECT_EQ(log.settingsCopies[1].deviceName, "/dev/ttyUSB1");
    EXPECT_EQ(log.targets, (std::vector<std::uint8_t>{0x00, 0x10}));
    ASSERT_EQ(log.starts.size(), 2u);
    EXPECT_EQ(log.starts[1].first, OperationCode::Write);
    EXPECT_EQ(log.starts[1].second, 0);
    EXPECT_TRUE(log.lastWithWindow);
}

TEST_F(DocumentTest, TimingSetsArePassedOnInModelOrder) {
    UnitTimingSet timings{};
    for (std::size_t i = 0; i < kUnitModelCount; ++i)
        timings[i].bootIn = static_cast<std::int32_t>(11 + i);
    doc.setTimings(timings);
    EXPECT_EQ(log.timings[UnitModel::SRF7].bootIn, 11);
    EXPECT_EQ(log.timings[UnitModel::ENG7].bootIn, 12);
    EXPECT_EQ(log.timings[UnitModel::LIO7].bootIn, 13);
    EXPECT_EQ(log.timings[UnitModel::XDG7].bootIn, 14);
}

TEST_F(DocumentTest, OpenFileFollowsThePathAndNewKeepsUnits) {
    root.write("UNIT.LST", "SRF7\r\nENG7\r\n");
    root.write("EMPTY.LST", "\r\n");
    CurrentDirectoryScope inRoot(root.path());
    EXPECT_EQ(doc.title(), "Untitled");
    EXPECT_EQ(doc.openFile("UNIT.LST"), CDIAGDoc::OpenResult::Loaded);
    EXPECT_EQ(doc.title(), "UNIT.LST");
    EXPECT_EQ(doc.openFile("MISSING.LST"), CDIAGDoc::OpenResult::CannotOpen);
    EXPECT_EQ(doc.pathName(), "UNIT.LST");
    EXPECT_EQ(doc.openFile("SRF7"), CDIAGDoc::OpenResult::CannotOpen);
    EXPECT_EQ(doc.pathName(), "UNIT.LST");
    EXPECT_EQ(doc.openFile("EMPTY.LST"), CDIAGDoc::OpenResult::NothingLoaded);
    EXPECT_EQ(doc.title(), "EMPTY.LST");
    EXPECT_EQ(doc.units().count(), 2);
    doc.newDocument();
    EXPECT_EQ(doc.title(), "Untitled");
    EXPECT_EQ(doc.units().count(), 2);
}

TEST_F(DocumentTest, OnlyARegularFileOpensAsAUnitListAndNothingBlocks) {
    root.write("UNIT.LST", "SRF7\r\n");
    CurrentDirectoryScope inRoot(root.path());
    ASSERT_EQ(doc.openFile("UNIT.LST"), CDIAGDoc::OpenResult::Loaded);
    ASSERT_EQ(::mkfifo((root.path() / "FIFO.LST").c_str(), 0600), 0);
    root.makeDirectory("DIR.LST");
    // A FIFO without a writer blocked open() for ever; the devices filled the memory.
    for (const std::string path : {"FIFO.LST", "DIR.LST", "/dev/zero", "/dev/urandom"}) {
        EXPECT_EQ(doc.openFile(path), CDIAGDoc::OpenResult::CannotOpen) << path;
        EXPECT_EQ(doc.openFailureReason(), "not a regular file") << path;
    }
    EXPECT_EQ(doc.openFile("NONE.LST"), CDIAGDoc::OpenResult::CannotOpen);
    EXPECT_EQ(doc.openFailureReason(), "no such file");
    // The document keeps what it had.
    EXPECT_EQ(doc.pathName(), "UNIT.LST");
    EXPECT_EQ(doc.units().count(), 1);
}

TEST_F(DocumentTest, UnitSettingsFilesThatAreNotRegularFilesGiveTheDefaults) {
    root.makeDirectory("SRF7");
    ASSERT_EQ(::mkfifo((root.path() / "SRF7" / "FIFO.SET").c_str(), 0600), 0);
    root.makeDirectory("SRF7/DIR.SET");
    ASSERT_TRUE(load("A, SRF7, FIFO.SET\nB, SRF7, DIR.SET\n"));
    ASSERT_EQ(doc.units().count(), 2);
    for (int i = 0; i < 2; ++i) {
        UnitRecord& unit = *doc.units().unit(i);
        unit.loadRows(true);
        EXPECT_EQ(unit.unitType(), 0);
        EXPECT_EQ(unit.rowCount(), 0);
    }
}

TEST_F(DocumentTest, LongDirectoryNamesAreCutInTheirMessage) {
    ASSERT_TRUE(load("LONG, " + std::string(10000, 'd') + "\n"));
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_LT(messages[0].size(), 200u) << messages[0];
    EXPECT_NE(messages[0].find("... (10000 characters))"), std::string::npos) << messages[0];
}

TEST_F(DocumentTest, DirectoryErrorsReachTheMessageSink) {
    ASSERT_TRUE(load("NOWHERE\nSRF7\n"));
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_NE(messages[0].find("Directory(NOWHERE)"), std::string::npos);
    EXPECT_EQ(doc.units().count(), 2);
    EXPECT_EQ(doc.currentUnit()->rowCount(), 0);
}

}  // namespace
}  // namespace data
