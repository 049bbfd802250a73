#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Sources of the kinds the coder meets: noise, runs, text, short periods, machine code.
namespace cmpaktest {

std::vector<uint8_t> randomBytes(size_t size, uint32_t seed);
std::vector<uint8_t> repeatedByte(size_t size, uint8_t value);
std::vector<uint8_t> englishText(size_t size);
// A random pattern of `period` bytes repeated.
std::vector<uint8_t> periodic(size_t size, size_t period, uint32_t seed);
// Bytes of a real binary, starting at offset and wrapping around.
std::vector<uint8_t> machineCode(size_t size, size_t offset);
// Every byte value once: 256 literals of equal frequency and no repeated strings.
std::vector<uint8_t> permutationOfAllBytes(uint32_t seed);

// Compress into a buffer of the documented worst-case size, cut to the returned length.
std::vector<uint8_t> compress(const std::vector<uint8_t>& source);
// The documented room Compress may need.
size_t worstCaseSize(size_t sourceSize);

}  // namespace cmpaktest
