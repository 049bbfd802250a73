#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "sim/ConsoleState.h"
#include "sim/Reply.h"

namespace sim {

// The units as the host-interface messages reach them: the connection point
// answering reads, the generic flash devices, the select device at 0x13 for
// type-3 and type-4 units, and the boot-mode broadcasts.
class HostResponder {
  public:
    // Bus addresses and message fields of the host interface.
    static constexpr std::uint8_t kBroadcastTarget = 0xFE;
    static constexpr std::uint8_t kSelectDevice = 0x13;
    static constexpr std::uint8_t kKindMask = 0xC0;
    static constexpr std::uint8_t kKindReadRequest = 0xC0;
    static constexpr std::uint8_t kKindReadReply = 0x80;
    static constexpr std::uint8_t kCommandMask = 0x3F;
    static constexpr std::uint8_t kCommandStatus = 0x30;    // erase, checksum, and every status reply
    static constexpr std::uint8_t kCommandLongRead = 0x31;  // first command with a 4-byte address
    static constexpr std::uint8_t kCommandDataBlock = 0x32;
    static constexpr std::uint8_t kCommandSelect = 0x33;  // type-3/4 messages; also boot-mode enter
    static constexpr std::uint8_t kCommandBootLeave = 0x34;
    static constexpr std::uint16_t kAddressStatus = 0x0166;
    static constexpr std::uint16_t kAddressErase = 0x0167;
    static constexpr std::uint16_t kAddressChecksum = 0x0164;
    static constexpr std::uint16_t kAddressSelect4 = 0x0011;
    static constexpr std::uint16_t kAddressSelect3 = 0x0012;
    static constexpr std::uint16_t kAddressWriteStart4 = 0x0021;
    static constexpr std::uint16_t kAddressWriteStart3 = 0x0022;
    static constexpr std::uint8_t kSelectDataBlockMark = 0x80;
    static constexpr std::size_t kBlockSize = 128;
    static constexpr std::uint16_t kEchoRequest3 = 0x5AA5;

    explicit HostResponder(ConsoleState& state) : state_(state) {}

    // One received message (count byte first); answers are appended.
    void handle(std::span<const std::uint8_t> message, std::vector<Reply>& replies);

  private:
    struct Request {
        std::uint8_t command = 0;
        std::uint8_t kind = 0;
        std::uint8_t sender = 0;
        std::uint8_t target = 0;
        std::uint32_t address = 0;
        std::span<const std::uint8_t> payload;
    };

    // Select device state: which CPU the last select chose.
    struct Selection {
        int unitKind = 0;
        int cpuIndex = -1;
        bool awaitingEcho = false;
        std::uint16_t echoValue = 0;
    };

    void handleRead(const Request& request, std::vector<Reply>& replies);
    void handleBroadcast(const Request& request);
    void handleGeneric(const Request& request, const CpuSlot& slot, std::vector<Reply>& replies);
    void handleSelectDevice(const Request& request, std::vector<Reply>& replies);
    void handleSelect(const Request& request, int unitKind, std::vector<Reply>& replies);
    void handleSelectBlock(const Request& request, std::vector<Reply>& replies);
    void handleSelectFinish(const Request& request, std::vector<Reply>& replies);

    // Data block into a CPU's flash; the answer byte for the status reply.
    std::uint8_t writeBlock(const CpuSlot& slot, std::uint32_t address, std::span<const std::uint8_t> data);

    Reply makeReply(const Request& request, std::uint8_t commandByte, std::uint32_t address, bool longAddress,
                    std::span<const std::uint8_t> payload, const FaultSwitches& faults,
                    const void* owner) const;
    Reply statusReply(const Request& request, std::uint8_t result, const CpuSlot& slot) const;

    ConsoleState& state_;
    Selection selection_;
};

}  // namespace sim
