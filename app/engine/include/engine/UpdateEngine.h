#pragma once

#include <array>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <thread>

#include "data/CommSettings.h"
#include "data/OperationEngine.h"
#include "data/UnitTiming.h"
#include "data/WritingPort.h"
#include "engine/ExchangeState.h"
#include "engine/HostMessages.h"
#include "engine/ResultCode.h"
#include "engine/StatusModel.h"

namespace core {
struct InterfaceApi;
}
namespace data {
class UnitList;
class UnitRecord;
class ImageRow;
class FlashImage;
}  // namespace data

namespace engine {

class OperationHost;
class DirectPort;

// Runs one operation at a time against the units of the console: reads
// versions, erases and writes flash through the interface library (host
// interface) or the unit's boot loader (direct path), reports progress in its
// StatusModel and a result text per unit row. Operations run on a worker
// thread; replies are handled on the engine's own receive thread.
class UpdateEngine final : public data::OperationEngine {
  public:
    static constexpr std::uint32_t kImageBufferSize = 0x80000;
    static constexpr std::int32_t kDefaultRetryCount = 5;
    static constexpr std::int32_t kDefaultRetrySeconds = 2;
    static constexpr const char* kCompressionLibraryName = "cmpak.dll";

    UpdateEngine();
    ~UpdateEngine() override;
    UpdateEngine(const UpdateEngine&) = delete;
    UpdateEngine& operator=(const UpdateEngine&) = delete;

    // Wiring done once by the application.
    void setHost(OperationHost* host) { host_ = host; }
    void setInterfaceApi(const core::InterfaceApi* api) { api_ = api; }
    void setWritingPort(data::WritingPort port) override { writingPort_ = port; }
    data::WritingPort writingPort() const override { return writingPort_; }
    void setCheckBeforeWrite(std::uint8_t check) override { checkBeforeWrite_ = check != 0; }
    bool checkBeforeWrite() const { return checkBeforeWrite_; }
    void setTiming(data::UnitModel model, const data::UnitTiming& timing) override;
    void setTimingSets(const data::UnitTimingSet& timings) { timings_ = timings; }
    // File name the compression library is loaded by (tests point it elsewhere).
    void setCompressionLibraryName(std::string name) { compressionLibraryName_ = std::move(name); }

    // Number of attempts of an erase or write.
    void setRetryCount(std::int32_t count) override { retryCount_ = count; }
    std::int32_t retryCount() const { return retryCount_; }
    // Each stores seconds as 100 ms ticks and returns the previous value in seconds.
    std::int32_t setRetryTime(std::int32_t seconds) override;
    std::int32_t setBootInTime(std::int32_t seconds);
    std::int32_t setBootOutTime(std::int32_t seconds);
    std::int32_t setTimeoutTime(std::int32_t seconds);

    // Handed over by the document before every start.
    void setUnitList(data::UnitList* units) override { unitList_ = units; }
    void setCommSettings(const data::CommSettings& settings) override { comm_ = settings; }
    void setDefaultTarget(std::uint8_t target) override { defaultTarget_ = target; }
    // How long a type-3 or type-4 unit is given to restart after each image.
    void setSettlePauses(std::chrono::milliseconds afterSuccess, std::chrono::milliseconds afterFailure);

    // Starts code for the unit at unitIndex (-1: all units) on the worker
    // thread. False when no unit list is set or an operation still runs.
    bool startOperation(data::OperationCode code, std::int32_t unitIndex, bool withStatusWindow) override;
    // True once for each signal of the done event.
    bool pollDone() override { return status_.doneEvent().tryWait(); }
    bool busy() const override { return workerActive_.load(); }
    // Blocks until the worker of the last operation has ended.
    void waitUntilFinished();
    EngineState engineState() const { return engineState_.load(); }
    // The result of the last operation (for get version of all units, that of
    // the last unit); read it once the worker has finished.
    ResultCode lastResult() const { return lastResult_.load(); }

    StatusModel& status() { return status_; }
    const StatusModel& status() const { return status_; }
    // The engine's own line to boot loaders (for its byte counters).
    const DirectPort& directPort() const { return *directPort_; }

  private:
    // Worker (UpdateEngine.cpp).
    void runWorker();
    void chooseTiming(std::int32_t unitType);
    ResultCode getVersions();
    ResultCode readUnitVersions(data::UnitRecord& unit);
    void runEraseWriteLoop();
    void runCheckPass(std::int32_t first, std::int32_t last);
    ResultCode runBootChangeWait();
    bool waitTicksCancellable(std::int32_t ticks);
    void finishAndAwaitOk();
    void runDirectOperation(data::UnitRecord& unit);
    void showMessage(const std::string& text, bool error);
    void setMainWindowEnabled(bool enabled);

    // Host-interface layer (HostLink.cpp).
    std::int32_t openInterface();
    void closeInterface();
    void startReceiver();
    void requestReceiverStop();
    void waitReceiverExited();
    void receiveLoop();
    void dispatch(std::span<const std::uint8_t> received);
    void send(const host::Buffer& message, std::size_t length);
    void sendReadRequest(std::uint8_t command, std::uint32_t address, std::uint16_t count);
    void setPhase(ExchangePhase phase, bool error, bool advance);
    void resetIdleTicks();
    ResultCode waitForExchange();
    ResultCode readExchange(RequestKind kind, std::uint8_t command, std::uint32_t address,
                            std::uint16_t count);
    void handleReadReply(const host::HostMessage& message);
    void handleReadReply32(const host::HostMessage& message);

    // Flash sequences (Sequences.cpp).
    void setSequenceTitles(const data::UnitRecord& unit, const data::ImageRow& row);
    ResultCode prepareTransfer(data::ImageRow& row);
    // Loads a type-4 or direct-path image into the 1 MB window with its block
    // checksum table, and shows its range and checksum.
    ResultCode loadSegmentedImage(data::ImageRow& row);
    ResultCode runGenericSequence(data::UnitRecord& unit, data::ImageRow& row);
    ResultCode runSegmentedUnit(data::UnitRecord& unit, bool typeFour, bool& anythingDone);
    ResultCode runType3Image(data::UnitRecord& unit, data::ImageRow& row, std::int32_t index);
    ResultCode runType4Image(data::UnitRecord& unit, data::ImageRow& row, std::int32_t index);
    // The select (which erases), the write start and the first block of a
    // type-3 or type-4 image; the receive thread sends every further block.
    ResultCode runSelectAndTransfer(data::ImageRow& row, std::uint16_t mask, bool typeFour);
    void handleGenericStatus(const host::HostMessage& message);
    void handleGenericTransfer();
    void handleReadBack(const host::HostMessage& message);
    void handleType3(const host::HostMessage& message);
    void handleType4(const host::HostMessage& message);
    void sendGenericBlock();
    void sendSegmentedBlock(bool advanceBar, bool advanceCursors = true);
    void copyBlock(std::uint32_t cursor, std::array<std::uint8_t, host::kDataBlockSize>& block) const;
    void failTransfer();
    // The reply to a checksum request ends the image's exchanges.
    void finishChecksum(bool rejected);
    // The final answer to a type-3 or type-4 select: erased, or not this unit.
    void finishSelect(bool refused);
    // The end of a get-version operation: main window back, failure shown, done.
    void finishGetVersion(ResultCode result);

    // Direct boot-loader path (DirectPath.cpp).
    ResultCode directUpdate(data::UnitRecord& unit);
    ResultCode directImageSteps(data::UnitRecord& unit, data::ImageRow& row);
    ResultCode directGetVersion(data::UnitRecord& unit, bool oneUnit);
    ResultCode directWake();
    ResultCode directBootChange(bool enter);
    ResultCode directEraseBlock(std::uint8_t block);
    ResultCode directWrite(std::uint32_t unitAddress, const std::uint8_t* source, std::uint32_t length);
    ResultCode directFrameExchange(const std::uint8_t* frame, std::size_t length, std::uint8_t answerCommand,
                                   int firstByteTimeoutMs);

    using CompressFunction = std::uint32_t (*)(const std::uint8_t*, std::uint32_t, std::uint8_t*);
    using DecompressFunction = std::uint32_t (*)(const std::uint8_t*, std::uint8_t*);

    // Wiring and settings.
    OperationHost* host_ = nullptr;
    const core::InterfaceApi* api_ = nullptr;
    data::UnitList* unitList_ = nullptr;
    data::CommSettings comm_;
    std::uint8_t defaultTarget_ = 0;
    data::WritingPort writingPort_ = data::WritingPort::HostInterface;
    bool checkBeforeWrite_ = true;
    data::UnitTimingSet timings_{};
    std::string compressionLibraryName_ = kCompressionLibraryName;

    // Operation state.
    std::mutex stateMutex_;
    std::atomic<EngineState> engineState_{EngineState::Starting};
    std::atomic<bool> workerActive_{false};
    data::OperationCode operationCode_ = data::OperationCode::GetVersion;
    std::chrono::milliseconds settleAfterSuccess_{10000};
    std::chrono::milliseconds settleAfterFailure_{6000};
    std::atomic<bool> shuttingDown_{false};
    std::int32_t unitIndex_ = -1;
    bool withStatusWindow_ = false;
    std::atomic<std::int32_t> bootInTicks_{0};
    std::atomic<std::int32_t> bootOutTicks_{0};
    std::atomic<std::int32_t> timeoutTicks_{0};
    std::atomic<std::int32_t> retryTicks_{0};
    std::atomic<std::int32_t> retryCount_{0};
    std::atomic<bool> bootMode_{false};
    std::unique_ptr<data::FlashImage> flashImage_;
    std::unique_ptr<DirectPort> directPort_;
    CompressFunction compress_ = nullptr;
    // Work buffer of the direct write: room for a compressed 4 KB chunk, which
    // the coder may make longer than the chunk (at most 6784 bytes).
    std::array<std::uint8_t, 8192> compressionBuffer_{};
    DecompressFunction decompress_ = nullptr;
    data::UnitRecord* currentUnit_ = nullptr;
    std::atomic<std::int32_t> currentUnitType_{0};
    std::int32_t savedOverall_ = 0;

    // Host-interface exchange state; the receive thread reads and writes it.
    std::mutex receiverMutex_;
    std::mutex exchangeMutex_;
    ReceiverState receiverState_ = ReceiverState::Stopped;  // guarded by receiverMutex_
    std::int32_t idleTicks_ = 0;                            // guarded by exchangeMutex_
    std::condition_variable receiverChanged_;
    std::thread receiver_;
    AutoResetEvent exchangeEnded_;  // wakes the waiting worker as soon as a handler ends the exchange
    std::atomic<bool> interfaceOpen_{false};
    std::atomic<std::uint8_t> pcAddress_{host::kHostPcAddress};
    std::atomic<std::uint8_t> targetAddress_{0};
    std::atomic<RequestKind> requestKind_{RequestKind::None};
    std::atomic<ExchangePhase> phase_{ExchangePhase::Idle};
    std::atomic<std::uint32_t> pendingAddress_{0};
    std::atomic<std::uint16_t> pendingLength_{0};
    std::atomic<ResultCode> sequenceError_{ResultCode::Ok};
    std::atomic<ResultCode> lastResult_{ResultCode::Ok};
    std::array<std::uint8_t, host::kBufferSize> replyBuffer_{};

    // Transfer cursors, set by the sequences and advanced by the reply handlers.
    std::atomic<std::uint32_t> sourceCursor_{0};
    std::atomic<std::uint32_t> sourceEnd_{0};
    std::atomic<std::uint32_t> unitCursor_{0};
    std::atomic<bool> writeBack_{false};
    std::atomic<std::uint32_t> readBackArea_{0};
    std::atomic<std::int32_t> blockStage_{0};
    std::atomic<std::int32_t> blockIndex_{0};
    std::atomic<std::int32_t> segmentBlocks_{0};
    std::atomic<std::uint8_t> blockMask_{0};
    std::atomic<std::uint16_t> imageChecksum_{0};

    StatusModel status_;
    std::thread worker_;
};

}  // namespace engine
