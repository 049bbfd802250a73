#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <map>
#include <mutex>
#include <set>
#include <vector>

#include "core/InterfaceApi.h"

namespace engine::testing {

// An in-process stand-in for the interface library and the units behind it:
// MessageSend hands each message to a small model of the units, whose
// replies MessageReceive returns. Lets the engine's sequences be driven
// message by message without a port.
class FakeConsole {
  public:
    static constexpr std::uint32_t kFlashBase = 0x200000;
    static constexpr std::uint32_t kFlashSize = 0x200000;
    static constexpr int kCloseMs = 20;

    FakeConsole();
    ~FakeConsole();

    // Entry points bound to this console (one console at a time).
    const core::InterfaceApi& api() const { return api_; }

    // Units: version words and ID bytes by (target, address).
    void setRegister(std::uint8_t target, std::uint16_t address, std::vector<std::uint8_t> value);
    // Contents of a unit's flash (unit address 0x200000 .. 0x3FFFFF).
    std::vector<std::uint8_t> flash(std::uint8_t target, std::uint32_t address, std::size_t length);
    void presetFlash(std::uint8_t target, std::uint32_t address, const std::vector<std::uint8_t>& bytes);

    // Behaviour switches.
    int initResult = 0;
    bool silent = false;                      // no unit answers at all
    std::uint8_t eraseAnswer = 0;             // nonzero: erase refused
    std::uint8_t checksumAnswer = 0;          // nonzero: checksum refused
    std::int64_t refuseBlockAt = -1;          // unit address of a data block to refuse
    std::uint16_t selectEcho = 0;             // type 3/4: first select answered with this echo word
    std::uint16_t selectRefusal = 0;          // type 3/4: select answered "not the intended object"
    std::uint16_t endAnswer = 0;              // type 4: end-of-write answer word
    bool wrongAddressReadReply = false;       // read replies name another address first
    bool typeFour = false;                    // unit 0x13 is a type-4 unit (answers the end of write)
    int replyDelayMs = 0;                     // every answer comes this much later
    std::set<std::uint16_t> silentRegisters;  // reads of these addresses get no answer

    // What was sent, in order (whole messages).
    std::vector<std::vector<std::uint8_t>> sent();
    std::vector<std::uint32_t> blockAddresses(std::uint8_t command);
    int initCount() const { return initCount_; }
    std::uint16_t lastChecksum() const { return lastChecksum_; }

  private:
    static std::int32_t initInterface(const char*, std::uint32_t, std::uint32_t, std::int32_t, std::int32_t,
                                      std::uint32_t);
    static void closeInterface();
    static std::int32_t messageSend(const std::uint8_t* message, std::uint32_t length);
    static std::int32_t messageReceive(std::uint8_t* buffer);
    static std::int32_t loopBackModeChange(std::int32_t);

    void handle(const std::vector<std::uint8_t>& message);
    void reply(std::vector<std::uint8_t> message);
    void statusReply(std::uint8_t from, std::uint8_t to, std::uint8_t command, std::uint16_t address,
                     std::vector<std::uint8_t> payload);
    std::vector<std::uint8_t>& flashOf(std::uint8_t target);

    core::InterfaceApi api_{};
    std::mutex mutex_;
    std::condition_variable arrived_;
    std::deque<std::vector<std::uint8_t>> replies_;
    std::vector<std::vector<std::uint8_t>> sent_;
    std::map<std::pair<std::uint8_t, std::uint16_t>, std::vector<std::uint8_t>> registers_;
    std::map<std::uint8_t, std::vector<std::uint8_t>> flash_;
    std::set<std::uint8_t> selectEchoed_;
    int initCount_ = 0;
    bool open_ = false;
    std::uint16_t lastChecksum_ = 0;
};

}  // namespace engine::testing
