#include "FakeConsole.h"

#include <chrono>
#include <thread>

namespace engine::testing {

namespace {

FakeConsole* active = nullptr;

constexpr std::uint8_t kSegmentedUnit = 0x13;

std::uint32_t readBigEndian(const std::vector<std::uint8_t>& bytes, std::size_t at, std::size_t length) {
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < length; ++i) {
        value = (value << 8) | bytes[at + i];
    }
    return value;
}

void appendBigEndian(std::vector<std::uint8_t>& out, std::uint32_t value, std::size_t length) {
    for (std::size_t i = 0; i < length; ++i) {
        out.push_back(static_cast<std::uint8_t>(value >> (8 * (length - 1 - i))));
    }
}

}  // namespace

FakeConsole::FakeConsole() {
    active = this;
    api_.InitInterface = &FakeConsole::initInterface;
    api_.CloseInterface = &FakeConsole::closeInterface;
    api_.MessageSend = &FakeConsole::messageSend;
    api_.MessageReceive = &FakeConsole::messageReceive;
    api_.LoopBackModeChange = &FakeConsole::loopBackModeChange;
}

FakeConsole::~FakeConsole() {
    active = nullptr;
}

std::int32_t FakeConsole::initInterface(const char*, std::uint32_t, std::uint32_t, std::int32_t, std::int32_t,
                                        std::uint32_t) {
    std::lock_guard lock(active->mutex_);
    ++active->initCount_;
    if (active->initResult == 0) {
        active->open_ = true;
        active->replies_.clear();
    }
    return active->initResult;
}

void FakeConsole::closeInterface() {
    {
        std::lock_guard lock(active->mutex_);
        active->open_ = false;
    }
    // The library's close stops its threads and takes a moment: what an
    // attempt ended with stays on the status that long, for the recorders.
    std::this_thread::sleep_for(std::chrono::milliseconds(kCloseMs));
}

std::int32_t FakeConsole::loopBackModeChange(std::int32_t) {
    return 1;
}

std::int32_t FakeConsole::messageSend(const std::uint8_t* message, std::uint32_t length) {
    std::vector<std::uint8_t> bytes(message, message + length);
    {
        std::lock_guard lock(active->mutex_);
        active->sent_.push_back(bytes);
        if (!active->open_) {
            return 0;
        }
    }
    active->handle(bytes);
    return 1;
}

std::int32_t FakeConsole::messageReceive(std::uint8_t* buffer) {
    std::unique_lock lock(active->mutex_);
    if (!active->arrived_.wait_for(lock, std::chrono::milliseconds(20),
                                   [] { return !active->replies_.empty(); })) {
        return 0;
    }
    const std::vector<std::uint8_t> message = std::move(active->replies_.front());
    active->replies_.pop_front();
    std::copy(message.begin(), message.end(), buffer);
    return static_cast<std::int32_t>(message.size());
}

void FakeConsole::setRegister(std::uint8_t target, std::uint16_t address, std::vector<std::uint8_t> value) {
    std::lock_guard lock(mutex_);
    registers_[{target, address}] = std::move(value);
}

std::vector<std::uint8_t>& FakeConsole::flashOf(std::uint8_t target) {
    auto& memory = flash_[target];
    if (memory.empty()) {
        memory.assign(kFlashSize, 0xFF);
    }
    return memory;
}

std::vector<std::uint8_t> FakeConsole::flash(std::uint8_t target, std::uint32_t address, std::size_t length) {
    std::lock_guard lock(mutex_);
    auto& memory = flashOf(target);
    const auto from = memory.begin() + (address - kFlashBase);
    return {from, from + static_cast<std::ptrdiff_t>(length)};
}

void FakeConsole::presetFlash(std::uint8_t target, std::uint32_t address,
                              const std::vector<std::uint8_t>& bytes) {
    std::lock_guard lock(mutex_);
    std::copy(bytes.begin(), bytes.end(), flashOf(target).begin() + (address - kFlashBase));
}

std::vector<std::vector<std::uint8_t>> FakeConsole::sent() {
    std::lock_guard lock(mutex_);
    return sent_;
}

std::vector<std::uint32_t> FakeConsole::blockAddresses(std::uint8_t command) {
    std::vector<std::uint32_t> addresses;
    for (const auto& message : sent()) {
        if (message.size() == 136 && message[1] == command) {
            addresses.push_back(readBigEndian(message, 4, 4) & (command == 0x33 ? 0xFFFFFF : 0xFFFFFFFF));
        }
    }
    return addresses;
}

void FakeConsole::reply(std::vector<std::uint8_t> message) {
    if (replyDelayMs > 0) {
        std::this_thread::sleep_for(std::chrono::milliseconds(replyDelayMs));
    }
    {
        std::lock_guard lock(mutex_);
        replies_.push_back(std::move(message));
    }
    arrived_.notify_one();
}

void FakeConsole::statusReply(std::uint8_t from, std::uint8_t to, std::uint8_t command, std::uint16_t address,
                              std::vector<std::uint8_t> payload) {
    std::vector<std::uint8_t> message{0, command, from, to};
    appendBigEndian(message, address, 2);
    message.insert(message.end(), payload.begin(), payload.end());
    message[0] = static_cast<std::uint8_t>(message.size() - 1);
    reply(std::move(message));
}

void FakeConsole::handle(const std::vector<std::uint8_t>& message) {
    if (silent || message.size() < 5) {
        return;
    }
    const std::uint8_t kindCommand = message[1];
    const std::uint8_t command = kindCommand & 0x3F;
    const std::uint8_t own = message[2];
    const std::uint8_t target = message[3];
    if (target == 0xFE) {
        return;  // boot broadcasts have no answer
    }

    if ((kindCommand & 0xC0) == 0xC0) {
        const std::size_t addressLength = command > 0x30 ? 4 : 2;
        const std::uint32_t address = readBigEndian(message, 4, addressLength);
        const std::uint16_t count = static_cast<std::uint16_t>(readBigEndian(message, 4 + addressLength, 2));
        std::vector<std::uint8_t> payload;
        if (command != 0x31 && silentRegisters.count(static_cast<std::uint16_t>(address)) != 0) {
            return;
        }
        if (command == 0x31) {
            std::lock_guard lock(mutex_);
            auto& memory = flashOf(target);
            payload.assign(memory.begin() + (address - kFlashBase),
                           memory.begin() + (address - kFlashBase) + count);
        } else {
            std::lock_guard lock(mutex_);
            payload = registers_[{target, static_cast<std::uint16_t>(address)}];
            payload.resize(count, 0);
        }
        auto build = [&](std::uint32_t replyAddress) {
            std::vector<std::uint8_t> out{0, static_cast<std::uint8_t>(0x80 | command), target, own};
            appendBigEndian(out, replyAddress, addressLength);
            out.insert(out.end(), payload.begin(), payload.end());
            out[0] = static_cast<std::uint8_t>(out.size() - 1);
            return out;
        };
        if (wrongAddressReadReply) {
            reply(build(address + 2));
        }
        reply(build(address));
        return;
    }

    if (command == 0x30) {
        const std::uint16_t reg = static_cast<std::uint16_t>(readBigEndian(message, 4, 2));
        if (reg == 0x0167) {
            statusReply(target, own, 0x30, 0x0166, {eraseAnswer});
        } else if (reg == 0x0164) {
            lastChecksum_ = static_cast<std::uint16_t>(readBigEndian(message, 6, 2));
            statusReply(target, own, 0x30, 0x0166, {checksumAnswer});
        }
        return;
    }
    if (command == 0x32 && message.size() == 136) {
        const std::uint32_t address = readBigEndian(message, 4, 4);
        if (static_cast<std::int64_t>(address) == refuseBlockAt) {
            statusReply(target, own, 0x30, 0x0166, {1});
            return;
        }
        {
            std::lock_guard lock(mutex_);
            std::copy(message.begin() + 8, message.end(), flashOf(target).begin() + (address - kFlashBase));
        }
        statusReply(target, own, 0x30, 0x0166, {0});
        return;
    }
    if (command == 0x33 && target == kSegmentedUnit) {
        if (message.size() == 136) {
            const std::uint32_t address = readBigEndian(message, 4, 4) & 0xFFFFFF;
            if (static_cast<std::int64_t>(address) == refuseBlockAt) {
                statusReply(target, own, 0x30, 0x0166, {1});
                return;
            }
            {
                std::lock_guard lock(mutex_);
                std::copy(message.begin() + 8, message.end(),
                          flashOf(target).begin() + (address - kFlashBase));
            }
            statusReply(target, own, 0x30, 0x0166, {0});
            return;
        }
        const std::uint16_t reg = static_cast<std::uint16_t>(readBigEndian(message, 4, 2));
        const std::uint16_t value = static_cast<std::uint16_t>(readBigEndian(message, 6, 2));
        auto word = [](std::uint16_t w) {
            return std::vector<std::uint8_t>{static_cast<std::uint8_t>(w >> 8), static_cast<std::uint8_t>(w)};
        };
        if (reg == 0x0012 || reg == 0x0011) {
            // A select is answered once with the echo word when one is set; the echo then settles it.
            const bool echoNow =
                selectEcho != 0 && selectEchoed_.insert(static_cast<std::uint8_t>(reg)).second;
            std::vector<std::uint8_t> payload = word(echoNow ? selectEcho : 0);
            const std::vector<std::uint8_t> refusal = word(echoNow ? 0 : selectRefusal);
            payload.insert(payload.end(), refusal.begin(), refusal.end());
            statusReply(target, own, 0x33, reg, payload);
        } else if (reg == 0x0164 && own == 0x1F && value == 0 && typeFour) {
            statusReply(target, own, 0x33, 0x0021, word(endAnswer));
        } else if (reg == 0x0164) {
            lastChecksum_ = value;
            statusReply(target, own, 0x33, 0x0164, word(checksumAnswer));
        }
    }
}

}  // namespace engine::testing
