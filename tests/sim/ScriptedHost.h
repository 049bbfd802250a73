#pragma once

// A small scripted client for the console model: builds the messages the
// program sends, frames them as TRX does, and unpacks what comes back.

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "sim/BootLoader.h"
#include "sim/SimConsole.h"
#include "trx/frame/FramePacker.h"
#include "trx/frame/FrameScanner.h"
#include "trx/frame/FrameUnpacker.h"

namespace simtest {

using Bytes = std::vector<std::uint8_t>;

constexpr std::uint8_t kPc = 0x1F;

inline Bytes readRequest(std::uint8_t command, std::uint8_t target, std::uint32_t address,
                         std::uint16_t count, std::uint8_t own = kPc) {
    if (command > 0x30) {
        return {0x09,
                static_cast<std::uint8_t>(0xC0 | command),
                own,
                target,
                static_cast<std::uint8_t>(address >> 24),
                static_cast<std::uint8_t>(address >> 16),
                static_cast<std::uint8_t>(address >> 8),
                static_cast<std::uint8_t>(address),
                static_cast<std::uint8_t>(count >> 8),
                static_cast<std::uint8_t>(count)};
    }
    return {0x07,
            static_cast<std::uint8_t>(0xC0 | command),
            own,
            target,
            static_cast<std::uint8_t>(address >> 8),
            static_cast<std::uint8_t>(address),
            static_cast<std::uint8_t>(count >> 8),
            static_cast<std::uint8_t>(count)};
}

inline Bytes eraseRequest(std::uint8_t target) {
    return {0x06, 0x30, kPc, target, 0x01, 0x67, 0x00};
}

inline Bytes checksumRequest(std::uint8_t target, std::uint16_t sum) {
    return {0x07,
            0x30,
            kPc,
            target,
            0x01,
            0x64,
            static_cast<std::uint8_t>(sum >> 8),
            static_cast<std::uint8_t>(sum)};
}

inline Bytes dataBlock(std::uint8_t target, std::uint32_t address, std::span<const std::uint8_t> data) {
    Bytes message{0x87,
                  0x32,
                  kPc,
                  target,
                  static_cast<std::uint8_t>(address >> 24),
                  static_cast<std::uint8_t>(address >> 16),
                  static_cast<std::uint8_t>(address >> 8),
                  static_cast<std::uint8_t>(address)};
    message.insert(message.end(), data.begin(), data.begin() + 128);
    return message;
}

inline Bytes broadcast(std::uint8_t command, std::uint8_t value) {
    return {0x06, command, kPc, 0xFE, value, 0, 0};
}

// Messages to the select device at 0x13 with a 2-byte address and a word.
inline Bytes selectMessage(std::uint16_t address, std::uint16_t value) {
    return {0x07,
            0x33,
            kPc,
            0x13,
            static_cast<std::uint8_t>(address >> 8),
            static_cast<std::uint8_t>(address),
            static_cast<std::uint8_t>(value >> 8),
            static_cast<std::uint8_t>(value)};
}

inline Bytes selectBlock(std::uint32_t address, std::span<const std::uint8_t> data) {
    Bytes message{0x87,
                  0x33,
                  kPc,
                  0x13,
                  0x80,
                  static_cast<std::uint8_t>(address >> 16),
                  static_cast<std::uint8_t>(address >> 8),
                  static_cast<std::uint8_t>(address)};
    message.insert(message.end(), data.begin(), data.begin() + 128);
    return message;
}

inline Bytes bootLoaderFrame(Bytes withoutCount) {
    return sim::BootLoader::makeFrame(std::move(withoutCount));
}

inline Bytes textBytes(const std::string& text) {
    return Bytes(text.begin(), text.end());
}

// Drives one console: send() frames a message, sendRaw() passes bytes as they
// are; the replies come back unpacked (host messages) or raw.
class ScriptedHost : public trx::frame::FrameSink {
  public:
    explicit ScriptedHost(sim::SimConsole& console) : console_(console) {}

    std::vector<Bytes> send(const Bytes& message) {
        std::array<std::uint8_t, trx::frame::kMaxFrameLength> frame{};
        const std::size_t length = trx::frame::packFrame(message, frame);
        return collect(std::span<const std::uint8_t>(frame.data(), length));
    }

    // Raw bytes in; every transmission out, unframed when it is a TRX frame.
    std::vector<Bytes> sendRaw(const Bytes& bytes) { return collect(bytes); }

    // Delays of the transmissions of the last call.
    const std::vector<double>& delays() const { return delays_; }
    double nowMs = 0;

    void onFrame(std::span<const std::uint8_t> betweenMarkers) override {
        std::array<std::uint8_t, trx::frame::kMaxMessageLength> message{};
        const auto result = trx::frame::unpackFrame(betweenMarkers, message);
        if (result.status == trx::frame::UnpackStatus::Ok) {
            unpacked_.emplace_back(message.begin(), message.begin() + static_cast<long>(result.length));
        }
    }
    void onBrokenFrame(std::span<const std::uint8_t>) override {}

  private:
    std::vector<Bytes> collect(std::span<const std::uint8_t> bytes) {
        std::vector<sim::Transmission> out;
        console_.receive(bytes, nowMs, out);
        std::vector<Bytes> replies;
        delays_.clear();
        for (const sim::Transmission& transmission : out) {
            delays_.push_back(transmission.delayMs);
            if (!transmission.bytes.empty() && transmission.bytes[0] == trx::frame::kFrameStart) {
                unpacked_.clear();
                scanner_.feed(transmission.bytes, *this);
                replies.insert(replies.end(), unpacked_.begin(), unpacked_.end());
            } else {
                replies.push_back(transmission.bytes);
            }
        }
        return replies;
    }

    sim::SimConsole& console_;
    trx::frame::FrameScanner scanner_;
    std::vector<Bytes> unpacked_;
    std::vector<double> delays_;
};

}  // namespace simtest
