#pragma once

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "data/UnitList.h"
#include "engine/FrontEnd.h"
#include "engine/OperationControl.h"
#include "engine/StatusModel.h"

namespace engine::testing {

// Writes data as S3 records of 32 bytes starting at address.
void writeSRecordFile(const std::filesystem::path& path, std::uint32_t address,
                      const std::vector<std::uint8_t>& data);

// Bytes that differ from block to block, so that a block sent to the wrong place shows.
std::vector<std::uint8_t> patternBytes(std::size_t length, std::uint8_t seed);

// A temporary data root with one directory per unit.
class UnitFiles {
  public:
    UnitFiles();
    ~UnitFiles();
    // settings: the whole .SET text. Returns the unit's directory.
    std::filesystem::path addUnit(const std::string& name, const std::string& settings);
    // Loads every added unit into list.
    bool load(data::UnitList& list, data::WritingPort port);
    const std::filesystem::path& root() const { return root_; }

  private:
    std::filesystem::path root_;
    std::vector<std::string> names_;
};

// The user as the tests play it: acknowledges every box and gives the
// final OK at once, and records what the engine asked of it, in order.
class RecordingFrontEnd : public FrontEnd {
  public:
    void showMessage(const std::string& text, core::MessageIcon icon) override;
    void setMainWindowEnabled(bool enabled) override;
    void showStatusWindow(StatusModel& status, OperationControl& control) override;
    bool askForOk(const StatusModel& status) override;

    std::vector<std::string> events();
    std::vector<std::string> messages();
    // The status line, error flag and whether the operation was done when the final OK was asked for.
    std::string finalStatusText;
    bool finalErrorFlag = false;
    bool doneBeforeFinalOk = false;

  private:
    std::mutex mutex_;
    OperationControl* control_ = nullptr;
    std::vector<std::string> events_;
    std::vector<std::string> messages_;
};

// Records every distinct status line an operation shows.
class StatusRecorder {
  public:
    explicit StatusRecorder(StatusModel& status);
    ~StatusRecorder();
    std::vector<std::string> stop();
    // Every distinct position of the Total bar, in order (valid after stop()).
    std::vector<std::int32_t> overallPositions();

  private:
    StatusModel& status_;
    std::atomic<bool> stop_{false};
    std::mutex mutex_;
    std::vector<std::string> seen_;
    std::vector<std::int32_t> overall_;
    std::thread thread_;
};

}  // namespace engine::testing
