// libFuzzer target: any bytes from the line, with silences anywhere, into
// every reader of the direct boot-loader path. None may crash or wait for
// ever, and none may take an answer as good unless its bytes are exactly
// those of a unit's answer.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "BootLoaderAnswers.h"
#include "BootLoaderFrames.h"

namespace {

using engine::ResultCode;
using engine::boot::BootLoaderAnswers;

// The line as the input gives it: the first input byte is the silence
// marker; wherever it appears later, the wait for that byte times out.
// After the last byte the line stays silent.
class ScriptedLine : public engine::boot::ByteSource {
  public:
    ScriptedLine(const std::uint8_t* data, std::size_t size) {
        if (size > 0) {
            silence_ = data[0];
            bytes_.assign(data + 1, data + size);
        }
    }
    bool readByte(std::uint8_t& byte, int timeoutMs) override {
        if (timeoutMs <= 0 || position_ >= bytes_.size()) {
            byte = 0;
            ++silences_;
            return false;
        }
        const std::uint8_t next = bytes_[position_++];
        if (next == silence_) {
            byte = 0;
            ++silences_;
            return false;
        }
        byte = next;
        taken_.push_back(next);
        return true;
    }
    // The bytes the reader took, in order (silences left out).
    const std::vector<std::uint8_t>& taken() const { return taken_; }
    void forgetTaken() { taken_.clear(); }
    // Every reader stops after a bounded number of silent waits.
    std::size_t silences() const { return silences_; }

  private:
    std::vector<std::uint8_t> bytes_;
    std::size_t position_ = 0;
    std::uint8_t silence_ = 0;
    std::vector<std::uint8_t> taken_;
    std::size_t silences_ = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    ScriptedLine line(data, size);
    const std::uint8_t target = size > 1 ? data[1] : 0;
    const std::uint32_t chunkAddress = 0x300000u + (size > 2 ? data[2] : 0u) * 0x1000u;

    // One input runs every reader in turn, each on what the last one left.
    for (const std::uint8_t command : {0xB0, 0xB2}) {
        line.forgetTaken();
        const ResultCode result = BootLoaderAnswers::readShortAnswer(line, command, 5000);
        const auto& taken = line.taken();
        if (result == ResultCode::Ok && (taken.size() != 2 || taken[0] != 0x04 || taken[1] != command))
            __builtin_trap();
        if (result != ResultCode::Ok && result != ResultCode::TimedOut && result != ResultCode::DeviceError)
            __builtin_trap();
    }

    line.forgetTaken();
    if (BootLoaderAnswers::readChunkDoneAnswer(line, target, chunkAddress, 5000)) {
        std::vector<std::uint8_t> expected{engine::boot::kChunkDoneAnswerCount};
        for (const std::uint8_t byte : engine::boot::chunkDoneAnswer(target, chunkAddress))
            expected.push_back(byte);
        if (line.taken() != expected)
            __builtin_trap();
    }

    line.forgetTaken();
    const int answered = BootLoaderAnswers::countTextAnswer(line);
    if (answered < 0 || static_cast<std::size_t>(answered) > line.taken().size())
        __builtin_trap();

    const std::string version = BootLoaderAnswers::readVersionReply(line);
    if (version.size() >= BootLoaderAnswers::kVersionTextCapacity || version.find('\0') != std::string::npos)
        __builtin_trap();
    if (BootLoaderAnswers::isVersionText(version) && (version[0] < '1' || version[0] > '9'))
        __builtin_trap();
    // Each reader gives up after a handful of silent waits, however the bytes go.
    if (line.silences() > 16)
        __builtin_trap();
    return 0;
}
