#include "BootLoaderAnswers.h"

#include "BootLoaderFrames.h"

namespace engine::boot {

ResultCode BootLoaderAnswers::readShortAnswer(ByteSource& line, std::uint8_t answerCommand,
                                              int firstByteTimeoutMs) {
    std::uint8_t first = 0;
    if (!line.readByte(first, firstByteTimeoutMs)) {
        return ResultCode::TimedOut;
    }
    std::uint8_t second = 0;
    if (first == kShortAnswerCount && line.readByte(second, kAnswerTailTimeoutMs) &&
        second == answerCommand) {
        return ResultCode::Ok;
    }
    return ResultCode::DeviceError;
}

bool BootLoaderAnswers::readChunkDoneAnswer(ByteSource& line, std::uint8_t target, std::uint32_t chunkAddress,
                                            int firstByteTimeoutMs) {
    std::uint8_t byte = 0;
    if (!line.readByte(byte, firstByteTimeoutMs) || byte != kChunkDoneAnswerCount) {
        return false;
    }
    for (const std::uint8_t expected : chunkDoneAnswer(target, chunkAddress)) {
        if (!line.readByte(byte, kAnswerTailTimeoutMs) || byte != expected) {
            return false;
        }
    }
    return true;
}

int BootLoaderAnswers::countTextAnswer(ByteSource& line) {
    int answered = 0;
    std::uint8_t byte = 0;
    while (line.readByte(byte, kTextByteTimeoutMs)) {
        answered += byte != 0 ? 1 : 0;
    }
    return answered;
}

std::string BootLoaderAnswers::readVersionReply(ByteSource& line) {
    // The reply is cut to what the buffer holds; the rest is read and dropped.
    std::string text;
    text.reserve(kVersionTextCapacity);
    auto keep = [&text](std::uint8_t byte) {
        if (text.size() < kVersionTextCapacity - 1) {
            text.push_back(static_cast<char>(byte));
        }
    };
    std::uint8_t byte = 0;
    bool got = false;
    while ((got = line.readByte(byte, kVersionSilenceMs)) && byte != 0) {
    }
    while ((got = line.readByte(byte, kTextByteTimeoutMs)) && byte == 0) {
    }
    for (; got && byte != 0; got = line.readByte(byte, kTextByteTimeoutMs)) {
        if (byte != '.') {
            keep(byte);
        }
    }
    while ((got = line.readByte(byte, kTextByteTimeoutMs)) && byte == 0) {
    }
    for (; got && byte != 0; got = line.readByte(byte, kTextByteTimeoutMs)) {
        keep(byte);
    }
    for (int trailing = 0; trailing < 2 && !text.empty() && text.back() == ' '; ++trailing) {
        text.pop_back();
    }
    return text;
}

bool BootLoaderAnswers::isVersionText(const std::string& text) {
    return !text.empty() && text[0] >= '1' && text[0] <= '9';
}

}  // namespace engine::boot
