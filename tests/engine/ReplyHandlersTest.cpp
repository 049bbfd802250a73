// The reply handlers as plain functions: a transfer record, the exchange and
// one received message in, the steps the receive thread takes out. No
// threads, ports or files.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "data/FlashImage.h"
#include "engine/GenericSequence.h"
#include "engine/HostLink.h"
#include "engine/ReplyDispatcher.h"
#include "engine/Type3Sequence.h"
#include "engine/Type4Sequence.h"

namespace engine {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

constexpr std::uint8_t kPc = 0x1F;
constexpr std::uint8_t kUnit = 0x05;

// One line per step, so that a table can list what a reply leads to.
std::vector<std::string> describe(const ReplyActions& actions) {
    static const char* const kPhases[] = {"Idle", "Erase", "Transfer", "Checksum"};
    std::vector<std::string> lines;
    for (const ReplyAction& action : actions.steps()) {
        switch (action.step) {
            case ReplyStep::Accept:
                lines.push_back("accept");
                break;
            case ReplyStep::ShowStatus:
                lines.push_back("status " + std::string(action.text()));
                break;
            case ReplyStep::ShowChecksum:
                lines.push_back("checksum " + std::to_string(action.value));
                break;
            case ReplyStep::SetSequenceError:
                lines.push_back("result " + std::string(resultName(action.result)));
                break;
            case ReplyStep::AdvanceCurrent:
                lines.push_back("current +1");
                break;
            case ReplyStep::AdvanceOverall:
                lines.push_back("total +" + std::to_string(action.value));
                break;
            case ReplyStep::SetPhase:
                lines.push_back(std::string("phase ") + kPhases[static_cast<int>(action.phase)] +
                                (action.error ? " error" : "") + (action.advance ? " advance" : ""));
                break;
            case ReplyStep::Send: {
                // The envelope in hex; of a data block only its first eight bytes.
                std::string line = "send";
                const auto message = actions.message();
                for (std::size_t i = 0; i < message.size() && i < 8; ++i) {
                    char hex[4];
                    std::snprintf(hex, sizeof hex, " %02X", message[i]);
                    line += hex;
                }
                if (message.size() > 8) {
                    line += " +" + std::to_string(message.size() - 8);
                }
                lines.push_back(line);
                break;
            }
        }
    }
    return lines;
}

// A received message with its fields cut as the receive thread cuts them.
struct Received {
    explicit Received(std::vector<std::uint8_t> wire) : bytes(std::move(wire)) {
        const auto parsed = host::parseMessage(bytes);
        EXPECT_TRUE(parsed.has_value());
        if (parsed) {
            message = *parsed;
        }
    }
    std::vector<std::uint8_t> bytes;
    host::HostMessage message;
};

Received statusReply(std::uint8_t from, std::uint8_t answer, std::uint16_t reg = host::kStatusReplyRegister) {
    return Received(
        {0x06, 0x30, from, kPc, static_cast<std::uint8_t>(reg >> 8), static_cast<std::uint8_t>(reg), answer});
}

Received segmentedReply(std::uint16_t reg, std::vector<std::uint8_t> payload, std::uint8_t from = 0x13) {
    std::vector<std::uint8_t> bytes{
        0, 0x33, from, kPc, static_cast<std::uint8_t>(reg >> 8), static_cast<std::uint8_t>(reg)};
    bytes.insert(bytes.end(), payload.begin(), payload.end());
    bytes[0] = static_cast<std::uint8_t>(bytes.size() - 1);
    return Received(bytes);
}

Received readBackReply(std::uint32_t address, std::uint8_t fill, std::uint8_t from = 0x02) {
    std::vector<std::uint8_t> bytes{0x87,
                                    0xB1,
                                    from,
                                    kPc,
                                    static_cast<std::uint8_t>(address >> 24),
                                    static_cast<std::uint8_t>(address >> 16),
                                    static_cast<std::uint8_t>(address >> 8),
                                    static_cast<std::uint8_t>(address)};
    bytes.insert(bytes.end(), host::kDataBlockSize, fill);
    return Received(bytes);
}

ExchangeSnapshot exchange(ExchangePhase phase, RequestKind request = RequestKind::Write,
                          std::uint8_t target = kUnit) {
    ExchangeSnapshot snapshot;
    snapshot.phase = phase;
    snapshot.request = request;
    snapshot.ownAddress = kPc;
    snapshot.targetAddress = target;
    return snapshot;
}

// ---- generic status handler -----------------------------------------------------

// A 300-byte image at window offset 0x10 for unit address 0x200010.
struct GenericCase {
    const char* name;
    ExchangePhase phase;
    RequestKind request;
    std::uint8_t answer;
    void (*arrange)(GenericTransfer&);
    std::vector<std::string> steps;
};

void PrintTo(const GenericCase& entry, std::ostream* out) {
    *out << entry.name;
}

class GenericStatusReply : public ::testing::TestWithParam<GenericCase> {
  protected:
    GenericStatusReply() : window(0x80000, 0x00) {
        transfer.image.cursor = {0x10, 0x10 + 299, 0x200010};
        transfer.image.checksum = 0x1234;
    }
    std::vector<std::uint8_t> window;
    GenericTransfer transfer;
};

TEST_P(GenericStatusReply, LeadsToTheseSteps) {
    const GenericCase& entry = GetParam();
    if (entry.arrange != nullptr) {
        entry.arrange(transfer);
    }
    const auto reply = statusReply(kUnit, entry.answer);
    const ReplyActions actions =
        answerGenericStatus(transfer, exchange(entry.phase, entry.request), reply.message, window);
    EXPECT_EQ(describe(actions), entry.steps);
}

INSTANTIATE_TEST_SUITE_P(
    Table, GenericStatusReply,
    ::testing::Values(
        GenericCase{
            "EraseAcknowledgementStartsTheTransfer",
            ExchangePhase::Erase,
            RequestKind::Write,
            0,
            nullptr,
            {"accept", "status Erase Completed", "phase Transfer advance",
             "status   Writing 00200010H - 0020008FH", "current +1", "send 87 32 1F 05 00 20 00 10 +128"}},
        GenericCase{"EraseOnlyEndsAtTheEraseReplyAndSkipsTwoTotalSteps",
                    ExchangePhase::Erase,
                    RequestKind::EraseOnly,
                    0,
                    nullptr,
                    {"accept", "status Erase Completed", "total +2", "phase Idle advance"}},
        GenericCase{"RefusedErase",
                    ExchangePhase::Erase,
                    RequestKind::Write,
                    1,
                    nullptr,
                    {"accept", "status Erase Failed", "result EraseFailed", "phase Idle error advance"}},
        GenericCase{"RefusedBlockNamesTheBlockJustSent",
                    ExchangePhase::Transfer,
                    RequestKind::Write,
                    1,
                    [](GenericTransfer& t) { t.image.cursor.unit = 0x200100; },
                    {"accept", "status Write Failed (00200080H - 002000FFH)", "result WriteFailed",
                     "phase Idle error advance"}},
        GenericCase{"AfterTheLastBlockTheChecksum",
                    ExchangePhase::Transfer,
                    RequestKind::Write,
                    0,
                    [](GenericTransfer& t) { t.image.cursor.source = t.image.cursor.end + 1; },
                    {"accept", "phase Checksum advance", "status   Writing Checksum 1234H",
                     "send 07 30 1F 05 01 64 12 34"}},
        GenericCase{"AfterTheLastBlockThePreservedAreaIsWrittenBack",
                    ExchangePhase::Transfer,
                    RequestKind::Write,
                    0,
                    [](GenericTransfer& t) {
                        t.image.cursor.source = t.image.cursor.end + 1;
                        t.writeBack = true;
                        t.readBackArea = 0x70000;
                    },
                    {"accept", "status   Writing 00270000H - 0027007FH", "current +1",
                     "send 87 32 1F 05 00 27 00 00 +128"}},
        GenericCase{"ChecksumAccepted",
                    ExchangePhase::Checksum,
                    RequestKind::Write,
                    0,
                    nullptr,
                    {"accept", "status Write Completed", "phase Idle advance"}},
        GenericCase{
            "ChecksumRefused",
            ExchangePhase::Checksum,
            RequestKind::Write,
            2,
            nullptr,
            {"accept", "status Checksum Failed", "result ChecksumFailed", "phase Idle error advance"}},
        GenericCase{
            "OutsideAnExchangeOnlyCounts", ExchangePhase::Idle, RequestKind::Write, 0, nullptr, {"accept"}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(GenericStatusReplies, TheWriteBackSendsTheAreaAndTheBlockAfterIt) {
    std::vector<std::uint8_t> window(0x80000, 0xFF);
    for (std::size_t i = 0; i < 0x480; ++i) {
        window[0x70000 + i] = static_cast<std::uint8_t>(i / 128 + 1);
    }
    GenericTransfer transfer;
    transfer.image.cursor = {0x100, 0xFF, 0x200100};  // the image is through
    transfer.writeBack = true;
    transfer.readBackArea = 0x70000;
    std::vector<std::uint32_t> addresses;
    for (int block = 0; block < 10; ++block) {
        const ReplyActions actions = answerGenericStatus(transfer, exchange(ExchangePhase::Transfer),
                                                         statusReply(kUnit, 0).message, window);
        const auto message = actions.message();
        ASSERT_FALSE(message.empty());
        if (message[1] != host::kCommandData32) {
            EXPECT_EQ(message[1], host::kCommandStatus) << "the checksum follows the write-back";
            break;
        }
        addresses.push_back((message[5] << 16) | (message[6] << 8) | message[7]);
        EXPECT_EQ(message[8], block + 1) << "block " << block << " carries its own part of the area";
    }
    EXPECT_THAT(addresses, ElementsAre(0x270000u, 0x270080u, 0x270100u, 0x270180u, 0x270200u, 0x270280u,
                                       0x270300u, 0x270380u, 0x270400u));
    EXPECT_FALSE(transfer.writeBack);
}

TEST(GenericStatusReplies, APartialLastBlockIsSentWholeWithErasedBytes) {
    std::vector<std::uint8_t> window(0x100, 0x11);
    GenericTransfer transfer;
    transfer.image.cursor = {0xC0, 0xFF, 0x2000C0};  // the block runs 64 bytes past the window
    const ReplyActions actions = answerGenericStatus(transfer, exchange(ExchangePhase::Transfer),
                                                     statusReply(kUnit, 0).message, window);
    const auto message = actions.message();
    ASSERT_EQ(message.size(), 136u);
    EXPECT_EQ(message[8], 0x11);
    EXPECT_EQ(message[8 + 63], 0x11);
    EXPECT_EQ(message[8 + 64], 0xFF);
    EXPECT_EQ(message[135], 0xFF);
    EXPECT_TRUE(transfer.image.cursor.passedEnd());
}

TEST(GenericStatusReplies, RepliesOfOtherUnitsOrRegistersAreNotLookedAt) {
    std::vector<std::uint8_t> window(0x100, 0);
    GenericTransfer transfer;
    const GenericTransfer before = transfer;
    EXPECT_TRUE(
        answerGenericStatus(transfer, exchange(ExchangePhase::Erase), statusReply(0x06, 0).message, window)
            .empty());
    EXPECT_TRUE(answerGenericStatus(transfer, exchange(ExchangePhase::Erase),
                                    statusReply(kUnit, 0, 0x0164).message, window)
                    .empty());
    EXPECT_EQ(transfer.image.cursor.unit, before.image.cursor.unit);
}

// ---- read-back of the preserved area -------------------------------------------

class ReadBack : public ::testing::Test {
  protected:
    ReadBack() : window(0x80000, 0xFF) {
        transfer.readBackArea = 0x70000;
        transfer.readBackAddress = host::kReadBackAddress;
    }
    ReplyActions answer(const Received& reply) {
        return answerReadBack(transfer, exchange(ExchangePhase::Erase, RequestKind::Write, 0x02),
                              reply.message, window);
    }
    std::vector<std::uint8_t> window;
    GenericTransfer transfer;
};

TEST_F(ReadBack, EachPieceGoesIntoTheWindowAndAsksForTheNextWithoutCounting) {
    EXPECT_THAT(describe(answer(readBackReply(0x270000, 0xA1))),
                ElementsAre("send 09 F1 1F 02 00 27 00 80 +2"));
    EXPECT_EQ(window[0x70000], 0xA1);
    EXPECT_EQ(window[0x7007F], 0xA1);
    EXPECT_EQ(window[0x70080], 0xFF);
    EXPECT_EQ(transfer.readBackAddress, 0x270080u);
    EXPECT_FALSE(transfer.writeBack);
}

TEST_F(ReadBack, TheLastPieceRecomputesTheChecksumAndSendsTheErase) {
    transfer.readBackAddress = 0x270380;
    const ReplyActions actions = answer(readBackReply(0x270380, 0x01));
    std::vector<std::uint8_t> expected(0x80000, 0xFF);
    std::fill_n(expected.begin() + 0x70380, 128, 0x01);
    const std::uint16_t checksum = data::FlashImage::checksumOf(expected);
    EXPECT_THAT(describe(actions),
                ElementsAre("checksum " + std::to_string(checksum), "send 06 30 1F 02 01 67 00"));
    EXPECT_EQ(transfer.image.checksum, checksum);
    EXPECT_TRUE(transfer.writeBack);
}

TEST_F(ReadBack, PiecesThatWereNotAskedForAreDropped) {
    EXPECT_TRUE(answer(readBackReply(0x270080, 0xA1)).empty());        // not the request in flight
    EXPECT_TRUE(answer(readBackReply(0x270000, 0xA1, 0x03)).empty());  // another unit
    transfer.readBackArea = 0x7FFC0;                                   // the area would run past the window
    EXPECT_TRUE(answer(readBackReply(0x270000, 0xA1)).empty());
    EXPECT_EQ(window[0x70000], 0xFF);
    EXPECT_EQ(window[0x7FFC0], 0xFF);
}

// ---- type-3 handlers ----------------------------------------------------------------

struct SegmentedCase {
    const char* name;
    ExchangePhase phase;
    std::vector<std::uint8_t> wire;
    std::vector<std::string> steps;
};

void PrintTo(const SegmentedCase& entry, std::ostream* out) {
    *out << entry.name;
}

class Type3Reply : public ::testing::TestWithParam<SegmentedCase> {};

TEST_P(Type3Reply, LeadsToTheseSteps) {
    ImageTransfer transfer;
    transfer.cursor = {0, 0xFF, 0x200000};
    transfer.checksum = 0xBEEF;
    const std::vector<std::uint8_t> window(0x100, 0x44);
    const Received reply(GetParam().wire);
    const ReplyActions actions =
        answerType3(transfer, exchange(GetParam().phase, RequestKind::Write, 0x13), reply.message, window);
    EXPECT_EQ(describe(actions), GetParam().steps);
}

INSTANTIATE_TEST_SUITE_P(
    Table, Type3Reply,
    ::testing::Values(SegmentedCase{"AnEchoWordIsSentBackAndTheSelectGoesOn",
                                    ExchangePhase::Erase,
                                    {0x09, 0x33, 0x13, 0x1F, 0x00, 0x12, 0xA5, 0x5A, 0x00, 0x00},
                                    {"accept", "send 07 33 1F 13 00 12 A5 5A"}},
                      SegmentedCase{"ASelectRefusedIsNotTheIntendedObject",
                                    ExchangePhase::Erase,
                                    {0x09, 0x33, 0x13, 0x1F, 0x00, 0x12, 0x00, 0x00, 0x00, 0x01},
                                    {"accept", "status Not the intended object!!", "result WrongTarget",
                                     "total +2", "phase Idle error advance"}},
                      SegmentedCase{"ASelectAnsweredWithZerosHasErased",
                                    ExchangePhase::Erase,
                                    {0x09, 0x33, 0x13, 0x1F, 0x00, 0x12, 0x00, 0x00, 0x00, 0x00},
                                    {"accept", "result Ok", "phase Idle advance"}},
                      SegmentedCase{"ASelectReplyAtAnotherRegisterIsIgnored",
                                    ExchangePhase::Erase,
                                    {0x09, 0x33, 0x13, 0x1F, 0x00, 0x11, 0x00, 0x00, 0x00, 0x00},
                                    {}},
                      SegmentedCase{"TheChecksumReplyCountsAtAnyRegister",
                                    ExchangePhase::Checksum,
                                    {0x07, 0x33, 0x13, 0x1F, 0x01, 0x64, 0x00, 0x01},
                                    {"accept", "status Checksum Failed", "result ChecksumFailed",
                                     "phase Idle error advance"}},
                      SegmentedCase{"AnAcknowledgedBlockSendsTheNext",
                                    ExchangePhase::Transfer,
                                    {0x06, 0x30, 0x13, 0x1F, 0x01, 0x66, 0x00},
                                    {"accept", "status   Writing 00200000H - 0020007FH", "current +1",
                                     "send 87 33 1F 13 80 20 00 00 +128"}},
                      SegmentedCase{"ARefusedBlock",
                                    ExchangePhase::Transfer,
                                    {0x06, 0x30, 0x13, 0x1F, 0x01, 0x66, 0x04},
                                    {"accept", "status Write Failed (001FFF80H - 001FFFFFH)",
                                     "result WriteFailed", "phase Idle error advance"}},
                      SegmentedCase{"AnotherSenderIsIgnored",
                                    ExchangePhase::Transfer,
                                    {0x06, 0x30, 0x14, 0x1F, 0x01, 0x66, 0x00},
                                    {}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Type3Replies, AfterTheLastBlockTheChecksumIsSentWithoutAStep) {
    ImageTransfer transfer;
    transfer.cursor = {0x100, 0xFF, 0x200100};
    transfer.checksum = 0xBEEF;
    const std::vector<std::uint8_t> window(0x100, 0);
    const ReplyActions actions =
        answerType3(transfer, exchange(ExchangePhase::Transfer, RequestKind::Write, 0x13),
                    statusReply(0x13, 0).message, window);
    EXPECT_THAT(describe(actions), ElementsAre("accept", "phase Checksum", "status   Writing Checksum BEEFH",
                                               "send 07 33 1F 13 01 64 BE EF"));
}

// ---- type-4 handlers ----------------------------------------------------------------

class Type4Replies : public ::testing::Test {
  protected:
    Type4Replies() : window(0x100000, 0x00) {
        transfer.cursor = {0, 0, 0x300000};
        transfer.blockMask = 0x0A;  // blocks 1 and 3
    }
    ReplyActions answer(ExchangePhase phase, const Received& reply) {
        return answerType4(transfer, exchange(phase, RequestKind::Write, 0x13), reply.message, window);
    }
    ReplyActions acknowledge() { return answer(ExchangePhase::Transfer, statusReply(0x13, 0)); }

    std::vector<std::uint8_t> window;
    SegmentTransfer transfer;
};

TEST_F(Type4Replies, AnyMessageOfTheUnitCountsEvenOutOfPhase) {
    EXPECT_THAT(describe(answer(ExchangePhase::Idle, statusReply(0x13, 0))), ElementsAre("accept"));
    EXPECT_THAT(describe(answer(ExchangePhase::Transfer, segmentedReply(0x0012, {0, 0, 0, 0}))),
                ElementsAre("accept"));
    EXPECT_TRUE(answer(ExchangePhase::Transfer, statusReply(0x14, 0)).empty());
}

TEST_F(Type4Replies, AnEchoWordSelectsTheRowItNames) {
    // 33 mod 32 is 1: the mask of row 1.
    EXPECT_THAT(describe(answer(ExchangePhase::Erase, segmentedReply(0x0011, {0x00, 0x21, 0x00, 0x00}))),
                ElementsAre("accept", "send 07 33 1F 13 00 11 00 02"));
}

TEST_F(Type4Replies, TheEndReplyDecidesTheResultWithoutTheErrorFlag) {
    EXPECT_THAT(describe(answer(ExchangePhase::Checksum, segmentedReply(0x0021, {0x00, 0x01}))),
                ElementsAre("accept", "result WriteFailed", "phase Idle advance"));
    EXPECT_THAT(describe(answer(ExchangePhase::Checksum, segmentedReply(0x0021, {0x00, 0x00}))),
                ElementsAre("accept", "result Ok", "phase Idle advance"));
    EXPECT_THAT(describe(answer(ExchangePhase::Checksum, segmentedReply(0x0164, {0x00, 0x00}))),
                ElementsAre("accept"));
}

TEST_F(Type4Replies, TheLastBlockOfTheFirst4KMovesOnToTheFirstMarkedBlock) {
    transfer.cursor = {0xF80, 0, 0x300F80};
    EXPECT_THAT(describe(acknowledge()),
                ElementsAre("accept", "status Writing 00300F80H - 00300FFFH (Block 0000)",
                            "send 87 33 1F 13 80 30 0F 80 +128", "current +1"));
    EXPECT_EQ(transfer.cursor.unit, 0x310000u);
    EXPECT_EQ(transfer.cursor.source, 0x10000u);
    EXPECT_EQ(transfer.stage, BlockStage::FindNext);
    EXPECT_EQ(transfer.blockIndex, 1);
}

TEST_F(Type4Replies, MarkedBlocksAreSentAtTheirOwnAddressesAndUnmarkedOnesSkipped) {
    transfer.cursor = {0x10000, 0, 0x310000};
    transfer.stage = BlockStage::FindNext;
    transfer.blockIndex = 1;
    EXPECT_THAT(describe(acknowledge()),
                ElementsAre("accept", "status Writing 00310000H - 0031007FH (Block 0001)", "current +1",
                            "send 87 33 1F 13 80 31 00 00 +128"));
    EXPECT_EQ(transfer.stage, BlockStage::Sending);
    // The rest of block 1, then block 2 is passed over for block 3.
    for (int i = 1; i < 512; ++i) {
        acknowledge();
    }
    EXPECT_EQ(transfer.stage, BlockStage::FindNext);
    const ReplyActions next = acknowledge();
    EXPECT_THAT(describe(next)[1], "status Writing 00330000H - 0033007FH (Block 0003)");
    EXPECT_EQ(transfer.cursor.source, 0x30080u);
}

TEST_F(Type4Replies, WithNoMarkedBlockLeftTheEndOfWriteIsSent) {
    transfer.cursor = {0x40000, 0, 0x340000};
    transfer.stage = BlockStage::FindNext;
    transfer.blockIndex = 4;
    EXPECT_THAT(describe(acknowledge()),
                ElementsAre("accept", "phase Checksum", "send 07 33 1F 13 01 64 00 00"));
    EXPECT_EQ(transfer.blockIndex, 16);
}

TEST_F(Type4Replies, ARefusedBlockFails) {
    transfer.cursor = {0x80, 0, 0x300080};
    EXPECT_THAT(describe(answer(ExchangePhase::Transfer, statusReply(0x13, 1))),
                ElementsAre("accept", "status Write Failed (00300000H - 0030007FH)", "result WriteFailed",
                            "phase Idle error advance"));
}

// ---- read replies ------------------------------------------------------------------------

TEST(ReadReplies, TheAnswerToTheReadInFlightFillsTheBufferAndEndsTheRead) {
    ExchangeSnapshot reading = exchange(ExchangePhase::Transfer, RequestKind::VersionRead, 0x00);
    reading.pendingAddress = 0x1000;
    reading.pendingLength = 2;
    std::array<std::uint8_t, host::kBufferSize> buffer{};
    const Received reply({0x07, 0x8C, 0x00, kPc, 0x10, 0x00, 0x01, 0x05});
    EXPECT_THAT(describe(answerRead(reading, reply.message, buffer)), ElementsAre("accept", "phase Idle"));
    EXPECT_EQ(buffer[0], 0x01);
    EXPECT_EQ(buffer[1], 0x05);
}

TEST(ReadReplies, AnythingElseLeavesTheReadWaiting) {
    ExchangeSnapshot reading = exchange(ExchangePhase::Transfer, RequestKind::VersionRead, 0x00);
    reading.pendingAddress = 0x1000;
    reading.pendingLength = 2;
    std::array<std::uint8_t, host::kBufferSize> buffer{};
    const Received otherAddress({0x07, 0x8C, 0x00, kPc, 0x10, 0x02, 0x01, 0x05});
    const Received otherUnit({0x07, 0x8C, 0x10, kPc, 0x10, 0x00, 0x01, 0x05});
    const Received shorter({0x06, 0x8C, 0x00, kPc, 0x10, 0x00, 0x01});
    EXPECT_TRUE(answerRead(reading, otherAddress.message, buffer).empty());
    EXPECT_TRUE(answerRead(reading, otherUnit.message, buffer).empty());
    EXPECT_TRUE(answerRead(reading, shorter.message, buffer).empty());
    reading.request = RequestKind::Write;
    const Received right({0x07, 0x8C, 0x00, kPc, 0x10, 0x00, 0x01, 0x05});
    EXPECT_TRUE(answerRead(reading, right.message, buffer).empty());
    EXPECT_EQ(buffer[0], 0x00);
}

// ---- routing ---------------------------------------------------------------------------------

struct RouteCase {
    const char* name;
    std::vector<std::uint8_t> wire;
    data::WritingPort port;
    data::UnitKind unit;
    RequestKind request;
    ExchangePhase phase;
    ReplyRoute route;
};

void PrintTo(const RouteCase& entry, std::ostream* out) {
    *out << entry.name;
}

class Routing : public ::testing::TestWithParam<RouteCase> {};

TEST_P(Routing, SendsTheMessageToItsHandler) {
    const RouteCase& entry = GetParam();
    const Received received(entry.wire);
    EXPECT_EQ(routeOf(received.message, exchange(entry.phase, entry.request), entry.port, entry.unit),
              entry.route);
}

constexpr auto kHost = data::WritingPort::HostInterface;
constexpr auto kCard = data::WritingPort::CardDirect;
const std::vector<std::uint8_t> kStatus{0x06, 0x30, 0x13, kPc, 0x01, 0x66, 0x00};
const std::vector<std::uint8_t> kSegmented{0x07, 0x33, 0x13, kPc, 0x00, 0x12, 0x00, 0x00};
const std::vector<std::uint8_t> kRead32{0x09, 0xB1, 0x02, kPc, 0x00, 0x27, 0x00, 0x00, 0xAA, 0xBB};

INSTANTIATE_TEST_SUITE_P(
    Table, Routing,
    ::testing::Values(
        RouteCase{"StatusOfAType3UnitThroughTheHostInterface", kStatus, kHost, data::UnitKind::Type3,
                  RequestKind::Write, ExchangePhase::Transfer, ReplyRoute::Type3},
        RouteCase{"StatusDuringAVersionReadIsStray", kStatus, kHost, data::UnitKind::Generic,
                  RequestKind::VersionRead, ExchangePhase::Transfer, ReplyRoute::Drop},
        RouteCase{"StatusDuringABlockReadIsStray", kStatus, kHost, data::UnitKind::Type3,
                  RequestKind::BlockRead, ExchangePhase::Transfer, ReplyRoute::Drop},
        RouteCase{"SegmentedAnswerDuringAReadIsStray", kSegmented, kHost, data::UnitKind::Type4,
                  RequestKind::VersionRead, ExchangePhase::Transfer, ReplyRoute::Drop},
        RouteCase{"StatusOfAnEraseOnly", kStatus, kHost, data::UnitKind::Generic, RequestKind::EraseOnly,
                  ExchangePhase::Erase, ReplyRoute::GenericStatus},
        RouteCase{"StatusOfAType3UnitOnCardDirectIsGeneric", kStatus, kCard, data::UnitKind::Type3,
                  RequestKind::Write, ExchangePhase::Transfer, ReplyRoute::GenericStatus},
        RouteCase{"StatusOfAType4Unit", kStatus, kHost, data::UnitKind::Type4, RequestKind::Write,
                  ExchangePhase::Transfer, ReplyRoute::Type4},
        RouteCase{"StatusOfAnyOtherUnit", kStatus, kHost, data::UnitKind::Eng7, RequestKind::Write,
                  ExchangePhase::Transfer, ReplyRoute::GenericStatus},
        RouteCase{"StatusWithReadReplyKindBitsIsStillAStatus",
                  {0x06, 0xB0, 0x05, kPc, 0x01, 0x66, 0x00},
                  kHost,
                  data::UnitKind::Generic,
                  RequestKind::Write,
                  ExchangePhase::Transfer,
                  ReplyRoute::GenericStatus},
        RouteCase{"Command33OfAType4Unit", kSegmented, kHost, data::UnitKind::Type4, RequestKind::Write,
                  ExchangePhase::Erase, ReplyRoute::Type4},
        RouteCase{"Command33OnCardDirect", kSegmented, kCard, data::UnitKind::Type3, RequestKind::Write,
                  ExchangePhase::Erase, ReplyRoute::Drop},
        RouteCase{"Command33OfAGenericUnit", kSegmented, kHost, data::UnitKind::Generic, RequestKind::Write,
                  ExchangePhase::Erase, ReplyRoute::Drop},
        RouteCase{"ReadReplyOfAConfiguredCommand",
                  {0x07, 0x9D, 0x00, kPc, 0x10, 0x00, 0x01, 0x05},
                  kHost,
                  data::UnitKind::Generic,
                  RequestKind::VersionRead,
                  ExchangePhase::Transfer,
                  ReplyRoute::Read},
        RouteCase{"ARequestIsNoReply",
                  {0x07, 0xCC, 0x00, kPc, 0x10, 0x00, 0x00, 0x02},
                  kHost,
                  data::UnitKind::Generic,
                  RequestKind::VersionRead,
                  ExchangePhase::Transfer,
                  ReplyRoute::Drop},
        RouteCase{"LongReadReplyDuringTheEraseOfAWriteIsTheReadBack", kRead32, kHost, data::UnitKind::Generic,
                  RequestKind::Write, ExchangePhase::Erase, ReplyRoute::ReadBack},
        RouteCase{"LongReadReplyOfABlockRead", kRead32, kHost, data::UnitKind::Generic,
                  RequestKind::BlockRead, ExchangePhase::Transfer, ReplyRoute::Read},
        RouteCase{"LongReadReplyOfAVersionRead", kRead32, kHost, data::UnitKind::Generic,
                  RequestKind::VersionRead, ExchangePhase::Transfer, ReplyRoute::Drop},
        RouteCase{"ForAnotherReceiver",
                  {0x06, 0x30, 0x05, 0x20, 0x01, 0x66, 0x00},
                  kHost,
                  data::UnitKind::Generic,
                  RequestKind::Write,
                  ExchangePhase::Transfer,
                  ReplyRoute::Drop},
        RouteCase{"AnyOtherCommand",
                  {0x07, 0x20, 0x05, kPc, 0x00, 0x20, 0x00, 0x00},
                  kHost,
                  data::UnitKind::Generic,
                  RequestKind::Write,
                  ExchangePhase::Transfer,
                  ReplyRoute::Drop}),
    [](const auto& info) { return std::string(info.param.name); });

// ---- the action list -------------------------------------------------------------------------

TEST(ReplyActionList, KeepsItsOrderCutsLongTextsAndNeverOverruns) {
    ReplyActions actions;
    actions.showStatus(std::string(200, 'x'));
    EXPECT_EQ(actions.steps()[0].text().size(), ReplyAction::kTextCapacity - 1);
    for (std::size_t i = 0; i < ReplyActions::kCapacity + 3; ++i) {
        actions.advanceCurrent();
    }
    EXPECT_EQ(actions.steps().size(), ReplyActions::kCapacity);
    EXPECT_EQ(actions.steps()[0].step, ReplyStep::ShowStatus);
}

}  // namespace
}  // namespace engine
