// libFuzzer target: any sequence of received messages into the reply
// handling of each sequence kind (get version, generic, type 3, type 4), as
// the receive thread routes and carries it out, with the worker's side of
// the sequence played around it. Nothing may crash, and an image may only
// end as written when the replies a real unit gives were seen: every block
// went out, then the checksum (or end of write), each answered.
//
// Input: byte 0 the sequence kind, byte 1 its parameter (blocks, mask or the
// read's address), then records of [repeat][length][message bytes]; each
// message arrives repeat + 1 times.
#include <cstddef>
#include <cstdint>
#include <set>
#include <span>
#include <vector>

#include "data/FlashImage.h"
#include "data/UnitKind.h"
#include "data/WritingPort.h"
#include "engine/ExchangeState.h"
#include "engine/GenericSequence.h"
#include "engine/HostLink.h"
#include "engine/HostMessages.h"
#include "engine/ReplyActions.h"
#include "engine/ReplyDispatcher.h"
#include "engine/ResultCode.h"
#include "engine/TransferRecords.h"
#include "engine/Type3Sequence.h"
#include "engine/Type4Sequence.h"

namespace {

using namespace engine;

constexpr std::uint8_t kUnitTarget = 0x01;
constexpr std::uint32_t kStandardBase = 0x200000;
constexpr std::size_t kMostDeliveries = 4096;

enum class Sequence { GetVersion, Generic, Type3, Type4 };

// The received messages of the input, one after another.
class Replies {
  public:
    explicit Replies(std::span<const std::uint8_t> records) : records_(records) {}
    // The next message; false once the input is used up (the line stays silent).
    bool next(std::span<const std::uint8_t>& message) {
        if (repeats_ > 0 && deliveries_ < kMostDeliveries) {
            --repeats_;
            ++deliveries_;
            message = current_;
            return true;
        }
        if (records_.size() < 2 || deliveries_ >= kMostDeliveries)
            return false;
        repeats_ = records_[0];
        const std::size_t length = std::min<std::size_t>(records_[1], records_.size() - 2);
        current_ = records_.subspan(2, length);
        records_ = records_.subspan(2 + length);
        ++deliveries_;
        message = current_;
        return true;
    }

  private:
    std::span<const std::uint8_t> records_;
    std::span<const std::uint8_t> current_;
    std::size_t repeats_ = 0;
    std::size_t deliveries_ = 0;
};

// The engine's side of one sequence: the exchange fields, the transfer
// records, the window, and what went out.
struct Run {
    Sequence sequence = Sequence::GetVersion;
    data::UnitKind unit = data::UnitKind::Generic;
    ExchangeSnapshot exchange;
    bool errorFlag = false;
    ResultCode sequenceError = ResultCode::Ok;
    GenericTransfer generic;
    ImageTransfer type3;
    SegmentTransfer type4;
    std::vector<std::uint8_t> window;
    std::vector<std::uint8_t> replyBuffer;
    std::vector<std::vector<std::uint8_t>> sent;
    std::vector<host::HostMessage> acceptedReads;  // read replies that ended a read
    std::vector<std::vector<std::uint8_t>> acceptedPayloads;
    std::size_t acceptedAnswers = 0;  // replies that counted, of a write

    void carryOut(const ReplyActions& actions) {
        int sends = 0;
        for (const ReplyAction& step : actions.steps()) {
            if (step.text().size() >= ReplyAction::kTextCapacity)
                __builtin_trap();
            switch (step.step) {
                case ReplyStep::SetPhase:
                    exchange.phase = step.phase;
                    errorFlag = step.error;
                    break;
                case ReplyStep::SetSequenceError:
                    sequenceError = step.result;
                    break;
                case ReplyStep::Send: {
                    ++sends;
                    const auto message = actions.message();
                    if (message.empty() || message.size() > host::kBufferSize ||
                        message[0] + 1u != message.size())
                        __builtin_trap();
                    sent.emplace_back(message.begin(), message.end());
                    break;
                }
                default:
                    break;
            }
        }
        // A handler sends at most one message per reply.
        if (sends > 1)
            __builtin_trap();
    }

    void deliver(std::span<const std::uint8_t> bytes) {
        const std::optional<host::HostMessage> message = host::parseMessage(bytes);
        if (!message)
            return;
        ReplyActions actions;
        switch (routeOf(*message, exchange, data::WritingPort::HostInterface, unit)) {
            case ReplyRoute::Read: {
                actions = answerRead(exchange, *message, replyBuffer);
                if (!actions.empty()) {
                    acceptedReads.push_back(*message);
                    acceptedPayloads.emplace_back(message->payload.begin(), message->payload.end());
                }
                break;
            }
            case ReplyRoute::GenericStatus:
                actions = answerGenericStatus(generic, exchange, *message, window);
                break;
            case ReplyRoute::ReadBack:
                actions = answerReadBack(generic, exchange, *message, window);
                break;
            case ReplyRoute::Type3:
                actions = answerType3(type3, exchange, *message, window);
                break;
            case ReplyRoute::Type4:
                actions = answerType4(type4, exchange, *message, window);
                break;
            case ReplyRoute::Drop:
                return;
        }
        for (const ReplyAction& step : actions.steps()) {
            if (step.step == ReplyStep::Accept) {
                // Only the unit the exchange is with is ever heard.
                const std::uint8_t expected = sequence == Sequence::Type3 || sequence == Sequence::Type4
                                                  ? host::kSegmentedTarget
                                                  : exchange.targetAddress;
                if (message->sender != expected || message->receiver != exchange.ownAddress)
                    __builtin_trap();
                ++acceptedAnswers;
            }
        }
        carryOut(actions);
    }

    // The worker's wait: replies until the exchange is over or the line is silent.
    bool exchangeEnds(Replies& replies) {
        std::span<const std::uint8_t> message;
        while (exchange.phase != ExchangePhase::Idle) {
            if (!replies.next(message))
                return false;
            deliver(message);
        }
        return true;
    }

    bool succeeded() const { return !errorFlag && sequenceError == ResultCode::Ok; }
};

// The unit addresses of the data blocks that went out, in order.
std::vector<std::uint32_t> blockAddresses(const Run& run, std::uint8_t command) {
    std::vector<std::uint32_t> addresses;
    for (const auto& message : run.sent) {
        if (message.size() == 136 && (message[1] & host::kCommandMask) == command) {
            std::uint32_t address = (std::uint32_t{message[4]} << 24) | (std::uint32_t{message[5]} << 16) |
                                    (std::uint32_t{message[6]} << 8) | message[7];
            // Segmented blocks carry 0x80 in their first address byte.
            if (command == host::kCommandSegmented)
                address &= 0x00FFFFFF;
            addresses.push_back(address);
        }
    }
    return addresses;
}

// Every block from first in steps of 128, count of them, went out.
bool sentEveryBlock(const std::vector<std::uint32_t>& addresses, std::uint32_t first, std::uint32_t count) {
    const std::set<std::uint32_t> seen(addresses.begin(), addresses.end());
    for (std::uint32_t i = 0; i < count; ++i) {
        if (seen.count(first + i * host::kDataBlockSize) == 0)
            return false;
    }
    return true;
}

void runGetVersion(Run& run, std::uint8_t parameter, Replies& replies) {
    run.exchange.request = RequestKind::VersionRead;
    run.exchange.phase = ExchangePhase::Transfer;
    run.exchange.pendingAddress = 0x0100u + parameter;
    run.exchange.pendingLength = 2;
    run.replyBuffer.assign(run.exchange.pendingLength, 0);
    if (!run.exchangeEnds(replies))
        return;
    // The read ended: by the answer to the request in flight, whose bytes are now the version.
    if (run.acceptedReads.size() != 1)
        __builtin_trap();
    const host::HostMessage& answer = run.acceptedReads.front();
    if (answer.sender != run.exchange.targetAddress || answer.address != run.exchange.pendingAddress ||
        run.acceptedPayloads.front() != run.replyBuffer || answer.kind != host::kKindReadReply)
        __builtin_trap();
}

void runGeneric(Run& run, std::uint8_t parameter, Replies& replies) {
    const std::uint32_t blocks = 1 + parameter % 6;
    run.window.assign(blocks * host::kDataBlockSize, 0x5A);
    run.exchange.request = RequestKind::Write;
    run.exchange.phase = ExchangePhase::Erase;  // the erase request is out
    run.generic.image.cursor = {0, static_cast<std::uint32_t>(blocks * host::kDataBlockSize - 1), kStandardBase};
    run.generic.image.checksum = 0xBEEF;
    if (!run.exchangeEnds(replies) || !run.succeeded())
        return;
    // Written: the erase, each block and the checksum were answered, in that order.
    if (!sentEveryBlock(blockAddresses(run, host::kCommandData32), kStandardBase, blocks))
        __builtin_trap();
    host::Buffer checksum{};
    const std::size_t length =
        host::buildChecksumRequest(checksum, run.exchange.ownAddress, run.exchange.targetAddress, 0xBEEF);
    if (run.sent.empty() ||
        run.sent.back() != std::vector<std::uint8_t>(checksum.begin(), checksum.begin() + length))
        __builtin_trap();
    if (run.acceptedAnswers != blocks + 2)
        __builtin_trap();
}

void runSegmented(Run& run, std::uint8_t parameter, Replies& replies) {
    const bool type3 = run.sequence == Sequence::Type3;
    run.exchange.request = RequestKind::Write;
    run.exchange.phase = ExchangePhase::Erase;  // the select is out
    std::uint32_t blocks = 0;
    std::uint8_t mask = 0;
    if (type3) {
        blocks = 1 + parameter % 6;
        run.window.assign(blocks * host::kDataBlockSize, 0xA5);
        run.type3.cursor = {0, static_cast<std::uint32_t>(blocks * host::kDataBlockSize - 1), kStandardBase};
        run.type3.checksum = 0x1234;
    } else {
        // At most one 64 KB block besides the first 4 KB, so that a whole write fits an input.
        mask = (parameter & 0x80) != 0 ? static_cast<std::uint8_t>(1u << (1 + parameter % 7)) : 0;
        run.window.assign(data::FlashImage::kSegmentedWindowSize, 0xFF);
        run.window[data::FlashImage::kBlockMaskOffset] = mask;
        run.type4.cursor.unit = data::FlashImage::kSegmentedBaseAddress;
        run.type4.cursor.source = 0;
        run.type4.blockMask = mask;
    }
    if (!run.exchangeEnds(replies) || !run.succeeded())
        return;
    const std::size_t answersToSelect = run.acceptedAnswers;
    // The worker: write start, then the first block; the acknowledgements send the rest.
    run.exchange.phase = ExchangePhase::Transfer;
    run.errorFlag = false;
    host::Buffer first{};
    BlockCursor& cursor = type3 ? run.type3.cursor : run.type4.cursor;
    const DataBlock block = blockAt(run.window, cursor.source);
    const std::size_t length = host::buildSegmentedDataBlock(first, cursor.unit, block.data());
    run.sent.emplace_back(first.begin(), first.begin() + length);
    if (!type3)
        cursor.advance();
    if (!run.exchangeEnds(replies) || !run.succeeded())
        return;

    const std::vector<std::uint32_t> addresses = blockAddresses(run, host::kCommandSegmented);
    host::Buffer last{};
    std::size_t lastLength = 0;
    if (type3) {
        if (!sentEveryBlock(addresses, kStandardBase, blocks))
            __builtin_trap();
        lastLength = host::buildType3Checksum(last, run.exchange.ownAddress, 0x1234);
        // The first block is sent again on its acknowledgement: blocks + 1 acknowledgements and the checksum.
        if (run.acceptedAnswers - answersToSelect != blocks + 2)
            __builtin_trap();
    } else {
        const std::uint32_t firstSegmentBlocks = 0x1000 / host::kDataBlockSize;
        if (!sentEveryBlock(addresses, data::FlashImage::kSegmentedBaseAddress, firstSegmentBlocks))
            __builtin_trap();
        for (int i = 1; i < 8; ++i) {
            if ((mask & (1u << i)) != 0 &&
                !sentEveryBlock(addresses,
                                data::FlashImage::kSegmentedBaseAddress + i * data::FlashImage::kBlockSize,
                                data::FlashImage::kBlockSize / host::kDataBlockSize))
                __builtin_trap();
        }
        lastLength = host::buildType4EndOfWrite(last, run.exchange.ownAddress);
    }
    if (run.sent.empty() ||
        run.sent.back() != std::vector<std::uint8_t>(last.begin(), last.begin() + lastLength))
        __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2)
        return 0;
    Run run;
    run.sequence = static_cast<Sequence>(data[0] % 4);
    run.exchange.ownAddress = host::kHostPcAddress;
    run.exchange.targetAddress = run.sequence == Sequence::Type3 || run.sequence == Sequence::Type4
                                     ? host::kSegmentedTarget
                                     : kUnitTarget;
    run.unit = run.sequence == Sequence::Type3   ? data::UnitKind::Type3
               : run.sequence == Sequence::Type4 ? data::UnitKind::Type4
                                                 : data::UnitKind::Generic;
    Replies replies(std::span<const std::uint8_t>(data + 2, size - 2));
    switch (run.sequence) {
        case Sequence::GetVersion:
            runGetVersion(run, data[1], replies);
            break;
        case Sequence::Generic:
            runGeneric(run, data[1], replies);
            break;
        case Sequence::Type3:
        case Sequence::Type4:
            runSegmented(run, data[1], replies);
            break;
    }
    return 0;
}
