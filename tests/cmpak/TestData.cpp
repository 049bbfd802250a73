#include "TestData.h"

#include <algorithm>
#include <fstream>
#include <iterator>
#include <numeric>
#include <random>
#include <stdexcept>

#include "cmpak.h"

namespace cmpaktest {

std::vector<uint8_t> randomBytes(size_t size, uint32_t seed) {
    std::mt19937 generator(seed);
    std::vector<uint8_t> bytes(size);
    for (uint8_t& byte : bytes) {
        byte = static_cast<uint8_t>(generator());
    }
    return bytes;
}

std::vector<uint8_t> repeatedByte(size_t size, uint8_t value) {
    return std::vector<uint8_t>(size, value);
}

std::vector<uint8_t> englishText(size_t size) {
    static const std::string kText =
        "The technician connects the console to the serial line, reads the versions of every unit and "
        "rewrites the flash of the boards whose images are newer. Each image is sent in blocks of one "
        "hundred and twenty-eight bytes; the unit acknowledges every block before the next one leaves. "
        "When a unit does not answer within its timeout the attempt is repeated, up to five times. ";
    std::vector<uint8_t> bytes(size);
    std::mt19937 generator(7);
    size_t at = 0;
    while (at < size) {
        // Start each sentence run somewhere else so that the text is not one short period.
        size_t from = generator() % kText.size();
        while (from < kText.size() && at < size) {
            bytes[at++] = static_cast<uint8_t>(kText[from++]);
        }
    }
    return bytes;
}

std::vector<uint8_t> periodic(size_t size, size_t period, uint32_t seed) {
    const std::vector<uint8_t> pattern = randomBytes(period, seed);
    std::vector<uint8_t> bytes(size);
    for (size_t i = 0; i < size; ++i) {
        bytes[i] = pattern[i % period];
    }
    return bytes;
}

std::vector<uint8_t> machineCode(size_t size, size_t offset) {
    static const std::vector<uint8_t> sample = [] {
        std::ifstream file(CMPAK_MACHINE_CODE_SAMPLE, std::ios::binary);
        std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
        if (bytes.size() < 4096) {
            throw std::runtime_error("machine code sample missing: " CMPAK_MACHINE_CODE_SAMPLE);
        }
        return bytes;
    }();
    std::vector<uint8_t> bytes(size);
    for (size_t i = 0; i < size; ++i) {
        bytes[i] = sample[(offset + i) % sample.size()];
    }
    return bytes;
}

std::vector<uint8_t> permutationOfAllBytes(uint32_t seed) {
    std::vector<uint8_t> bytes(256);
    std::iota(bytes.begin(), bytes.end(), 0);
    std::shuffle(bytes.begin(), bytes.end(), std::mt19937(seed));
    return bytes;
}

size_t worstCaseSize(size_t sourceSize) {
    return sourceSize + sourceSize / 2 + 640;
}

std::vector<uint8_t> compress(const std::vector<uint8_t>& source) {
    std::vector<uint8_t> out(worstCaseSize(source.size()));
    const uint32_t written = Compress(source.data(), static_cast<uint32_t>(source.size()), out.data());
    out.resize(source.empty() ? 4 : written);
    return out;
}

}  // namespace cmpaktest
