#include "DirectLink.h"

#include <algorithm>
#include <chrono>
#include <thread>

#include "BootLoaderAnswers.h"
#include "BootLoaderFrames.h"
#include "StatusText.h"
#include "data/CommSettings.h"
#include "engine/DirectPort.h"
#include "engine/StatusModel.h"

namespace engine {

namespace {

using std::chrono::milliseconds;

using boot::BootLoaderAnswers;

constexpr int kBootAnswerTimeoutMs = 5000;
constexpr int kEraseAnswerTimeoutMs = 2000;
constexpr int kChunkDoneTimeoutMs = 5000;
constexpr milliseconds kWakePause{200};
constexpr milliseconds kBootEnterPause{500};
constexpr milliseconds kTextModeLeftPause{1000};
constexpr milliseconds kTextModeSilentPause{5000};
constexpr std::uint8_t kExitCommand[] = {'e', 'x', 'i', 't', '\r'};
constexpr std::uint8_t kVersionCommand[] = {'V', 'E', 'R', '\r'};

}  // namespace

void DirectLink::wake() {
    boot::Frame frame;
    if (port_.open(comm_.deviceName)) {
        port_.write(std::span<const std::uint8_t>(frame.data(), boot::buildWake(frame)));
        port_.close();
    }
    std::this_thread::sleep_for(kWakePause);
}

ResultCode DirectLink::exchangeFrame(std::span<const std::uint8_t> frame, std::uint8_t answerCommand,
                                     int firstByteTimeoutMs) {
    if (!port_.open(comm_.deviceName)) {
        return ResultCode::OpenFailed;
    }
    ResultCode result = ResultCode::DeviceError;
    if (port_.write(frame)) {
        result = BootLoaderAnswers::readShortAnswer(port_, answerCommand, firstByteTimeoutMs);
    }
    port_.close();
    return result;
}

ResultCode DirectLink::changeBootMode(std::uint8_t target, bool enter) {
    boot::Frame frame;
    const std::size_t length = boot::buildBootMode(frame, target, enter);
    const ResultCode result = exchangeFrame(std::span<const std::uint8_t>(frame.data(), length),
                                            boot::kCommandBootMode | boot::kAnswerBit, kBootAnswerTimeoutMs);
    if (enter) {
        std::this_thread::sleep_for(kBootEnterPause);
    }
    return result;
}

ResultCode DirectLink::eraseBlock(std::uint8_t target, std::uint8_t block) {
    status_.setStatusText(formatText("Erasing Block %02d ...", block));
    boot::Frame frame;
    const std::size_t length = boot::buildEraseBlock(frame, target, block);
    return exchangeFrame(std::span<const std::uint8_t>(frame.data(), length),
                         boot::kCommandErase | boot::kAnswerBit, kEraseAnswerTimeoutMs);
}

ResultCode DirectLink::write(std::uint8_t target, std::uint32_t unitAddress, const std::uint8_t* source,
                             std::uint32_t length) {
    while (length > 0) {
        const std::uint32_t chunkLength = std::min(length, kChunkSize);
        const ResultCode result = writeChunk(target, unitAddress, source, chunkLength);
        if (result != ResultCode::Ok) {
            return result;
        }
        status_.advanceCurrent();
        unitAddress += kChunkSize;
        source += chunkLength;
        length -= chunkLength;
    }
    return ResultCode::Ok;
}

ResultCode DirectLink::writeChunk(std::uint8_t target, std::uint32_t unitAddress, const std::uint8_t* source,
                                  std::uint32_t length) {
    const std::uint8_t* data = source;
    std::uint32_t sendLength = length;
    bool compressed = false;
    if (compression_.compress != nullptr) {
        const std::uint32_t packed = compression_.compress(source, length, compressionBuffer_.data());
        if (packed > 0 && packed < length) {
            data = compressionBuffer_.data();
            sendLength = packed;
            compressed = true;
        }
    }
    if (!sendPieces(target, unitAddress, data, sendLength, compressed)) {
        return ResultCode::DeviceError;
    }
    if (compressed && !confirmChunk(target, unitAddress)) {
        return ResultCode::DeviceError;
    }
    return ResultCode::Ok;
}

bool DirectLink::sendPieces(std::uint8_t target, std::uint32_t unitAddress, const std::uint8_t* data,
                            std::uint32_t length, bool compressed) {
    boot::Frame frame;
    for (std::uint32_t offset = 0; offset < length; offset += boot::kMaxPiece) {
        status_.setStatusText(formatText("Writing %08XH - %08XH (Rest %04d)", unitAddress,
                                         unitAddress + kChunkSize - 1, static_cast<int>(length - offset)));
        const std::uint32_t piece = std::min<std::uint32_t>(boot::kMaxPiece, length - offset);
        // A piece of a compressed chunk is addressed by its offset in the chunk.
        const std::uint32_t address =
            compressed ? (offset | boot::kCompressedAddressBit) : unitAddress + offset;
        const std::size_t frameLength =
            boot::buildData(frame, target, address, std::span<const std::uint8_t>(data + offset, piece));
        if (!port_.open(comm_.deviceName)) {
            return false;
        }
        const bool written = port_.write(std::span<const std::uint8_t>(frame.data(), frameLength));
        port_.close();
        if (!written) {
            return false;
        }
    }
    return true;
}

bool DirectLink::confirmChunk(std::uint8_t target, std::uint32_t unitAddress) {
    status_.setStatusText(
        formatText("Writing %08XH - %08XH(Wait Done)", unitAddress, unitAddress + kChunkSize - 1));
    if (!port_.open(comm_.deviceName)) {
        return false;
    }
    boot::Frame frame;
    const std::size_t frameLength = boot::buildChunkDone(frame, target, unitAddress);
    const bool confirmed =
        port_.write(std::span<const std::uint8_t>(frame.data(), frameLength)) &&
        BootLoaderAnswers::readChunkDoneAnswer(port_, target, unitAddress, kChunkDoneTimeoutMs);
    port_.close();
    return confirmed;
}

ResultCode DirectLink::leaveTextMode() {
    if (!port_.open(comm_.deviceName)) {
        return ResultCode::OpenFailed;
    }
    port_.write(kExitCommand);
    if (BootLoaderAnswers::countTextAnswer(port_) > 0) {
        std::this_thread::sleep_for(kTextModeLeftPause);
    } else {
        status_.setStatusText("Waiting Comm timeout");
        std::this_thread::sleep_for(kTextModeSilentPause);
    }
    port_.close();
    return ResultCode::Ok;
}

std::string DirectLink::readVersionText() {
    port_.open(comm_.deviceName);
    std::uint8_t byte = 0;
    while (port_.readByte(byte, BootLoaderAnswers::kVersionSilenceMs)) {
    }
    port_.write(kVersionCommand);
    const std::string text = BootLoaderAnswers::readVersionReply(port_);
    port_.close();
    return text;
}

}  // namespace engine
