#include <gtest/gtest.h>

#include <string>

#include "SimFixture.h"
#include "cmpak.h"
#include "data/FlashImage.h"

namespace simtest {
namespace {

constexpr std::uint8_t kCard = 64;

Bytes answer(std::uint8_t command, std::uint8_t value) {
    return bootLoaderFrame({command, kCard, value});
}

class BootLoaderPath : public ConsoleFixture {
  protected:
    void enterBoot() {
        ASSERT_EQ(host->sendRaw(bootLoaderFrame({0x30, kCard, 0x01})),
                  (std::vector<Bytes>{answer(0xB0, 0x01)}));
    }
    // Sends a 4 KB chunk as the program does: compressed when that makes it
    // smaller, in pieces of at most 128 bytes; returns the Chunk done answers.
    std::vector<Bytes> sendChunk(std::uint32_t address, const std::uint8_t* chunk, bool compress) {
        std::vector<std::uint8_t> work(8192);
        const std::uint32_t packed = compress ? Compress(chunk, 4096, work.data()) : 4096;
        const bool compressed = packed < 4096;
        const std::uint8_t* source = compressed ? work.data() : chunk;
        const std::uint32_t length = compressed ? packed : 4096;
        for (std::uint32_t offset = 0; offset < length; offset += 128) {
            const std::uint32_t pieceLength = std::min<std::uint32_t>(128, length - offset);
            const std::uint32_t pieceAddress = compressed ? (offset | 0x10000000) : address + offset;
            Bytes frame{0x31,
                        kCard,
                        static_cast<std::uint8_t>(pieceAddress >> 24),
                        static_cast<std::uint8_t>(pieceAddress >> 16),
                        static_cast<std::uint8_t>(pieceAddress >> 8),
                        static_cast<std::uint8_t>(pieceAddress)};
            frame.insert(frame.end(), source + offset, source + offset + pieceLength);
            EXPECT_TRUE(host->sendRaw(bootLoaderFrame(frame)).empty());
        }
        if (!compressed) {
            return {};
        }
        const std::uint32_t done = address | 0x10000000;
        return host->sendRaw(bootLoaderFrame(
            {0x31, kCard, static_cast<std::uint8_t>(done >> 24), static_cast<std::uint8_t>(done >> 16),
             static_cast<std::uint8_t>(done >> 8), static_cast<std::uint8_t>(done)}));
    }
    static Bytes chunkDoneAnswer(std::uint32_t address, bool ok = true) {
        const std::uint32_t echoed = address | 0x80000000;
        return bootLoaderFrame({static_cast<std::uint8_t>(ok ? 0xB1 : 0xF1), kCard,
                                static_cast<std::uint8_t>(echoed >> 24),
                                static_cast<std::uint8_t>(echoed >> 16),
                                static_cast<std::uint8_t>(echoed >> 8), static_cast<std::uint8_t>(echoed)});
    }
    // Firmware-like 4 KB: repeated patterns compress well.
    static std::vector<std::uint8_t> compressibleChunk() {
        std::vector<std::uint8_t> chunk(4096);
        for (std::size_t i = 0; i < chunk.size(); ++i) {
            chunk[i] = static_cast<std::uint8_t>((i % 64) < 32 ? 0x4E : i / 64);
        }
        return chunk;
    }
    // Bytes no compressor can shrink.
    static std::vector<std::uint8_t> noiseChunk() {
        std::vector<std::uint8_t> chunk(4096);
        std::uint32_t state = 12345;
        for (std::uint8_t& byte : chunk) {
            state = state * 1103515245u + 12345u;
            byte = static_cast<std::uint8_t>(state >> 16);
        }
        return chunk;
    }
    bool flashHolds(std::uint32_t address, const std::vector<std::uint8_t>& bytes) {
        const sim::FlashDevice& flash = flashOf("XDG7D-CARD");
        return std::equal(bytes.begin(), bytes.end(), flash.bytes().begin() + (address - 0x300000));
    }
};

TEST_F(BootLoaderPath, VerReportsTheVersionInTwoFieldsEndedByZeroBytes) {
    build([](sim::ConsoleDescription& d) { d.findUnit("XDG7D")->cpus[0].versionWord = 0x3185; });
    const auto replies = host->sendRaw(textBytes("VER\r"));
    ASSERT_EQ(replies.size(), 1u);
    EXPECT_EQ(replies[0], textBytes(std::string("VER\r\n") + '\0' + "2.05" + '\0' + "S3X" + '\0'));
}

TEST_F(BootLoaderPath, ExitLeavesTheTextConsoleWithAnAnswer) {
    build();
    EXPECT_TRUE(console->state().bootMode == false);
    const auto replies = host->sendRaw(textBytes("exit\r"));
    ASSERT_EQ(replies.size(), 1u);
    EXPECT_GT(std::count_if(replies[0].begin(), replies[0].end(), [](std::uint8_t b) { return b != 0; }), 0);
    // Text arriving in pieces is put together.
    EXPECT_TRUE(host->sendRaw(textBytes("VE")).empty());
    EXPECT_EQ(host->sendRaw(textBytes("R\r")).size(), 1u);
}

TEST_F(BootLoaderPath, BootModeEraseBlocksAndRefusals) {
    build();
    EXPECT_TRUE(host->sendRaw(bootLoaderFrame({0x00, 0x00})).empty());  // Wake: no answer
    // Erasing before boot mode is refused.
    EXPECT_EQ(host->sendRaw(bootLoaderFrame({0x32, kCard, 0})), (std::vector<Bytes>{answer(0xF2, 0)}));
    enterBoot();
    EXPECT_EQ(host->sendRaw(bootLoaderFrame({0x32, kCard, 0})), (std::vector<Bytes>{answer(0xB2, 0)}));
    EXPECT_EQ(host->sendRaw(bootLoaderFrame({0x32, kCard, 18})), (std::vector<Bytes>{answer(0xB2, 18)}));
    EXPECT_EQ(host->sendRaw(bootLoaderFrame({0x32, kCard, 2})), (std::vector<Bytes>{answer(0xF2, 2)}));
    EXPECT_EQ(host->sendRaw(bootLoaderFrame({0x32, kCard, 19})), (std::vector<Bytes>{answer(0xF2, 19)}));
    // Nobody at another target.
    EXPECT_TRUE(host->sendRaw(bootLoaderFrame({0x30, 0x41, 0x01})).empty());
}

TEST_F(BootLoaderPath, CompressedChunkIsDecompressedIntoFlashAndConfirmed) {
    build();
    enterBoot();
    host->sendRaw(bootLoaderFrame({0x32, kCard, 0}));
    const std::vector<std::uint8_t> chunk = compressibleChunk();
    EXPECT_EQ(sendChunk(0x300000, chunk.data(), true), (std::vector<Bytes>{chunkDoneAnswer(0x300000)}));
    EXPECT_TRUE(flashHolds(0x300000, chunk));
    ASSERT_EQ(console->events().count("chunk"), 1u);
}

TEST_F(BootLoaderPath, IncompressibleChunkArrivesAsPlainPiecesWithoutChunkDone) {
    build();
    enterBoot();
    host->sendRaw(bootLoaderFrame({0x32, kCard, 4}));
    const std::vector<std::uint8_t> chunk = noiseChunk();
    EXPECT_TRUE(sendChunk(0x310000, chunk.data(), true).empty());
    EXPECT_TRUE(flashHolds(0x310000, chunk));
}

TEST_F(BootLoaderPath, AChunkThatDoesNotDecompressIsRefused) {
    build();
    enterBoot();
    host->sendRaw(bootLoaderFrame({0x32, kCard, 0}));
    // Pieces of garbage where a compressed stream should be.
    host->sendRaw(bootLoaderFrame({0x31, kCard, 0x10, 0x00, 0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0xFF, 0xFF}));
    const auto replies = host->sendRaw(bootLoaderFrame({0x31, kCard, 0x10, 0x30, 0x00, 0x00}));
    EXPECT_EQ(replies, (std::vector<Bytes>{chunkDoneAnswer(0x300000, false)}));
}

TEST_F(BootLoaderPath, BootLeaveChecksTheBlocksAndTakesTheVersion) {
    for (const bool spoilTable : {false, true}) {
        SCOPED_TRACE(spoilTable ? "spoilt table" : "good table");
        build();
        data::FlashImage image;
        ASSERT_TRUE(image.allocate(data::FlashImage::kSegmentedWindowSize));
        std::vector<std::uint8_t> block1(0x10000);
        for (std::size_t i = 0; i < block1.size(); ++i) {
            block1[i] = static_cast<std::uint8_t>((i % 100) < 50 ? 0x11 : i);
        }
        std::copy(block1.begin(), block1.end(), image.bytes().begin() + 0x10000);
        image.bytes()[7] = 0x02;
        image.bytes()[0x40] = 0x00;
        image.bytes()[0x41] = 0x14;
        ASSERT_TRUE(image.buildBlockChecksumTable());
        if (spoilTable) {
            image.bytes()[11] ^= 0x40;
        }
        enterBoot();
        host->sendRaw(bootLoaderFrame({0x32, kCard, 0}));
        host->sendRaw(bootLoaderFrame({0x32, kCard, 4}));
        sendChunk(0x300000, image.bytes().data(), true);
        for (std::uint32_t offset = 0; offset < 0x10000; offset += 4096) {
            sendChunk(0x310000 + offset, image.bytes().data() + 0x10000 + offset, true);
        }
        EXPECT_EQ(host->sendRaw(bootLoaderFrame({0x30, kCard, 0x00})),
                  (std::vector<Bytes>{answer(0xB0, 0x00)}));
        EXPECT_EQ(cpu("XDG7D", "CARD").versionWord, spoilTable ? 0x0012 : 0x0014);
        EXPECT_TRUE(flashHolds(0x310000, block1));
    }
}

TEST_F(BootLoaderPath, TrafficIsToldApartByContent) {
    build();
    // A frame with a wrong check byte is skipped; what follows still counts.
    Bytes noisy = bootLoaderFrame({0x30, kCard, 0x01});
    noisy.back() ^= 0x01;
    EXPECT_TRUE(host->sendRaw(noisy).empty());
    EXPECT_EQ(host->sendRaw(bootLoaderFrame({0x30, kCard, 0x01})), (std::vector<Bytes>{answer(0xB0, 0x01)}));
    // A TRX frame right after boot-loader traffic reaches the host side.
    const auto replies = host->send(readRequest(0x0C, 0x00, 256, 2));
    ASSERT_EQ(replies.size(), 1u);
    EXPECT_EQ(replies[0][1], 0x8C);
    // Text, a frame and text again in one read.
    Bytes mixed = textBytes("VER\r");
    const Bytes boot = bootLoaderFrame({0x30, kCard, 0x01});
    mixed.insert(mixed.end(), boot.begin(), boot.end());
    const Bytes exit = textBytes("exit\r");
    mixed.insert(mixed.end(), exit.begin(), exit.end());
    EXPECT_EQ(host->sendRaw(mixed).size(), 3u);
}

TEST_F(BootLoaderPath, AfterAFramePartlyLostTheFollowingFramesStillCount) {
    build();
    Bytes piece{0x31, kCard, 0x00, 0x30, 0x00, 0x00};
    for (int i = 0; i < 128; ++i) {
        piece.push_back(static_cast<std::uint8_t>(i * 37 + 11));
    }
    const Bytes data = bootLoaderFrame(piece);
    for (const std::size_t lost : {1u, 40u, 70u, 135u}) {
        SCOPED_TRACE(lost);
        Bytes stream(data.begin() + static_cast<long>(lost), data.end());
        for (int i = 0; i < 3; ++i) {
            const Bytes boot = bootLoaderFrame({0x30, kCard, 0x01});
            stream.insert(stream.end(), boot.begin(), boot.end());
        }
        // At most the first frame after the damage goes with it.
        EXPECT_GE(host->sendRaw(stream).size(), 2u);
        console->tick(1e9);
    }
}

TEST_F(BootLoaderPath, StaleUnfinishedInputIsForgotten) {
    build();
    host->sendRaw({0x04, 0x30});  // the start of a frame, then silence
    console->tick(sim::SimConsole::kStaleInputMs + 10);
    EXPECT_EQ(host->sendRaw(bootLoaderFrame({0x30, kCard, 0x01})), (std::vector<Bytes>{answer(0xB0, 0x01)}));
}

TEST_F(BootLoaderPath, UnfinishedInputAgesFromItsNewestByte) {
    build();
    const Bytes boot = bootLoaderFrame({0x30, kCard, 0x01});
    host->nowMs = 0;
    EXPECT_TRUE(host->sendRaw(Bytes(boot.begin(), boot.begin() + 2)).empty());
    host->nowMs = 400;
    EXPECT_TRUE(host->sendRaw(Bytes(boot.begin() + 2, boot.begin() + 4)).empty());
    // Past the time-out counted from the first byte, within it from the last.
    console->tick(400 + sim::SimConsole::kStaleInputMs - 10);
    host->nowMs = 400 + sim::SimConsole::kStaleInputMs - 5;
    EXPECT_EQ(host->sendRaw(Bytes(boot.begin() + 4, boot.end())), (std::vector<Bytes>{answer(0xB0, 0x01)}));
}

TEST_F(BootLoaderPath, FaultsOnTheBootLoader) {
    build([](sim::ConsoleDescription& d) {
        faultsOf(d, "XDG7D", "CARD").rejectErase = true;
        faultsOf(d, "XDG7D", "CARD").rejectBlock = 1;
    });
    enterBoot();
    EXPECT_EQ(host->sendRaw(bootLoaderFrame({0x32, kCard, 0})), (std::vector<Bytes>{answer(0xF2, 0)}));
    const std::vector<std::uint8_t> chunk = compressibleChunk();
    EXPECT_EQ(sendChunk(0x300000, chunk.data(), true),
              (std::vector<Bytes>{chunkDoneAnswer(0x300000, false)}));
    // Only the first chunk after the erase is refused.
    EXPECT_EQ(sendChunk(0x301000, chunk.data(), true), (std::vector<Bytes>{chunkDoneAnswer(0x301000, true)}));

    build([](sim::ConsoleDescription& d) { faultsOf(d, "XDG7D", "CARD").silent = true; });
    EXPECT_TRUE(host->sendRaw(bootLoaderFrame({0x30, kCard, 0x01})).empty());
    EXPECT_TRUE(host->sendRaw(textBytes("VER\r")).empty());

    build([](sim::ConsoleDescription& d) { faultsOf(d, "XDG7D", "CARD").corruptEvery = 1; });
    auto replies = host->sendRaw(bootLoaderFrame({0x30, kCard, 0x01}));
    ASSERT_EQ(replies.size(), 1u);
    EXPECT_EQ(replies[0][1], static_cast<std::uint8_t>(0xB0 ^ 0xFF));
    replies = host->sendRaw(textBytes("VER\r"));
    ASSERT_EQ(replies.size(), 1u);
    EXPECT_EQ(replies[0][6], static_cast<std::uint8_t>('1' ^ 0xFF));
}

}  // namespace
}  // namespace simtest

namespace simtest {
namespace {

// Line noise of every kind never upsets the console: afterwards, once the
// unfinished input has gone stale, both protocols answer again.
TEST_F(BootLoaderPath, RandomLineNoiseIsSurvived) {
    build();
    std::uint32_t state = 2024;
    const auto next = [&state] {
        state = state * 1103515245u + 12345u;
        return static_cast<std::uint8_t>(state >> 16);
    };
    double now = 0;
    for (int round = 0; round < 2000; ++round) {
        Bytes noise(next() % 200);
        for (std::uint8_t& byte : noise) {
            // Lean towards the bytes that start or end frames.
            const std::uint8_t pick = next();
            byte = pick < 32 ? static_cast<std::uint8_t>(0xD0 + pick % 2) : next();
        }
        host->nowMs = now;
        host->sendRaw(noise);
        now += 1;
    }
    console->tick(now + sim::SimConsole::kStaleInputMs + 1);
    host->nowMs = now + sim::SimConsole::kStaleInputMs + 2;
    EXPECT_EQ(host->send(readRequest(0x0C, 0x00, 256, 2)).size(), 1u);
    EXPECT_EQ(host->sendRaw(bootLoaderFrame({0x30, kCard, 0x01})).size(), 1u);
}

}  // namespace
}  // namespace simtest
