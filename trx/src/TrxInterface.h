#pragma once

#include <atomic>
#include <cstdint>
#include <shared_mutex>
#include <string>
#include <thread>

#include "InterfaceState.h"
#include "ReceiveDelivery.h"
#include "ReceiveThread.h"
#include "TransmitThread.h"
#include "trx.h"

namespace trx {

// The one interface of the process: lifecycle, the messaging exports and the
// diagnostics. Lives from library load to unload.
class TrxInterface {
  public:
    static constexpr std::uint32_t kSendWaitMs = 1000;
    static constexpr std::uint32_t kThreadEndWaitMs = 5000;
    static constexpr std::size_t kPortNameCapacity = 259;
    // Control calls of MessageSend (null message): these lengths switch loop-back.
    static constexpr std::uint32_t kLoopBackOnLength = 255;
    static constexpr std::uint32_t kLoopBackOffLength = 254;
    // Message byte 3 of this value is looped back instead of being sent.
    static constexpr std::uint8_t kLocalLoopBackKind = 0x1F;

    TrxInterface();
    ~TrxInterface();
    TrxInterface(const TrxInterface&) = delete;
    TrxInterface& operator=(const TrxInterface&) = delete;

    std::int32_t init(const char* portName, std::uint32_t waitTimeMs, std::uint32_t baudRate,
                      std::int32_t logMode, std::int32_t sequenceNumbering, std::uint32_t transmitIntervalMs);
    void close();

    std::int32_t send(const std::uint8_t* message, std::uint32_t length);
    std::int32_t receive(std::uint8_t* buffer);
    std::int32_t setActiveSense(std::int32_t on);
    std::int32_t changeLoopBackMode(std::int32_t mode);
    std::int32_t setSignal(std::int32_t code) { return state_.port.setSignal(code); }

    InterfaceState& state() { return state_; }

  private:
    void sendWhatWasAccepted();
    void resetCounters();
    // Waits for one thread to leave after the stop flag was set, then joins it.
    void endThread(std::thread& thread, std::atomic<bool>& ended, const char* name);

    InterfaceState state_;
    TransmitThread transmitter_{state_};
    ReceiveThread receiver_{state_};
    // Set by the destructor: the library is being unloaded.
    bool unloading_ = false;
    std::thread transmitThread_;
    std::thread receiveThread_;
    std::atomic<bool> transmitEnded_{true};
    std::atomic<bool> receiveEnded_{true};
    // Callers of the messaging exports hold it shared; close() frees the queues
    // only when it holds it alone.
    std::shared_mutex queueLifetime_;
    std::atomic<bool> initialised_{false};
    std::string portName_;
};

}  // namespace trx
