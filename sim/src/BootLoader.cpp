#include "sim/BootLoader.h"

#include <cstdio>

#include "cmpak.h"

namespace sim {

std::uint8_t BootLoader::checkByte(std::span<const std::uint8_t> frameWithoutCheck) {
    std::uint8_t sum = 0;
    for (std::size_t i = 1; i < frameWithoutCheck.size(); ++i) {
        sum = static_cast<std::uint8_t>(sum + frameWithoutCheck[i]);
    }
    return static_cast<std::uint8_t>(~sum);
}

bool BootLoader::plausibleHeader(std::uint8_t count, std::uint8_t command) {
    const std::size_t length = static_cast<std::size_t>(count) + 1;
    switch (command) {
        case kCommandWake:
            return length == kShortestFrame;
        case kCommandBoot:
        case kCommandEraseBlock:
            return length == kShortestFrame + 1;
        case kCommandData:
            return length >= kShortestFrame + 4 && length <= kLongestFrame;
        default:
            return false;
    }
}

std::vector<std::uint8_t> BootLoader::makeFrame(std::vector<std::uint8_t> bytesWithoutCount) {
    std::vector<std::uint8_t> frame;
    frame.reserve(bytesWithoutCount.size() + 2);
    frame.push_back(static_cast<std::uint8_t>(bytesWithoutCount.size() + 1));
    frame.insert(frame.end(), bytesWithoutCount.begin(), bytesWithoutCount.end());
    frame.push_back(checkByte(frame));
    return frame;
}

void BootLoader::answer(const CpuSlot& slot, std::vector<std::uint8_t> bytesWithoutCount, bool refused,
                        std::vector<Reply>& replies) {
    bytesWithoutCount[0] |= refused ? kRefusalFlag : kAnswerFlag;
    Reply reply;
    reply.form = Reply::Form::BootLoaderFrame;
    reply.bytes = makeFrame(std::move(bytesWithoutCount));
    reply.faults = slot.faults();
    reply.faultOwner = slot.cpu;
    replies.push_back(std::move(reply));
}

void BootLoader::handleText(const std::string& command, std::vector<Reply>& replies) {
    const auto slot = state_.firstBootLoader();
    state_.events().add("text")["command"] = command;
    if (!slot || slot->faults().silent) {
        return;
    }
    Reply reply;
    reply.form = Reply::Form::Text;
    reply.faults = slot->faults();
    reply.faultOwner = slot->cpu;
    std::string text;
    if (command == "exit") {
        textMode_ = false;
        text = "exit\r\nBOOT LOADER\r\n";
    } else if (command == "VER") {
        // The echo and the line end, then the number, then the marker, each
        // field ended by a zero byte.
        const std::uint16_t word = slot->cpu->versionWord;
        const int major = ((word >> 8) & 0x0F) + 1;
        const int minor = word & 0x7F;
        const int suffix = (word >> 12) & 0x0F;
        char number[16];
        std::snprintf(number, sizeof number, "%d.%02d", major, minor);
        std::string marker;
        if (suffix == 15) {
            marker = "R";
        } else {
            if (suffix != 0) {
                marker = "S";
                marker += "0123456789ABCDEF"[suffix];
            }
            if (word & 0x80) {
                marker += "X";
            }
        }
        text = std::string("VER\r\n") + '\0' + number + '\0' + marker + '\0';
    } else {
        text = command + "\r\n?\r\n";
    }
    reply.bytes.assign(text.begin(), text.end());
    replies.push_back(std::move(reply));
}

void BootLoader::handleFrame(std::span<const std::uint8_t> frame, std::vector<Reply>& replies) {
    if (frame.size() < 4) {
        return;
    }
    const std::uint8_t command = frame[1];
    const std::uint8_t target = frame[2];
    if (command == kCommandWake) {
        state_.events().add("wake");
        return;
    }
    const auto slot = state_.bootLoaderAt(target);
    if (!slot) {
        auto& event = state_.events().add("unanswered");
        event["target"] = target;
        event["command"] = command;
        return;
    }
    const FaultSwitches faults = slot->faults();
    if (faults.silent) {
        return;
    }
    Staging& staging = staging_[target];
    const std::string label = state_.cpuLabel(*slot);

    if (command == kCommandBoot && frame.size() == 5) {
        const bool enter = frame[3] != 0;
        if (!enter) {
            // Leaving the loader starts the firmware: each CPU written since
            // boot mode was entered checks its blocks first.
            for (auto& [writtenTarget, written] : staging_) {
                if (const auto writtenSlot = state_.bootLoaderAt(writtenTarget)) {
                    verifyAtLeave(*writtenSlot, written);
                }
            }
        }
        state_.bootMode = enter;
        // The text console is gone while the loader runs and back after it.
        textMode_ = !enter;
        auto& event = state_.events().add(enter ? "boot-enter" : "boot-leave");
        event["cpu"] = label;
        answer(*slot, {command, target, frame[3]}, false, replies);
        return;
    }
    if (command == kCommandEraseBlock && frame.size() == 5) {
        const int number = frame[3];
        const int block = number == 0 ? 0 : number >= kFirstSegmentEraseBlock ? number - 3 : -1;
        bool ok = state_.bootMode && !faults.rejectErase && block >= 0 && slot->flash->eraseBlock(block);
        auto& event = state_.events().add("erase-block");
        event["cpu"] = label;
        event["number"] = number;
        event["ok"] = ok;
        if (!state_.bootMode) {
            event["refused"] = "not in boot mode";
        } else if (faults.rejectErase) {
            event["fault"] = "reject-erase";
        }
        if (ok) {
            staging.chunksSinceErase = 0;
        }
        answer(*slot, {command, target, frame[3]}, !ok, replies);
        return;
    }
    if (command != kCommandData || frame.size() < 8) {
        return;
    }
    const std::uint32_t address =
        (static_cast<std::uint32_t>(frame[3]) << 24) | (frame[4] << 16) | (frame[5] << 8) | frame[6];
    const std::span<const std::uint8_t> data = frame.subspan(7, frame.size() - 8);
    if (data.empty()) {
        if (address & kCompressedMark) {
            chunkDone(*slot, staging, address & ~kCompressedMark, replies);
        }
        return;
    }
    if (address & kCompressedMark) {
        const std::size_t offset = address & ~kCompressedMark;
        if (offset + data.size() > staging.bytes.size()) {
            state_.events().add("piece-refused")["offset"] = offset;
            return;
        }
        std::copy(data.begin(), data.end(), staging.bytes.begin() + static_cast<long>(offset));
        staging.length = std::max(staging.length, offset + data.size());
        return;
    }
    // A chunk that did not compress arrives as plain pieces at unit addresses.
    const bool ok = state_.bootMode && slot->flash->write(address, data);
    staging.writtenSinceBoot = staging.writtenSinceBoot || ok;
    if (!ok) {
        auto& event = state_.events().add("piece-refused");
        event["cpu"] = label;
        event["address"] = address;
    } else if ((address & (kChunkSize - 1)) + data.size() >= kChunkSize) {
        auto& event = state_.events().add("chunk");
        event["cpu"] = label;
        event["address"] = address & ~static_cast<std::uint32_t>(kChunkSize - 1);
        event["compressed"] = false;
        event["ok"] = true;
    }
}

void BootLoader::chunkDone(const CpuSlot& slot, Staging& staging, std::uint32_t address,
                           std::vector<Reply>& replies) {
    std::array<std::uint8_t, kChunkSize> chunk{};
    const int number = ++staging.chunksSinceErase;
    const FaultSwitches faults = slot.faults();
    const std::int32_t size =
        DecompressBounded(staging.bytes.data(), static_cast<std::uint32_t>(staging.length), chunk.data(),
                          static_cast<std::uint32_t>(chunk.size()));
    bool ok = state_.bootMode && size > 0 && faults.rejectBlock != number &&
              slot.flash->write(address,
                                std::span<const std::uint8_t>(chunk.data(), static_cast<std::size_t>(size)));
    staging.writtenSinceBoot = staging.writtenSinceBoot || ok;
    auto& event = state_.events().add("chunk");
    event["cpu"] = state_.cpuLabel(slot);
    event["address"] = address;
    event["compressed"] = true;
    event["streamBytes"] = staging.length;
    event["size"] = size;
    event["ok"] = ok;
    if (faults.rejectBlock == number) {
        event["fault"] = "reject-block";
    }
    staging.length = 0;
    const std::uint32_t echoed = address | kChunkDoneMark;
    answer(slot,
           {kCommandData, slot.cpu->busAddress, static_cast<std::uint8_t>(echoed >> 24),
            static_cast<std::uint8_t>(echoed >> 16), static_cast<std::uint8_t>(echoed >> 8),
            static_cast<std::uint8_t>(echoed)},
           !ok, replies);
}

void BootLoader::verifyAtLeave(const CpuSlot& slot, Staging& staging) {
    if (!staging.writtenSinceBoot) {
        return;
    }
    staging.writtenSinceBoot = false;
    int badBlock = 0;
    const bool ok = slot.flash->blockTableMatches(badBlock) && !slot.faults().rejectChecksum;
    auto& event = state_.events().add("verify");
    event["cpu"] = state_.cpuLabel(slot);
    event["ok"] = ok;
    if (!ok) {
        event["badBlock"] = badBlock;
    }
    if (ok) {
        state_.takeVersionFrom(slot);
    }
}

}  // namespace sim
