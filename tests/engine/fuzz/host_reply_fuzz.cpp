// libFuzzer target: any sequence of received messages into the conversation
// of each sequence kind (a read, generic, type 3, type 4), played against
// the host link on a scripted line. Nothing may crash or hang, every
// message sent is well formed, and an image may only end as written when
// the replies a real unit gives were seen: every block went out, then the
// checksum (or end of write), each answered.
//
// Input: byte 0 the sequence kind, byte 1 its parameter (blocks, mask or the
// read's address), then records of [repeat][length][message bytes]; each
// message arrives repeat + 1 times.
#include <algorithm>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <set>
#include <span>
#include <vector>

#include "../ScriptedLine.h"
#include "HostLink.h"
#include "Sequences.h"
#include "data/FlashImage.h"
#include "engine/FrontEnd.h"
#include "engine/HostMessages.h"
#include "engine/StatusModel.h"

namespace {

using namespace engine;
using testing::ScriptedLine;
using Message = ScriptedLine::Message;

constexpr std::uint8_t kUnitTarget = 0x01;
constexpr std::uint32_t kStandardBase = 0x200000;
constexpr std::size_t kMostDeliveries = 4096;

enum class Sequence { Read, Generic, Type3, Type4 };

// The engine's side of one sequence on a scripted line.
struct Run {
    OperationControl control;
    ScriptedLine line{control};
    NullFrontEnd nobody;
    FrontEndSlot frontEnd{&nobody};
    HostLink link{control, frontEnd};
    StatusModel status;

    Run() {
        link.setInterfaceApi(&line.api());
        link.open(data::CommSettings{}, data::WritingPort::HostInterface);
        link.setTimeoutTicks(50);
    }

    // The received messages of the input, each repeat + 1 times.
    void queue(std::span<const std::uint8_t> records) {
        std::size_t deliveries = 0;
        while (records.size() >= 2 && deliveries < kMostDeliveries) {
            const std::size_t repeats = records[0];
            const std::size_t length = std::min<std::size_t>(records[1], records.size() - 2);
            const Message message(records.begin() + 2,
                                  records.begin() + 2 + static_cast<std::ptrdiff_t>(length));
            records = records.subspan(2 + length);
            for (std::size_t i = 0; i <= repeats && deliveries < kMostDeliveries; ++i, ++deliveries) {
                line.queue(message);
            }
        }
    }

    // Replies delivered from the one before the send at first up to the send at last.
    std::size_t countDelivered(std::size_t firstSend, std::size_t lastSend,
                               bool (*counts)(const Message&)) const {
        std::size_t count = 0;
        for (std::size_t i = line.deliveredBeforeSend[firstSend]; i < line.deliveredBeforeSend[lastSend];
             ++i) {
            count += counts(line.delivered[i]) ? 1 : 0;
        }
        return count;
    }
};

void check(bool condition) {
    if (!condition) {
        __builtin_trap();
    }
}

std::optional<host::HostMessage> toPc(const Message& bytes) {
    std::optional<host::HostMessage> message = host::parseMessage(bytes);
    if (message && message->receiver != host::kHostPcAddress) {
        return std::nullopt;
    }
    return message;
}

bool isUnitStatus(const Message& bytes) {
    const auto message = toPc(bytes);
    return message && host::isStatusReply(*message, kUnitTarget);
}

bool isType3Acknowledgement(const Message& bytes) {
    const auto message = toPc(bytes);
    return message && host::isStatusReply(*message, host::kSegmentedTarget);
}

// The unit addresses of the data blocks that went out with command, in any order.
std::set<std::uint32_t> blockAddresses(const Run& run, std::uint8_t command) {
    std::set<std::uint32_t> addresses;
    for (const Message& message : run.line.sent) {
        if (message.size() == 136 && (message[1] & host::kCommandMask) == command) {
            // Segmented blocks carry 0x80 in their first address byte.
            addresses.insert(((std::uint32_t{message[4]} << 24) | (std::uint32_t{message[5]} << 16) |
                              (std::uint32_t{message[6]} << 8) | message[7]) &
                             (command == host::kCommandSegmented ? 0x00FFFFFFu : 0xFFFFFFFFu));
        }
    }
    return addresses;
}

// Every block from first in steps of 128, count of them, went out.
bool sentEveryBlock(const std::set<std::uint32_t>& addresses, std::uint32_t first, std::uint32_t count) {
    for (std::uint32_t i = 0; i < count; ++i) {
        if (addresses.count(first + i * host::kDataBlockSize) == 0) {
            return false;
        }
    }
    return true;
}

void runRead(Run& run, std::uint8_t parameter) {
    const std::uint32_t address = 0x0100u + parameter;
    const bool blockRead = (parameter & 1) != 0;
    if (run.link.read(kUnitTarget, host::kCommandRead0C, address, 2, blockRead) != ResultCode::Ok) {
        return;
    }
    // The read ended on the answer to the request in flight, whose bytes are now the reply.
    check(!run.line.delivered.empty());
    const auto answer = toPc(run.line.delivered.back());
    check(answer && answer->sender == kUnitTarget && answer->address == address &&
          answer->payload.size() == 2 && answer->kind == host::kKindReadReply &&
          host::isReadReply(*answer, blockRead));
    check(std::equal(answer->payload.begin(), answer->payload.end(), run.link.reply().begin()));
}

void runGeneric(Run& run, std::uint8_t parameter) {
    const std::uint32_t blocks = 1 + parameter % 6;
    std::vector<std::uint8_t> window(0x80000, 0x5A);
    GenericImage image;
    image.target = kUnitTarget;
    image.eraseOnly = (parameter & 0x80) != 0;
    image.transfer.cursor = {0, static_cast<std::uint32_t>(blocks * host::kDataBlockSize - 1), kStandardBase};
    image.transfer.checksum = 0xBEEF;
    if (exchangeGenericImage(run.link, run.status, image, window) != ResultCode::Ok || image.eraseOnly) {
        return;
    }
    // Written: the erase, each block and the checksum were answered, in that order.
    check(sentEveryBlock(blockAddresses(run, host::kCommandData32), kStandardBase, blocks));
    host::Buffer out;
    const std::size_t length = host::buildChecksumRequest(out, host::kHostPcAddress, kUnitTarget, 0xBEEF);
    check(run.line.sent.back() == Message(out.begin(), out.begin() + static_cast<std::ptrdiff_t>(length)));
    check(run.countDelivered(0, run.line.sent.size() - 1, isUnitStatus) == blocks + 1);
}

void runSegmented(Run& run, bool type3, std::uint8_t parameter) {
    SegmentedImage image;
    image.mask = 0x0001;
    image.writeStartPause = std::chrono::milliseconds(0);
    std::uint32_t blocks = 0;
    std::vector<std::uint8_t> window;
    if (type3) {
        blocks = 1 + parameter % 6;
        window.assign(blocks * host::kDataBlockSize, 0xA5);
        image.transfer.cursor = {0, static_cast<std::uint32_t>(blocks * host::kDataBlockSize - 1),
                                 kStandardBase};
        image.transfer.checksum = 0x1234;
    } else {
        // At most one 64 KB block besides the first 4 KB, so that a whole write fits an input.
        image.blockMask = (parameter & 0x80) != 0 ? static_cast<std::uint8_t>(1u << (1 + parameter % 7)) : 0;
        window.assign(data::FlashImage::kSegmentedWindowSize, 0xFF);
        image.transfer.cursor.unit = data::FlashImage::kSegmentedBaseAddress;
    }
    const ResultCode result = type3 ? exchangeType3Image(run.link, run.status, image, window)
                                    : exchangeType4Image(run.link, run.status, image, window);
    if (result != ResultCode::Ok) {
        return;
    }
    const std::set<std::uint32_t> addresses = blockAddresses(run, host::kCommandSegmented);
    host::Buffer out;
    std::size_t lastLength = 0;
    if (type3) {
        check(sentEveryBlock(addresses, kStandardBase, blocks));
        lastLength = host::buildType3Checksum(out, host::kHostPcAddress, 0x1234);
        // From the write start to the checksum, one acknowledgement per block
        // sent: the first block goes twice.
        std::size_t writeStart = 0;
        while (run.line.sent[writeStart][5] != 0x22) {
            ++writeStart;
        }
        check(run.countDelivered(writeStart, run.line.sent.size() - 1, isType3Acknowledgement) == blocks + 1);
    } else {
        check(sentEveryBlock(addresses, data::FlashImage::kSegmentedBaseAddress,
                             0x1000 / host::kDataBlockSize));
        for (std::uint32_t i = 1; i < 8; ++i) {
            if ((image.blockMask & (1u << i)) != 0) {
                check(sentEveryBlock(
                    addresses, data::FlashImage::kSegmentedBaseAddress + i * data::FlashImage::kBlockSize,
                    data::FlashImage::kBlockSize / host::kDataBlockSize));
            }
        }
        lastLength = host::buildType4EndOfWrite(out, host::kHostPcAddress);
    }
    check(run.line.sent.back() ==
          Message(out.begin(), out.begin() + static_cast<std::ptrdiff_t>(lastLength)));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2) {
        return 0;
    }
    Run run;
    run.queue(std::span<const std::uint8_t>(data + 2, size - 2));
    switch (static_cast<Sequence>(data[0] % 4)) {
        case Sequence::Read:
            runRead(run, data[1]);
            break;
        case Sequence::Generic:
            runGeneric(run, data[1]);
            break;
        case Sequence::Type3:
            runSegmented(run, true, data[1]);
            break;
        case Sequence::Type4:
            runSegmented(run, false, data[1]);
            break;
    }
    // Every message sent is whole, and at most one answers each reply
    // (beyond the first of an exchange and a transfer's write start and first block).
    for (const Message& message : run.line.sent) {
        check(!message.empty() && message.size() <= host::kBufferSize && message[0] + 1u == message.size());
    }
    check(run.line.sent.size() <= run.line.delivered.size() + 3);
    return 0;
}
