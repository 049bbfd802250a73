#include "ReplyReading.h"

namespace engine::trace {

namespace {

// The reads of a version ask for one word; ID and block reads for any other count.
constexpr std::uint16_t kVersionWordLength = 2;

bool isReadBackRequest(const host::HostMessage& message, std::uint16_t count) {
    return message.command == host::kCommandRead32 && message.receiver == host::kReadBackTarget &&
           message.address >= host::kReadBackAddress &&
           message.address < host::kReadBackAddress + host::kReadBackLength && count == host::kDataBlockSize;
}

}  // namespace

void ReplyReplay::noteSent(const host::HostMessage& message) {
    if (message.receiver == host::kBroadcastTarget) {
        return;  // boot-mode broadcasts wait for nothing
    }
    ownAddress_ = message.sender;
    if (message.kind == host::kKindReadRequest) {
        const std::uint16_t count = host::payloadWord(message.payload, 0);
        if (isReadBackRequest(message, count)) {
            // The preserved area is read while the erase of a write waits.
            step_ = Step::Erase;
            target_ = message.receiver;
            readsBack_ = true;
            readBackAddress_ = message.address;
            return;
        }
        step_ = Step::Read;
        read_ = {message.receiver, message.address, count, count != kVersionWordLength};
        return;
    }
    switch (message.command) {
        case host::kCommandStatus:
            if (message.address == host::kEraseRegister) {
                // After the last piece of the area the erase goes out, and
                // the sequence still takes that piece again.
                readsBack_ = step_ == Step::Erase && readsBack_ && target_ == message.receiver;
                target_ = message.receiver;
                step_ = Step::Erase;
            } else if (message.address == host::kChecksumRegister) {
                target_ = message.receiver;
                step_ = Step::Checksum;
            }
            return;
        case host::kCommandData32:
            target_ = message.receiver;
            cursor_ = message.address + host::kDataBlockSize;
            step_ = Step::Block;
            return;
        case host::kCommandSegmented:
            break;
        default:
            return;
    }
    if (message.receiver != host::kSegmentedTarget) {
        return;
    }
    if (host::isSegmentedDataBlock(message)) {
        const std::uint32_t address = host::segmentedBlockAddress(message);
        if (type4_) {
            cursor_ = address + host::kDataBlockSize;
            step_ = Step::Type4Blocks;
        } else {
            cursor_ = firstType3Block_ ? address : address + host::kDataBlockSize;
            firstType3Block_ = false;
            step_ = Step::Type3Blocks;
        }
        return;
    }
    switch (message.address) {
        case host::kSelectRegister:  // a type-3 select, or the echo of its word
            type4_ = false;
            step_ = Step::Type3Select;
            break;
        case host::kType4SelectRegister:
            type4_ = true;
            step_ = Step::Type4Select;
            break;
        case host::kType3WriteStartRegister:
            firstType3Block_ = true;
            step_ = Step::Type3Blocks;
            break;
        case host::kType4WriteStartRegister:
            step_ = Step::Type4Blocks;
            break;
        case host::kChecksumRegister:  // the type-3 checksum, or the type-4 end of write
            step_ = type4_ ? Step::Type4EndOfWrite : Step::Type3Checksum;
            break;
        default:
            break;
    }
}

bool ReplyReplay::answersStep(Step step, const host::HostMessage& message) const {
    switch (step) {
        case Step::Nothing:
            return false;
        case Step::Read:
            return answers::answersRead(message, read_);
        case Step::Erase:
            return host::isStatusReply(message, target_) ||
                   (readsBack_ && answers::isReadBackPiece(message, target_, readBackAddress_));
        case Step::Block:
        case Step::Checksum:
            return host::isStatusReply(message, target_);
        case Step::Type3Select:
            return answers::isType3SelectReply(message);
        case Step::Type3Blocks:
            return answers::isBlockAcknowledgement(message);
        case Step::Type3Checksum:
            return host::isSegmentedReply(message);
        case Step::Type4Select:
        case Step::Type4Blocks:
        case Step::Type4EndOfWrite:
            return answers::isType4Message(message);
    }
    return false;
}

void ReplyReplay::end(ReplyReading& reading, bool failed) {
    reading.ended = true;
    reading.failed = failed;
    ended_ = step_;
    step_ = Step::Nothing;
}

ReplyReading ReplyReplay::read(const host::HostMessage& message) {
    ReplyReading reading;
    if (message.receiver != ownAddress_) {
        return reading;  // the link hands on only what is addressed to the PC
    }
    if (!answersStep(step_, message)) {
        reading.late = step_ == Step::Nothing && answersStep(ended_, message);
        return reading;
    }
    reading.taken = true;
    switch (step_) {
        case Step::Nothing:
            break;
        case Step::Read:
            reading.accepted = true;
            end(reading, false);
            break;
        case Step::Erase:
            readErase(message, reading);
            break;
        case Step::Block:
        case Step::Type3Blocks:
            readBlockAnswer(message, reading);
            break;
        case Step::Checksum:
        case Step::Type3Checksum: {
            const bool refused =
                step_ == Step::Checksum ? answers::refuses(message) : answers::wordRefuses(message);
            reading.accepted = true;
            reading.status = answers::checksumAnswerText(refused);
            reading.error = refused ? ResultCode::ChecksumFailed : ResultCode::Ok;
            end(reading, refused);
            break;
        }
        case Step::Type3Select:
        case Step::Type4Select:
            reading.accepted = true;
            if (message.command == host::kCommandSegmented) {
                readSelect(message, reading);
            }
            break;
        case Step::Type4Blocks:
            reading.accepted = true;
            if (answers::isBlockAcknowledgement(message)) {
                readBlockAnswer(message, reading);
            }
            break;
        case Step::Type4EndOfWrite:
            reading.accepted = true;
            if (answers::isType4EndReply(message)) {
                reading.error = answers::wordRefuses(message) ? ResultCode::WriteFailed : ResultCode::Ok;
                end(reading, false);
            }
            break;
    }
    return reading;
}

void ReplyReplay::readErase(const host::HostMessage& message, ReplyReading& reading) {
    if (!host::isStatusReply(message, target_)) {
        // A piece of the preserved area: no answer yet, only the next
        // request, or after the last piece the erase.
        reading.answers = true;
        return;
    }
    reading.accepted = true;
    if (answers::refuses(message)) {
        reading.status = answers::kEraseFailedText;
        reading.error = ResultCode::EraseFailed;
        end(reading, true);
        return;
    }
    // The erase is done; whether blocks follow, the next sent message shows.
    reading.status = answers::kEraseCompletedText;
    ended_ = step_;
    step_ = Step::Nothing;
}

void ReplyReplay::readSelect(const host::HostMessage& message, ReplyReading& reading) {
    switch (answers::selectAnswer(message)) {
        case answers::SelectAnswer::EchoFirst:
            reading.answers = true;  // the echo, or the select of the row the unit names
            break;
        case answers::SelectAnswer::NotIntended:
            reading.status = answers::kNotIntendedText;
            reading.error = ResultCode::WrongTarget;
            end(reading, true);
            break;
        case answers::SelectAnswer::Selected:
            end(reading, false);
            break;
    }
}

void ReplyReplay::readBlockAnswer(const host::HostMessage& message, ReplyReading& reading) {
    reading.accepted = true;
    if (answers::refuses(message)) {
        reading.status = answers::refusedBlockText(cursor_ - host::kDataBlockSize);
        reading.error = ResultCode::WriteFailed;
        end(reading, true);
        return;
    }
    reading.answers = true;  // the next block, or what follows the last one
}

}  // namespace engine::trace
