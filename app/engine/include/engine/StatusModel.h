#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <string_view>

namespace engine {

// What the progress window shows of an operation: written by the engine's
// worker, read by the window on its timer. Numbers are atomics; the three
// texts are replaced and copied under one lock so that a reader never sees
// half of a text. The error flag only colours the status line: how an
// operation ended is its result code.
class StatusModel {
  public:
    static constexpr std::int32_t kDefaultTotal = 100;
    // Both bars are drawn with at most this many steps at the end of an operation.
    static constexpr std::int32_t kFinalPositionLimit = 10000;

    StatusModel();

    // Every field back to its reset value.
    void reset();

    std::string title() const;
    void setTitle(std::string_view text);
    std::string fileName() const;
    void setFileName(std::string_view text);
    std::string statusText() const;
    // Setters copy into the text's own storage: once it has grown to the
    // longest status line, replacing a text allocates nothing.
    void setStatusText(std::string_view text);

    std::uint32_t lowAddress() const { return lowAddress_.load(); }
    void setLowAddress(std::uint32_t value) { lowAddress_.store(value); }
    std::uint32_t highAddress() const { return highAddress_.load(); }
    void setHighAddress(std::uint32_t value) { highAddress_.store(value); }
    std::uint16_t checksum() const { return checksum_.load(); }
    void setChecksum(std::uint16_t value) { checksum_.store(value); }

    bool errorFlag() const { return errorFlag_.load(); }
    void setErrorFlag(bool value) { errorFlag_.store(value); }
    bool finishedFlag() const { return finishedFlag_.load(); }
    void setFinishedFlag(bool value) { finishedFlag_.store(value); }
    bool cancelEnabled() const { return cancelEnabled_.load(); }
    void setCancelEnabled(bool value) { cancelEnabled_.store(value); }

    std::int32_t currentTotal() const { return currentTotal_.load(); }
    void setCurrentTotal(std::int32_t value) { currentTotal_.store(value); }
    std::int32_t currentPos() const { return currentPos_.load(); }
    void setCurrentPos(std::int32_t value) { currentPos_.store(value); }
    std::int32_t overallTotal() const { return overallTotal_.load(); }
    void setOverallTotal(std::int32_t value) { overallTotal_.store(value); }
    std::int32_t overallPos() const { return overallPos_.load(); }
    void setOverallPos(std::int32_t value) { overallPos_.store(value); }

    // One step on the Current bar, kept within 0 .. currentTotal.
    void advanceCurrent();
    // steps on the Total bar, kept within 0 .. overallTotal.
    void advanceOverall(std::int32_t steps = 1);
    // Both bars to their totals, each at most kFinalPositionLimit.
    void fillBars();

  private:
    mutable std::mutex textMutex_;
    std::string title_;
    std::string fileName_;
    std::string statusText_;

    std::atomic<std::uint32_t> lowAddress_{0};
    std::atomic<std::uint32_t> highAddress_{0};
    std::atomic<std::uint16_t> checksum_{0};
    std::atomic<bool> errorFlag_{false};
    std::atomic<bool> finishedFlag_{false};
    std::atomic<std::int32_t> currentTotal_{kDefaultTotal};
    std::atomic<std::int32_t> currentPos_{0};
    std::atomic<std::int32_t> overallTotal_{kDefaultTotal};
    std::atomic<std::int32_t> overallPos_{0};
    std::atomic<bool> cancelEnabled_{true};
};

}  // namespace engine
