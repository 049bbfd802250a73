#include "ReplySteps.h"

namespace engine {

namespace {

// Total-bar steps a select that ends the image early (erase only, wrong target) skips.
constexpr std::int32_t kSkippedOverallSteps = 2;

}  // namespace

void answerChecksum(bool rejected, ReplyActions& actions) {
    if (rejected) {
        actions.showStatus("Checksum Failed");
        actions.setSequenceError(ResultCode::ChecksumFailed);
    } else {
        actions.showStatus("Write Completed");
    }
    actions.setPhase(ExchangePhase::Idle, rejected, true);
}

void answerRejectedBlock(std::uint32_t unitCursor, ReplyActions& actions) {
    actions.showStatus("Write Failed (%08XH - %08XH)", unitCursor - host::kDataBlockSize, unitCursor - 1);
    actions.setSequenceError(ResultCode::WriteFailed);
    actions.setPhase(ExchangePhase::Idle, true, true);
}

void answerSelect(bool refused, ReplyActions& actions) {
    if (refused) {
        actions.showStatus("Not the intended object!!");
        actions.setSequenceError(ResultCode::WrongTarget);
        actions.advanceOverall(kSkippedOverallSteps);
    } else {
        actions.setSequenceError(ResultCode::Ok);
    }
    actions.setPhase(ExchangePhase::Idle, refused, true);
}

std::size_t buildSegmentedBlock(host::Buffer& out, BlockCursor& cursor, bool advance,
                                std::span<const std::uint8_t> window) {
    const DataBlock block = blockAt(window, cursor.source);
    const std::uint32_t unitAddress = cursor.unit;
    if (advance) {
        cursor.advance();
    }
    return host::buildSegmentedDataBlock(out, unitAddress, block.data());
}

std::uint16_t payloadWord(std::span<const std::uint8_t> payload, std::size_t at) {
    if (payload.size() < at + 2) {
        return payload.size() > at ? static_cast<std::uint16_t>(payload[at] << 8) : 0;
    }
    return static_cast<std::uint16_t>((payload[at] << 8) | payload[at + 1]);
}

}  // namespace engine
