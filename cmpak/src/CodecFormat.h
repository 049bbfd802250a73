#pragma once

#include <cstdint>

// Fixed parameters of the cmpak stream: a 1024-byte sliding window, matches of 3..255 bytes and
// static Huffman codes per block. Encoder and decoder both speak exactly these numbers.
namespace cmpak {

inline constexpr unsigned kHeaderBytes = 4;  // uncompressed size, big-endian
inline constexpr unsigned kDictionaryBits = 10;
inline constexpr unsigned kDictionarySize = 1u << kDictionaryBits;
inline constexpr unsigned kMinMatch = 3;
inline constexpr unsigned kMaxMatch = 255;

// Literal/length alphabet: 0..255 literal bytes, 256..508 match lengths 3..255.
inline constexpr unsigned kLiteralSymbols = 256;
inline constexpr unsigned kLengthSymbolBias = kLiteralSymbols - kMinMatch;  // symbol = length + 253
inline constexpr unsigned kCodeSymbols = kLiteralSymbols + kMaxMatch + 1 - kMinMatch;  // 509
// Position alphabet: the bit length 0..10 of the stored offset (distance - 1).
inline constexpr unsigned kPositionSymbols = kDictionaryBits + 1;  // 11
// Code-length alphabet used to transmit the literal/length code lengths.
inline constexpr unsigned kLengthCodeSymbols = 16 + 3;  // 19

// Widths of the table-count fields of a block header.
inline constexpr unsigned kCodeCountBits = 9;
inline constexpr unsigned kPositionCountBits = 4;
inline constexpr unsigned kLengthCodeCountBits = 5;
inline constexpr unsigned kBlockSizeBits = 16;

// Code lengths 0..6 are sent in 3 bits; 7 and above as 111 followed by a unary tail.
inline constexpr unsigned kShortLengthBits = 3;
inline constexpr unsigned kLongLengthMark = 7;
// After the third code-length-code length, 2 bits tell how many of symbols 3..5 have length 0.
inline constexpr unsigned kZeroRunIndex = 3;
inline constexpr unsigned kZeroRunLimit = 6;
inline constexpr unsigned kZeroRunBits = 2;

// Code-length-code symbols 0..2 describe zero lengths; symbol k >= 3 means length k - 2.
inline constexpr unsigned kOneZero = 0;
inline constexpr unsigned kShortZeroRun = 1;  // 4 bits: run - 3, runs of 3..18
inline constexpr unsigned kLongZeroRun = 2;   // 9 bits: run - 20, runs of 20..
inline constexpr unsigned kShortZeroRunBits = 4;
inline constexpr unsigned kShortZeroRunMin = 3;
inline constexpr unsigned kShortZeroRunMax = 18;
inline constexpr unsigned kLongZeroRunMin = 20;
inline constexpr unsigned kLengthSymbolOffset = 2;

inline constexpr unsigned kMaxCodeLength = 16;

// Encoder block buffer: a block is closed when a new flag byte is due and this much is used.
inline constexpr unsigned kBlockBufferSize = 2048;
inline constexpr unsigned kBlockCloseMark = kBlockBufferSize - 3 * 8;  // 2024

// The decoder's window starts out filled with spaces.
inline constexpr uint8_t kWindowFill = 0x20;

// Two bytes close every stream: the last partial byte completed with zeros, then zeros.
inline constexpr unsigned kEndPaddingBits = 16;
inline constexpr unsigned kEndPaddingBytes = 2;

}  // namespace cmpak
