#include <gtest/gtest.h>

#include "SimFixture.h"
#include "data/FlashImage.h"

namespace simtest {
namespace {

// A standard window with code from 0x200000 on and its version word at 0x40.
data::FlashImage standardImage(std::size_t codeLength, std::uint16_t versionWord) {
    data::FlashImage image;
    EXPECT_TRUE(image.allocate(data::FlashImage::kStandardWindowSize));
    auto bytes = image.bytes();
    for (std::size_t i = 0; i < codeLength; ++i) {
        bytes[i] = static_cast<std::uint8_t>(i * 13 + 5);
    }
    bytes[0x40] = static_cast<std::uint8_t>(versionWord >> 8);
    bytes[0x41] = static_cast<std::uint8_t>(versionWord);
    image.computeChecksum();
    return image;
}

Bytes statusReply(std::uint8_t from, std::uint8_t result) {
    return {0x06, 0x30, from, kPc, 0x01, 0x66, result};
}

class HostInterface : public ConsoleFixture {
  protected:
    void enterBootMode() {
        EXPECT_TRUE(host->send(broadcast(0x33, 1)).empty());
        EXPECT_TRUE(host->send(broadcast(0x33, 0)).empty());
    }
    // Sends the blocks from 0x200000 covering `length` bytes of the image;
    // returns how many were acknowledged with d = 0.
    int sendBlocks(std::uint8_t target, const data::FlashImage& image, std::size_t length) {
        int accepted = 0;
        for (std::size_t offset = 0; offset < length; offset += 128) {
            const auto replies = host->send(dataBlock(target, 0x200000 + static_cast<std::uint32_t>(offset),
                                                      image.bytes().subspan(offset, 128)));
            if (replies.size() == 1 && replies[0] == statusReply(target, 0)) {
                ++accepted;
            }
        }
        return accepted;
    }
};

TEST_F(HostInterface, ReadRepliesCarryVersionWordsAndIdBytesFromTheConnectionPoint) {
    build();
    auto replies = host->send(readRequest(0x0C, 0x00, 256, 2));
    ASSERT_EQ(replies.size(), 1u);
    EXPECT_EQ(replies[0], (Bytes{0x07, 0x8C, 0x00, kPc, 0x01, 0x00, 0x00, 0x05}));

    // A block of ID bytes, one per CPU; the type-3 block is read at 0x13.
    replies = host->send(readRequest(0x0D, 0x00, 4096, 3));
    ASSERT_EQ(replies.size(), 1u);
    EXPECT_EQ(replies[0], (Bytes{0x08, 0x8D, 0x00, kPc, 0x10, 0x00, 0x00, 0x00, 0x00}));
    replies = host->send(readRequest(0x1C, 0x13, 8192, 2));
    ASSERT_EQ(replies.size(), 1u);
    EXPECT_EQ(replies[0], (Bytes{0x07, 0x9C, 0x13, kPc, 0x20, 0x00, 0x01, 0x02}));

    // The 4-byte form answers with the same address form.
    replies = host->send(readRequest(0x31, 0x00, 258, 2));
    ASSERT_EQ(replies.size(), 1u);
    EXPECT_EQ(replies[0], (Bytes{0x09, 0xB1, 0x00, kPc, 0x00, 0x00, 0x01, 0x02, 0x00, 0x05}));

    // The reply goes to whoever asked (Card Direct uses 0xFF).
    replies = host->send(readRequest(0x0C, 0x00, 262, 2, 0xFF));
    ASSERT_EQ(replies.size(), 1u);
    EXPECT_EQ(replies[0], (Bytes{0x07, 0x8C, 0x00, 0xFF, 0x01, 0x06, 0x00, 0x04}));
}

TEST_F(HostInterface, AnEng7ConnectionPointAnswersAt0x10) {
    build([](sim::ConsoleDescription& d) { d.connectionPoint = 0x10; });
    EXPECT_TRUE(host->send(readRequest(0x0C, 0x00, 256, 2)).empty());
    const auto replies = host->send(readRequest(0x0C, 0x10, 256, 2));
    ASSERT_EQ(replies.size(), 1u);
    EXPECT_EQ(replies[0][2], 0x10);
}

TEST_F(HostInterface, CardDirectReachesTheTypeThreeUnitThroughTheGenericProtocolAt0x90) {
    build();
    const data::FlashImage image = standardImage(128, 0x000D);
    enterBootMode();
    const Bytes erase{0x06, 0x30, 0xFF, 0x90, 0x01, 0x67, 0x00};
    EXPECT_EQ(host->send(erase), (std::vector<Bytes>{{0x06, 0x30, 0x90, 0xFF, 0x01, 0x66, 0x00}}));
    EXPECT_EQ(sendBlocks(0x90, image, 128), 1);
    EXPECT_EQ(host->send(checksumRequest(0x90, image.checksum())),
              (std::vector<Bytes>{statusReply(0x90, 0)}));
    EXPECT_EQ(cpu("LIO7", "IOA").versionWord, 0x000D);
}

TEST_F(HostInterface, ReadsNobodyHoldsOrAtAnotherAddressGetNoAnswer) {
    build();
    EXPECT_TRUE(host->send(readRequest(0x0C, 0x00, 0x7777, 2)).empty());
    EXPECT_TRUE(host->send(readRequest(0x0C, 0x10, 256, 2)).empty());  // ENG7 is not the connection point
    EXPECT_TRUE(host->send(readRequest(0x0C, 0x00, 256, 0)).empty());
    EXPECT_TRUE(host->send(readRequest(0x0C, 0x00, 256, 300)).empty());
}

TEST_F(HostInterface, GenericWriteLeavesTheImageInFlashAndTakesItsVersion) {
    build();
    const data::FlashImage image = standardImage(300, 0x0006);
    enterBootMode();
    ASSERT_EQ(host->send(eraseRequest(1)), (std::vector<Bytes>{statusReply(1, 0)}));
    // Three blocks; the last one partial, sent whole with 0xFF behind the data.
    EXPECT_EQ(sendBlocks(1, image, 300), 3);
    EXPECT_EQ(host->send(checksumRequest(1, image.checksum())), (std::vector<Bytes>{statusReply(1, 0)}));

    const sim::FlashDevice& flash = flashOf("SRF7-MAIN");
    ASSERT_EQ(flash.size(), image.size());
    EXPECT_TRUE(std::equal(flash.bytes().begin(), flash.bytes().end(), image.bytes().begin()));
    EXPECT_EQ(cpu("SRF7", "MAIN").versionWord, 0x0006);
    // Get Ver. now reads the new word, for the CPU and for the unit.
    EXPECT_EQ(host->send(readRequest(0x0C, 0x00, 258, 2))[0].back(), 0x06);
    EXPECT_EQ(host->send(readRequest(0x0C, 0x00, 256, 2))[0].back(), 0x06);
    EXPECT_EQ(console->events().count("broadcast"), 2u);
}

TEST_F(HostInterface, WrongChecksumIsRefusedAndTheVersionStays) {
    build();
    const data::FlashImage image = standardImage(256, 0x0006);
    enterBootMode();
    host->send(eraseRequest(1));
    sendBlocks(1, image, 256);
    EXPECT_EQ(host->send(checksumRequest(1, static_cast<std::uint16_t>(image.checksum() + 1))),
              (std::vector<Bytes>{statusReply(1, 1)}));
    EXPECT_EQ(cpu("SRF7", "MAIN").versionWord, 0x0005);
}

TEST_F(HostInterface, EraseOutsideBootModeIsRefusedAndLeavingBootModeEndsIt) {
    build();
    EXPECT_EQ(host->send(eraseRequest(1)), (std::vector<Bytes>{statusReply(1, 1)}));
    enterBootMode();
    EXPECT_EQ(host->send(eraseRequest(1)), (std::vector<Bytes>{statusReply(1, 0)}));
    EXPECT_TRUE(host->send(broadcast(0x34, 0)).empty());
    EXPECT_FALSE(console->state().bootMode);
    EXPECT_EQ(host->send(eraseRequest(1)), (std::vector<Bytes>{statusReply(1, 1)}));
}

TEST_F(HostInterface, WritingOverUnerasedFlashOrOutsideTheWindowIsRefused) {
    build();
    const data::FlashImage image = standardImage(128, 0x0006);
    enterBootMode();
    host->send(eraseRequest(1));
    EXPECT_EQ(sendBlocks(1, image, 128), 1);
    // The same data again is harmless; other data would need bits set again.
    EXPECT_EQ(sendBlocks(1, image, 128), 1);
    Bytes other(128, 0xFF);
    other[0] = 0x00;
    other[1] = 0xFF;
    auto replies = host->send(dataBlock(1, 0x200001, other));
    EXPECT_EQ(replies, (std::vector<Bytes>{statusReply(1, 1)}));
    replies = host->send(dataBlock(1, 0x280000, Bytes(128, 0x00)));
    EXPECT_EQ(replies, (std::vector<Bytes>{statusReply(1, 1)}));
}

TEST_F(HostInterface, TheCpuAtBusTwoKeepsItsCalibrationForTheReadBack) {
    build();
    auto replies = host->send(readRequest(0x31, 2, 0x270000, 128));
    ASSERT_EQ(replies.size(), 1u);
    ASSERT_EQ(replies[0].size(), 8u + 128u);
    EXPECT_EQ(replies[0][0], 0x87);
    EXPECT_EQ(replies[0][1], 0xB1);
    EXPECT_EQ(replies[0][2], 0x02);
    for (std::size_t i = 0; i < 128; ++i) {
        ASSERT_EQ(replies[0][8 + i], static_cast<std::uint8_t>(i * 7 + 3)) << i;
    }
    // Erasing clears it, as on the unit.
    enterBootMode();
    host->send(eraseRequest(2));
    replies = host->send(readRequest(0x31, 2, 0x270000, 128));
    EXPECT_EQ(replies[0][8], 0xFF);
}

TEST_F(HostInterface, CpusOnOneBusAddressShareTheirFlashAndVersion) {
    build();
    data::FlashImage image = standardImage(128, 0x0103);
    enterBootMode();
    host->send(eraseRequest(20));
    EXPECT_EQ(sendBlocks(20, image, 128), 1);
    EXPECT_EQ(host->send(checksumRequest(20, image.checksum())), (std::vector<Bytes>{statusReply(20, 0)}));
    EXPECT_EQ(cpu("ENG7", "DSP1").versionWord, 0x0103);
    EXPECT_EQ(cpu("ENG7", "DSP2").versionWord, 0x0103);
    EXPECT_EQ(cpu("ENG7", "CTRL").versionWord, 0x0102);
}

TEST_F(HostInterface, TypeThreeSelectWriteAndChecksum) {
    build();
    const data::FlashImage image = standardImage(256, 0x000C);
    const Bytes selected{0x09, 0x33, 0x13, kPc, 0x00, 0x12, 0x00, 0x00, 0x00, 0x00};
    EXPECT_EQ(host->send(selectMessage(0x0012, 0x0002)), (std::vector<Bytes>{selected}));
    EXPECT_TRUE(host->send(selectMessage(0x0022, 0x0002)).empty());
    // The first block comes twice: once after the write start, once after its own acknowledgement.
    for (const std::uint32_t address : {0x200000u, 0x200000u, 0x200080u}) {
        const auto replies = host->send(selectBlock(address, image.bytes().subspan(address - 0x200000, 128)));
        ASSERT_EQ(replies, (std::vector<Bytes>{statusReply(0x13, 0)}));
    }
    EXPECT_EQ(host->send(selectMessage(0x0164, image.checksum())),
              (std::vector<Bytes>{{0x07, 0x33, 0x13, kPc, 0x01, 0x64, 0x00, 0x00}}));
    EXPECT_EQ(cpu("LIO7", "IOB").versionWord, 0x000C);
    EXPECT_EQ(cpu("LIO7", "IOA").versionWord, 0x0000);
    const sim::FlashDevice& flash = flashOf("LIO7-IOB");
    EXPECT_TRUE(std::equal(flash.bytes().begin(), flash.bytes().end(), image.bytes().begin()));

    // A wrong checksum is answered with a nonzero word.
    host->send(selectMessage(0x0012, 0x0001));
    const auto refused = host->send(selectMessage(0x0164, 0x1234));
    ASSERT_EQ(refused.size(), 1u);
    EXPECT_NE(refused[0][7], 0x00);
}

TEST_F(HostInterface, TypeThreeSelectAsksForTheEchoFirstWhenSwitchedSo) {
    build([](sim::ConsoleDescription& d) { faultsOf(d, "LIO7", "IOA").echoFirst = true; });
    auto replies = host->send(selectMessage(0x0012, 0x0001));
    ASSERT_EQ(replies, (std::vector<Bytes>{{0x09, 0x33, 0x13, kPc, 0x00, 0x12, 0x5A, 0xA5, 0x00, 0x00}}));
    // The echo carries X back; only then is the CPU selected (and erased).
    replies = host->send(selectMessage(0x0012, 0x5AA5));
    EXPECT_EQ(replies, (std::vector<Bytes>{{0x09, 0x33, 0x13, kPc, 0x00, 0x12, 0x00, 0x00, 0x00, 0x00}}));
    EXPECT_EQ(console->events().count("select-echo"), 1u);
}

TEST_F(HostInterface, SelectingAnAbsentOrWrongCpuAnswersNotTheIntendedObject) {
    build([](sim::ConsoleDescription& d) { faultsOf(d, "LIO7", "IOB").wrongTarget = true; });
    const Bytes wrongTarget{0x09, 0x33, 0x13, kPc, 0x00, 0x12, 0x00, 0x00, 0x00, 0x01};
    EXPECT_EQ(host->send(selectMessage(0x0012, 0x0002)), (std::vector<Bytes>{wrongTarget}));  // fault
    EXPECT_EQ(host->send(selectMessage(0x0012, 0x0010)), (std::vector<Bytes>{wrongTarget}));  // no CPU 4
    EXPECT_EQ(host->send(selectMessage(0x0012, 0x0003)), (std::vector<Bytes>{wrongTarget}));  // two CPUs
    cpu("LIO7", "IOA").idByte = 0xFF;
    EXPECT_EQ(host->send(selectMessage(0x0012, 0x0001)), (std::vector<Bytes>{wrongTarget}));  // absent
}

class TypeFour : public HostInterface {
  protected:
    // A 1 MB image with blocks 1 and 3 marked and the checksum table built.
    static data::FlashImage segmentedImage() {
        data::FlashImage image;
        EXPECT_TRUE(image.allocate(data::FlashImage::kSegmentedWindowSize));
        auto bytes = image.bytes();
        for (std::size_t i = 0x100; i < 0x1000; ++i) {
            bytes[i] = static_cast<std::uint8_t>(i);
        }
        for (const std::size_t block : {1u, 3u}) {
            for (std::size_t i = 0; i < 0x10000; ++i) {
                bytes[block * 0x10000 + i] = static_cast<std::uint8_t>(i * block + 7);
            }
        }
        bytes[7] = 0x0A;
        bytes[0x40] = 0x02;
        bytes[0x41] = 0x01;
        EXPECT_TRUE(image.buildBlockChecksumTable());
        return image;
    }
    // Selects, starts the write and sends the first 4 KB and each marked block.
    void writeSegments(const data::FlashImage& image) {
        host->send(selectMessage(0x0011, 0x0001));
        EXPECT_TRUE(host->send(selectMessage(0x0021, 0x0001)).empty());
        std::vector<std::uint32_t> offsets;
        for (std::uint32_t offset = 0; offset < 0x1000; offset += 128) {
            offsets.push_back(offset);
        }
        for (const std::uint32_t block : {1u, 3u}) {
            for (std::uint32_t offset = 0; offset < 0x10000; offset += 128) {
                offsets.push_back(block * 0x10000 + offset);
            }
        }
        int accepted = 0;
        for (const std::uint32_t offset : offsets) {
            const auto replies =
                host->send(selectBlock(0x300000 + offset, image.bytes().subspan(offset, 128)));
            accepted += replies.size() == 1 && replies[0] == statusReply(0x13, 0);
        }
        EXPECT_EQ(accepted, static_cast<int>(offsets.size()));
    }
};

TEST_F(TypeFour, BlocksMatchingTheirTableEndTheWriteWithSuccess) {
    build();
    const data::FlashImage image = segmentedImage();
    writeSegments(image);
    EXPECT_EQ(host->send(selectMessage(0x0164, 0x0000)),
              (std::vector<Bytes>{{0x07, 0x33, 0x13, kPc, 0x00, 0x21, 0x00, 0x00}}));
    EXPECT_EQ(cpu("XDG7", "MAIN").versionWord, 0x0201);
    const sim::FlashDevice& flash = flashOf("XDG7-MAIN");
    EXPECT_TRUE(std::equal(flash.bytes().begin(), flash.bytes().begin() + 0x1000, image.bytes().begin()));
    EXPECT_TRUE(std::equal(flash.bytes().begin() + 0x30000, flash.bytes().begin() + 0x40000,
                           image.bytes().begin() + 0x30000));
}

TEST_F(TypeFour, ABlockThatDoesNotMatchItsTableFailsTheEndOfWrite) {
    build();
    data::FlashImage image = segmentedImage();
    image.bytes()[10] ^= 0x01;  // spoil the table entry of block 1
    writeSegments(image);
    const auto replies = host->send(selectMessage(0x0164, 0x0000));
    ASSERT_EQ(replies.size(), 1u);
    EXPECT_NE(replies[0][7], 0x00);
    EXPECT_EQ(cpu("XDG7", "MAIN").versionWord, 0x0000);
}

TEST_F(TypeFour, EchoFirstNamesTheCpuAgainInItsLowBits) {
    build([](sim::ConsoleDescription& d) { faultsOf(d, "XDG7", "MAIN").echoFirst = true; });
    auto replies = host->send(selectMessage(0x0011, 0x0001));
    ASSERT_EQ(replies.size(), 1u);
    const std::uint16_t x = static_cast<std::uint16_t>((replies[0][6] << 8) | replies[0][7]);
    ASSERT_NE(x, 0);
    EXPECT_EQ(x % 32, 0);
    replies = host->send(selectMessage(0x0011, static_cast<std::uint16_t>(1u << (x % 32))));
    EXPECT_EQ(replies, (std::vector<Bytes>{{0x09, 0x33, 0x13, kPc, 0x00, 0x11, 0x00, 0x00, 0x00, 0x00}}));
}

class Faults : public HostInterface {};

TEST_F(Faults, SilentCpuAnswersNothingWhileItsNeighboursDo) {
    build([](sim::ConsoleDescription& d) { faultsOf(d, "SRF7", "MAIN").silent = true; });
    enterBootMode();
    EXPECT_TRUE(host->send(eraseRequest(1)).empty());
    EXPECT_TRUE(host->send(readRequest(0x0C, 0x00, 258, 2)).empty());
    EXPECT_EQ(host->send(eraseRequest(2)).size(), 1u);
}

TEST_F(Faults, SilentUnitAnswersNoReadAtAll) {
    build([](sim::ConsoleDescription& d) { d.findUnit("SRF7")->faults.silent = true; });
    EXPECT_TRUE(host->send(readRequest(0x0C, 0x00, 256, 2)).empty());
    EXPECT_TRUE(host->send(readRequest(0x0C, 0x00, 262, 2)).empty());
    EXPECT_EQ(host->send(readRequest(0x0D, 0x00, 4096, 3)).size(), 1u);
}

TEST_F(Faults, RejectEraseBlockAndChecksum) {
    build([](sim::ConsoleDescription& d) {
        faultsOf(d, "SRF7", "MAIN").rejectErase = true;
        faultsOf(d, "SRF7", "SUB").rejectBlock = 2;
        faultsOf(d, "ENG7", "CTRL").rejectChecksum = true;
    });
    const data::FlashImage image = standardImage(512, 0x0006);
    enterBootMode();
    EXPECT_EQ(host->send(eraseRequest(1)), (std::vector<Bytes>{statusReply(1, 1)}));

    EXPECT_EQ(host->send(eraseRequest(2)), (std::vector<Bytes>{statusReply(2, 0)}));
    std::vector<std::uint8_t> results;
    for (std::uint32_t offset = 0; offset < 512; offset += 128) {
        results.push_back(
            host->send(dataBlock(2, 0x200000 + offset, image.bytes().subspan(offset, 128)))[0][6]);
    }
    EXPECT_EQ(results, (std::vector<std::uint8_t>{0, 1, 0, 0}));

    host->send(eraseRequest(17));
    sendBlocks(17, image, 512);
    EXPECT_EQ(host->send(checksumRequest(17, image.checksum())), (std::vector<Bytes>{statusReply(17, 1)}));
    EXPECT_EQ(cpu("ENG7", "CTRL").versionWord, 0x0102);
}

TEST_F(Faults, KeepVersionTakesAVerifiedWriteButReportsTheOldVersion) {
    build([](sim::ConsoleDescription& d) { faultsOf(d, "SRF7", "MAIN").keepVersion = true; });
    const data::FlashImage image = standardImage(256, 0x0006);
    enterBootMode();
    ASSERT_EQ(host->send(eraseRequest(1)), (std::vector<Bytes>{statusReply(1, 0)}));
    EXPECT_EQ(sendBlocks(1, image, 256), 2);
    // The write itself succeeds: the image is in flash and its checksum is accepted.
    EXPECT_EQ(host->send(checksumRequest(1, image.checksum())), (std::vector<Bytes>{statusReply(1, 0)}));
    const sim::FlashDevice& flash = flashOf("SRF7-MAIN");
    EXPECT_TRUE(std::equal(flash.bytes().begin(), flash.bytes().end(), image.bytes().begin()));
    // Only the version words stay: the CPU's and the unit's.
    EXPECT_EQ(host->send(readRequest(0x0C, 0x00, 258, 2))[0].back(), 0x05);
    EXPECT_EQ(host->send(readRequest(0x0C, 0x00, 256, 2))[0].back(), 0x05);
    EXPECT_EQ(console->events().count("version-kept"), 1u);
    EXPECT_EQ(console->events().count("version"), 0u);

    // Its neighbour on a flash of its own takes its new version as usual.
    host->send(eraseRequest(2));
    sendBlocks(2, image, 256);
    host->send(checksumRequest(2, image.checksum()));
    EXPECT_EQ(cpu("SRF7", "SUB").versionWord, 0x0006);
}

TEST_F(Faults, DropEveryNthReplyOfThatCpu) {
    build([](sim::ConsoleDescription& d) { faultsOf(d, "SRF7", "MAIN").dropEvery = 2; });
    std::vector<std::size_t> counts;
    for (int i = 0; i < 6; ++i) {
        counts.push_back(host->send(readRequest(0x0C, 0x00, 258, 2)).size());
    }
    EXPECT_EQ(counts, (std::vector<std::size_t>{1, 0, 1, 0, 1, 0}));
    EXPECT_EQ(console->events().count("fault"), 3u);
}

TEST_F(Faults, DropNthLosesThatOneReplyOnly) {
    build([](sim::ConsoleDescription& d) { faultsOf(d, "SRF7", "MAIN").dropNth = 3; });
    std::vector<std::size_t> counts;
    for (int i = 0; i < 7; ++i) {
        counts.push_back(host->send(readRequest(0x0C, 0x00, 258, 2)).size());
    }
    EXPECT_EQ(counts, (std::vector<std::size_t>{1, 1, 0, 1, 1, 1, 1}));
    EXPECT_EQ(console->events().count("fault"), 1u);
}

TEST_F(Faults, DelayHoldsEveryReplyBack) {
    build([](sim::ConsoleDescription& d) { d.findUnit("SRF7")->faults.delayMs = 25; });
    ASSERT_EQ(host->send(readRequest(0x0C, 0x00, 256, 2)).size(), 1u);
    EXPECT_EQ(host->delays(), (std::vector<double>{25}));
    ASSERT_EQ(host->send(readRequest(0x0D, 0x00, 4096, 3)).size(), 1u);
    EXPECT_EQ(host->delays(), (std::vector<double>{0}));
}

TEST_F(Faults, CorruptEveryNthReplySpoilsItsLastByte) {
    build([](sim::ConsoleDescription& d) { faultsOf(d, "SRF7", "MAIN").corruptEvery = 3; });
    std::vector<std::uint8_t> last;
    for (int i = 0; i < 3; ++i) {
        last.push_back(host->send(readRequest(0x0C, 0x00, 258, 2))[0].back());
    }
    EXPECT_EQ(last, (std::vector<std::uint8_t>{0x05, 0x05, 0xFA}));
}

}  // namespace
}  // namespace simtest
