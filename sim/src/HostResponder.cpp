#include "sim/HostResponder.h"

#include <bit>

namespace sim {

namespace {

std::uint16_t word(std::span<const std::uint8_t> bytes, std::size_t at) {
    return static_cast<std::uint16_t>((bytes[at] << 8) | bytes[at + 1]);
}

std::string hex(std::uint32_t value, int digits) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string text(static_cast<std::size_t>(digits), '0');
    for (int i = digits - 1; i >= 0; --i) {
        text[static_cast<std::size_t>(i)] = kDigits[value & 0xF];
        value >>= 4;
    }
    return "0x" + text;
}

}  // namespace

void HostResponder::handle(std::span<const std::uint8_t> message, std::vector<Reply>& replies) {
    if (message.size() < 6) {
        return;  // keep-alive frames and other short messages carry no request
    }
    const std::size_t length = std::min<std::size_t>(message.size(), message[0] + 1u);
    message = message.first(length);

    Request request;
    request.command = message[1] & kCommandMask;
    request.kind = message[1] & kKindMask;
    request.sender = message[2];
    request.target = message[3];
    const bool longAddress = request.kind == kKindReadRequest ? request.command > kCommandStatus
                                                              : (request.command == kCommandLongRead ||
                                                                 request.command == kCommandDataBlock);
    const std::size_t addressLength = longAddress ? 4 : 2;
    if (message.size() < 4 + addressLength) {
        return;
    }
    for (std::size_t i = 0; i < addressLength; ++i) {
        request.address = (request.address << 8) | message[4 + i];
    }
    request.payload = message.subspan(4 + addressLength);

    if (request.kind == kKindReadRequest) {
        handleRead(request, replies);
        return;
    }
    if (request.target == kBroadcastTarget) {
        handleBroadcast(request);
        return;
    }
    if (request.target == kSelectDevice && state_.hasSelectableUnits()) {
        handleSelectDevice(request, replies);
        return;
    }
    if (const auto slot = state_.genericAt(request.target)) {
        handleGeneric(request, *slot, replies);
        return;
    }
    auto& event = state_.events().add("unanswered");
    event["target"] = request.target;
    event["command"] = request.command;
}

Reply HostResponder::makeReply(const Request& request, std::uint8_t commandByte, std::uint32_t address,
                               bool longAddress, std::span<const std::uint8_t> payload,
                               const FaultSwitches& faults, const void* owner) const {
    Reply reply;
    reply.form = Reply::Form::HostMessage;
    reply.faults = faults;
    reply.faultOwner = owner;
    std::vector<std::uint8_t>& bytes = reply.bytes;
    bytes.push_back(0);
    bytes.push_back(commandByte);
    bytes.push_back(request.target);
    bytes.push_back(request.sender);
    const int addressLength = longAddress ? 4 : 2;
    for (int i = addressLength - 1; i >= 0; --i) {
        bytes.push_back(static_cast<std::uint8_t>(address >> (8 * i)));
    }
    bytes.insert(bytes.end(), payload.begin(), payload.end());
    bytes[0] = static_cast<std::uint8_t>(bytes.size() - 1);
    return reply;
}

Reply HostResponder::statusReply(const Request& request, std::uint8_t result, const CpuSlot& slot) const {
    const std::uint8_t payload[] = {result};
    return makeReply(request, kCommandStatus, kAddressStatus, false, payload, slot.faults(), slot.cpu);
}

void HostResponder::handleRead(const Request& request, std::vector<Reply>& replies) {
    if (request.payload.size() < 2) {
        return;
    }
    const std::size_t count = word(request.payload, 0);
    const bool longAddress = request.command > kCommandStatus;
    const std::size_t overhead = 1 + 3 + (longAddress ? 4 : 2);
    if (count == 0 || overhead + count > 256) {
        auto& event = state_.events().add("read-refused");
        event["address"] = request.address;
        event["count"] = count;
        return;
    }
    std::vector<std::uint8_t> payload(count, 0xFF);
    const std::uint8_t replyCommand = kKindReadReply | request.command;

    // A long read addressed to a flash device reads its flash (the read-back
    // of a preserved area before erasing).
    if (longAddress) {
        if (const auto slot = state_.genericAt(request.target);
            slot && slot->flash->contains(request.address, count)) {
            const FaultSwitches faults = slot->faults();
            if (faults.silent) {
                return;
            }
            slot->flash->read(request.address, count, payload.data());
            auto& event = state_.events().add("flash-read");
            event["cpu"] = state_.cpuLabel(*slot);
            event["address"] = request.address;
            event["count"] = count;
            replies.push_back(
                makeReply(request, replyCommand, request.address, true, payload, faults, slot->cpu));
            return;
        }
    }
    const bool answersReads = request.target == state_.description().connectionPoint ||
                              (request.target == kSelectDevice && state_.hasSelectableUnits());
    if (!answersReads || request.address + count - 1 > 0xFFFF) {
        return;
    }
    const RegisterByte* owner = nullptr;
    std::vector<RegisterByte> bytes(count);
    for (std::size_t i = 0; i < count; ++i) {
        if (const auto found = state_.registerByte(static_cast<std::uint16_t>(request.address + i))) {
            bytes[i] = *found;
            payload[i] = found->value;
            if (owner == nullptr) {
                owner = &bytes[i];
            }
        }
    }
    if (owner == nullptr) {
        return;  // no unit of this console holds the address
    }
    FaultSwitches faults = owner->unit->faults;
    if (owner->cpu != nullptr) {
        faults = FaultSwitches::merged(faults, owner->cpu->faults);
    }
    if (faults.silent) {
        return;
    }
    auto& event = state_.events().add("read");
    event["target"] = request.target;
    event["address"] = request.address;
    event["count"] = count;
    replies.push_back(makeReply(request, replyCommand, request.address, longAddress, payload, faults,
                                owner->cpu != nullptr ? static_cast<const void*>(owner->cpu)
                                                      : static_cast<const void*>(owner->unit)));
}

void HostResponder::handleBroadcast(const Request& request) {
    if (request.command != kCommandSelect && request.command != kCommandBootLeave) {
        return;
    }
    const std::uint8_t value = static_cast<std::uint8_t>(request.address >> 8);
    state_.bootMode = request.command == kCommandSelect;
    auto& event = state_.events().add("broadcast");
    event["command"] = request.command;
    event["value"] = value;
    event["bootMode"] = state_.bootMode;
}

std::uint8_t HostResponder::writeBlock(const CpuSlot& slot, std::uint32_t address,
                                       std::span<const std::uint8_t> data) {
    const FaultSwitches faults = slot.faults();
    const int number = ++slot.flash->blocksSinceErase;
    const bool refused = faults.rejectBlock == number;
    const bool written = !refused && slot.flash->write(address, data);
    auto& event = state_.events().add("block");
    event["cpu"] = state_.cpuLabel(slot);
    event["address"] = address;
    event["number"] = number;
    event["ok"] = written;
    if (refused) {
        event["fault"] = "reject-block";
    }
    return written ? 0 : 1;
}

void HostResponder::handleGeneric(const Request& request, const CpuSlot& slot, std::vector<Reply>& replies) {
    const FaultSwitches faults = slot.faults();
    if (faults.silent) {
        return;
    }
    if (request.command == kCommandDataBlock) {
        if (request.payload.size() < kBlockSize) {
            return;
        }
        replies.push_back(
            statusReply(request, writeBlock(slot, request.address, request.payload.first(kBlockSize)), slot));
        return;
    }
    if (request.command != kCommandStatus) {
        return;
    }
    if (request.address == kAddressErase) {
        // A flash device takes an erase only in boot mode, entered by the broadcast.
        const bool ok = state_.bootMode && !faults.rejectErase;
        if (ok) {
            slot.flash->eraseAll();
        }
        auto& event = state_.events().add("erase");
        event["cpu"] = state_.cpuLabel(slot);
        event["ok"] = ok;
        if (!state_.bootMode) {
            event["refused"] = "not in boot mode";
        } else if (faults.rejectErase) {
            event["fault"] = "reject-erase";
        }
        replies.push_back(statusReply(request, ok ? 0 : 1, slot));
    } else if (request.address == kAddressChecksum && request.payload.size() >= 2) {
        const std::uint16_t expected = word(request.payload, 0);
        const std::uint16_t computed = slot.flash->windowChecksum();
        const bool ok = expected == computed && !faults.rejectChecksum;
        auto& event = state_.events().add("checksum");
        event["cpu"] = state_.cpuLabel(slot);
        event["expected"] = hex(expected, 4);
        event["computed"] = hex(computed, 4);
        event["ok"] = ok;
        if (faults.rejectChecksum) {
            event["fault"] = "reject-checksum";
        }
        if (ok) {
            state_.takeVersionFrom(slot);
        }
        replies.push_back(statusReply(request, ok ? 0 : 1, slot));
    }
}

void HostResponder::handleSelectDevice(const Request& request, std::vector<Reply>& replies) {
    if (request.command == kCommandDataBlock) {
        // A generic-form block to 0x13 is not part of this device's protocol.
        return;
    }
    if (request.command != kCommandSelect) {
        return;
    }
    const std::uint8_t high = static_cast<std::uint8_t>(request.address >> 8);
    if (high == kSelectDataBlockMark) {
        handleSelectBlock(request, replies);
        return;
    }
    switch (request.address) {
        case kAddressSelect3:
            handleSelect(request, SimUnit::kTypeSelect3, replies);
            break;
        case kAddressSelect4:
            handleSelect(request, SimUnit::kTypeSelect4, replies);
            break;
        case kAddressWriteStart3:
        case kAddressWriteStart4: {
            const int kind =
                request.address == kAddressWriteStart3 ? SimUnit::kTypeSelect3 : SimUnit::kTypeSelect4;
            const bool matches = selection_.unitKind == kind && request.payload.size() >= 2 &&
                                 word(request.payload, 0) == (1u << selection_.cpuIndex);
            if (const auto slot = state_.selectable(kind, selection_.cpuIndex); slot && matches) {
                slot->flash->blocksSinceErase = 0;
                state_.events().add("write-start")["cpu"] = state_.cpuLabel(*slot);
            } else {
                state_.events().add("write-start-refused")["kind"] = kind;
            }
            break;
        }
        case kAddressChecksum:
            handleSelectFinish(request, replies);
            break;
        default:
            break;
    }
}

void HostResponder::handleSelect(const Request& request, int unitKind, std::vector<Reply>& replies) {
    if (request.payload.size() < 2) {
        return;
    }
    const std::uint16_t value = word(request.payload, 0);
    const std::uint16_t addressField = unitKind == SimUnit::kTypeSelect3 ? kAddressSelect3 : kAddressSelect4;
    // The type-3 echo has the form of a select that carries the echo value.
    const bool echo = selection_.awaitingEcho && selection_.unitKind == unitKind &&
                      (unitKind == SimUnit::kTypeSelect3 ? value == selection_.echoValue
                                                         : value == (1u << selection_.cpuIndex));
    int cpuIndex = echo ? selection_.cpuIndex : -1;
    if (!echo && std::popcount(value) == 1) {
        cpuIndex = std::countr_zero(value);
    }
    std::optional<CpuSlot> slot;
    if (cpuIndex >= 0) {
        slot = state_.selectable(unitKind, cpuIndex);
    }
    const auto answer = [&](std::uint16_t x, std::uint16_t y, const FaultSwitches& faults,
                            const void* owner) {
        const std::uint8_t payload[] = {static_cast<std::uint8_t>(x >> 8), static_cast<std::uint8_t>(x),
                                        static_cast<std::uint8_t>(y >> 8), static_cast<std::uint8_t>(y)};
        replies.push_back(makeReply(request, kCommandSelect, addressField, false, payload, faults, owner));
    };
    auto& event = state_.events().add(echo ? "select-echo" : "select");
    event["kind"] = unitKind;
    event["mask"] = value;
    if (!slot || slot->cpu->idByte == 0xFF) {
        // Nothing of that kind and index here: "not the intended object".
        event["result"] = "wrong-target";
        selection_ = Selection{};
        if (slot && slot->faults().silent) {
            return;
        }
        answer(0, 1, FaultSwitches{}, nullptr);
        return;
    }
    const FaultSwitches faults = slot->faults();
    event["cpu"] = state_.cpuLabel(*slot);
    if (faults.silent) {
        event["result"] = "silent";
        return;
    }
    if (faults.wrongTarget) {
        event["result"] = "wrong-target";
        event["fault"] = "wrong-target";
        selection_ = Selection{};
        answer(0, 1, faults, slot->cpu);
        return;
    }
    if (faults.echoFirst && !echo) {
        selection_.unitKind = unitKind;
        selection_.cpuIndex = cpuIndex;
        selection_.awaitingEcho = true;
        // Type 4 answers with a value whose low five bits name the CPU again.
        selection_.echoValue =
            unitKind == SimUnit::kTypeSelect3 ? kEchoRequest3 : static_cast<std::uint16_t>(0x20 | cpuIndex);
        event["result"] = "echo-requested";
        event["echo"] = selection_.echoValue;
        answer(selection_.echoValue, 0, faults, slot->cpu);
        return;
    }
    // Selecting a CPU erases its flash; the reply says the erase is done.
    slot->flash->eraseAll();
    selection_.unitKind = unitKind;
    selection_.cpuIndex = cpuIndex;
    selection_.awaitingEcho = false;
    event["result"] = "selected";
    answer(0, 0, faults, slot->cpu);
}

void HostResponder::handleSelectBlock(const Request& request, std::vector<Reply>& replies) {
    // Bytes 5..7 of the message hold a 24-bit address: the low byte of the
    // address field and the first two payload bytes.
    if (request.payload.size() < 2 + kBlockSize) {
        return;
    }
    const auto slot = state_.selectable(selection_.unitKind, selection_.cpuIndex);
    if (!slot) {
        state_.events().add("block-refused")["reason"] = "nothing selected";
        return;
    }
    if (slot->faults().silent) {
        return;
    }
    const std::uint32_t address = ((request.address & 0xFF) << 16) | word(request.payload, 0);
    const std::uint8_t result = writeBlock(*slot, address, request.payload.subspan(2, kBlockSize));
    replies.push_back(statusReply(request, result, *slot));
}

void HostResponder::handleSelectFinish(const Request& request, std::vector<Reply>& replies) {
    const auto slot = state_.selectable(selection_.unitKind, selection_.cpuIndex);
    if (!slot || request.payload.size() < 2) {
        state_.events().add("finish-refused")["reason"] = "nothing selected";
        return;
    }
    const FaultSwitches faults = slot->faults();
    if (faults.silent) {
        return;
    }
    bool ok = false;
    auto& event =
        state_.events().add(selection_.unitKind == SimUnit::kTypeSelect3 ? "checksum" : "end-of-write");
    event["cpu"] = state_.cpuLabel(*slot);
    std::uint16_t replyAddress = kAddressChecksum;
    if (selection_.unitKind == SimUnit::kTypeSelect3) {
        const std::uint16_t expected = word(request.payload, 0);
        const std::uint16_t computed = slot->flash->windowChecksum();
        ok = expected == computed;
        event["expected"] = hex(expected, 4);
        event["computed"] = hex(computed, 4);
    } else {
        // Type 4 ends without a checksum; the unit checks its blocks against
        // the table in block 0.
        int badBlock = 0;
        ok = slot->flash->blockTableMatches(badBlock);
        if (!ok) {
            event["badBlock"] = badBlock;
        }
        replyAddress = kAddressWriteStart4;
    }
    if (faults.rejectChecksum) {
        ok = false;
        event["fault"] = "reject-checksum";
    }
    event["ok"] = ok;
    if (ok) {
        state_.takeVersionFrom(*slot);
    }
    const std::uint8_t payload[] = {0, static_cast<std::uint8_t>(ok ? 0 : 1)};
    replies.push_back(makeReply(request, kCommandSelect, replyAddress, false, payload, faults, slot->cpu));
}

}  // namespace sim
