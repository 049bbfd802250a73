// Each sequence's conversation against a scripted far end: the replies that
// come in, and what goes out in answer, with the status line it shows and
// how the exchange ends. One thread, no port, no files.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "HostLink.h"
#include "ReplyReading.h"
#include "ScriptedLine.h"
#include "Sequences.h"
#include "data/FlashImage.h"
#include "engine/FrontEnd.h"
#include "engine/StatusModel.h"

namespace engine {
namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using testing::ScriptedLine;
using Message = ScriptedLine::Message;

constexpr std::uint8_t kPc = 0x1F;
constexpr std::uint8_t kUnit = 0x05;

std::string hex(const Message& message) {
    // The envelope; of a data block only its first eight bytes.
    std::string line;
    for (std::size_t i = 0; i < message.size() && i < 8; ++i) {
        char text[4];
        std::snprintf(text, sizeof text, " %02X", message[i]);
        line += text;
    }
    if (message.size() > 8) {
        line += " +" + std::to_string(message.size() - 8);
    }
    return line;
}

Message statusReply(std::uint8_t from, std::uint8_t answer, std::uint16_t reg = host::kStatusReplyRegister) {
    return {0x06,  0x30, from, kPc, static_cast<std::uint8_t>(reg >> 8), static_cast<std::uint8_t>(reg),
            answer};
}

Message segmentedReply(std::uint16_t reg, std::vector<std::uint8_t> payload, std::uint8_t from = 0x13) {
    Message bytes{0, 0x33, from, kPc, static_cast<std::uint8_t>(reg >> 8), static_cast<std::uint8_t>(reg)};
    bytes.insert(bytes.end(), payload.begin(), payload.end());
    bytes[0] = static_cast<std::uint8_t>(bytes.size() - 1);
    return bytes;
}

Message readBackReply(std::uint32_t address, std::uint8_t fill, std::uint8_t from = 0x02) {
    Message bytes{0x87,
                  0xB1,
                  from,
                  kPc,
                  static_cast<std::uint8_t>(address >> 24),
                  static_cast<std::uint8_t>(address >> 16),
                  static_cast<std::uint8_t>(address >> 8),
                  static_cast<std::uint8_t>(address)};
    bytes.insert(bytes.end(), host::kDataBlockSize, fill);
    return bytes;
}

// The engine's side: a link on the scripted line, the status it shows.
class Conversation : public ::testing::Test {
  protected:
    Conversation() {
        link.setInterfaceApi(&line.api());
        link.open(data::CommSettings{}, data::WritingPort::HostInterface);
        link.setTimeoutTicks(50);
        status.setCurrentTotal(10000);
        status.setOverallTotal(10000);
        line.responder = [this](const Message&, ScriptedLine& self) {
            shownAtSend.push_back(status.statusText());
            if (answer) {
                answer(self.sent.back(), self);
            }
        };
    }

    void queue(std::initializer_list<Message> replies) {
        for (const Message& reply : replies) {
            line.queue(reply);
        }
    }

    // Each message sent, after the status line it left with (when that
    // changed), then the last status line and how the exchange ended:
    // "silence" when the script ran out, "red" for a red status line, and
    // the steps made on the Current and Total bars.
    std::vector<std::string> transcript(ResultCode result) {
        std::vector<std::string> lines;
        std::string shown;
        auto showStatus = [&](const std::string& text) {
            if (text != shown) {
                lines.push_back("status " + text);
                shown = text;
            }
        };
        for (std::size_t i = 0; i < line.sent.size(); ++i) {
            showStatus(shownAtSend[i]);
            lines.push_back("send" + hex(line.sent[i]));
        }
        showStatus(status.statusText());
        const std::string ending =
            result == ResultCode::Cancelled ? "silence" : std::string(resultName(result));
        lines.push_back("end " + ending + (status.errorFlag() ? " red" : "") + " bars " +
                        std::to_string(status.currentPos()) + "/" + std::to_string(status.overallPos()));
        return lines;
    }

    // The unit addresses of the data blocks sent with command, in order.
    std::vector<std::uint32_t> blockAddresses(std::uint8_t command) const {
        std::vector<std::uint32_t> addresses;
        for (const Message& message : line.sent) {
            if (message.size() == 136 && message[1] == command) {
                addresses.push_back((std::uint32_t{message[5]} << 16) | (message[6] << 8) | message[7]);
            }
        }
        return addresses;
    }

    // The reading of a communication log follows the same conversation from
    // the messages on the line alone: what it makes of each reply delivered.
    std::vector<trace::ReplyReading> readAsTheTrace() const {
        trace::ReplyReplay replay;
        std::vector<trace::ReplyReading> readings;
        auto readUpTo = [&](std::size_t count) {
            while (readings.size() < count) {
                const auto message = host::parseMessage(line.delivered[readings.size()]);
                readings.push_back(message ? replay.read(*message) : trace::ReplyReading{});
            }
        };
        for (std::size_t i = 0; i < line.sent.size(); ++i) {
            readUpTo(line.deliveredBeforeSend[i]);
            if (const auto message = host::parseMessage(line.sent[i])) {
                replay.noteSent(*message);
            }
        }
        readUpTo(line.delivered.size());
        return readings;
    }

    // The trace ends the conversation with the engine's failure and its
    // status line, or with none; every reply the engine sent on it took in.
    void expectTheTraceReadsItAlike(ResultCode result) const {
        const std::vector<trace::ReplyReading> readings = readAsTheTrace();
        ResultCode traced = ResultCode::Ok;
        std::string shown;
        for (const trace::ReplyReading& reading : readings) {
            traced = traced == ResultCode::Ok ? reading.error : traced;
            shown = reading.status.empty() ? shown : reading.status;
        }
        const bool refused = result == ResultCode::EraseFailed || result == ResultCode::WriteFailed ||
                             result == ResultCode::ChecksumFailed || result == ResultCode::WrongTarget;
        EXPECT_EQ(traced, refused ? result : ResultCode::Ok);
        if (result != ResultCode::Cancelled && result != ResultCode::TimedOut && !shown.empty()) {
            EXPECT_EQ(shown, status.statusText());
        }
        for (std::size_t i = 1; i < line.sent.size(); ++i) {
            const std::size_t before = line.deliveredBeforeSend[i];
            if (before > line.deliveredBeforeSend[i - 1]) {
                EXPECT_TRUE(readings[before - 1].taken) << "the reply before message " << i;
            }
        }
    }

    OperationControl control;
    ScriptedLine line{control};
    NullFrontEnd nobody;
    FrontEndSlot frontEnd{&nobody};
    HostLink link{control, frontEnd};
    StatusModel status;
    std::vector<std::string> shownAtSend;
    // Answers each message sent, when set.
    std::function<void(const Message&, ScriptedLine&)> answer;
};

// ---- the generic sequence ---------------------------------------------------------

// A 300-byte image at window offset 0x10 for unit address 0x200010: three blocks.
GenericImage genericImage(bool eraseOnly = false) {
    GenericImage image;
    image.target = kUnit;
    image.eraseOnly = eraseOnly;
    image.transfer.cursor = {0x10, 0x10 + 299, 0x200010};
    image.transfer.checksum = 0x1234;
    return image;
}

struct GenericCase {
    const char* name;
    bool eraseOnly;
    std::vector<Message> replies;
    std::vector<std::string> lines;
};

void PrintTo(const GenericCase& entry, std::ostream* out) {
    *out << entry.name;
}

class GenericConversation : public Conversation, public ::testing::WithParamInterface<GenericCase> {};

TEST_P(GenericConversation, GoesLikeThis) {
    for (const Message& reply : GetParam().replies) {
        line.queue(reply);
    }
    GenericImage image = genericImage(GetParam().eraseOnly);
    std::vector<std::uint8_t> window(0x80000, 0x00);
    const ResultCode result = exchangeGenericImage(link, status, image, window);
    EXPECT_EQ(transcript(result), GetParam().lines);
    expectTheTraceReadsItAlike(result);
}

const Message kAck = statusReply(kUnit, 0);

INSTANTIATE_TEST_SUITE_P(
    Table, GenericConversation,
    ::testing::Values(
        GenericCase{"TheEraseAcknowledgementStartsTheTransfer",
                    false,
                    {kAck},
                    {"send 06 30 1F 05 01 67 00", "status   Writing 00200010H - 0020008FH",
                     "send 87 32 1F 05 00 20 00 10 +128", "end silence bars 2/1"}},
        GenericCase{"AnEraseOnlyEndsAtTheEraseReplyAndSkipsTwoTotalSteps",
                    true,
                    {kAck},
                    {"send 06 30 1F 05 01 67 00", "status Erase Completed", "end Ok bars 1/3"}},
        GenericCase{"ARefusedErase",
                    false,
                    {statusReply(kUnit, 1)},
                    {"send 06 30 1F 05 01 67 00", "status Erase Failed", "end EraseFailed red bars 1/1"}},
        GenericCase{"ARefusedBlockNamesTheBlockJustSent",
                    false,
                    {kAck, kAck, statusReply(kUnit, 1)},
                    {"send 06 30 1F 05 01 67 00", "status   Writing 00200010H - 0020008FH",
                     "send 87 32 1F 05 00 20 00 10 +128", "status   Writing 00200090H - 0020010FH",
                     "send 87 32 1F 05 00 20 00 90 +128", "status Write Failed (00200090H - 0020010FH)",
                     "end WriteFailed red bars 4/2"}},
        GenericCase{"AfterTheLastBlockTheChecksum",
                    false,
                    {kAck, kAck, kAck, kAck},
                    {"send 06 30 1F 05 01 67 00", "status   Writing 00200010H - 0020008FH",
                     "send 87 32 1F 05 00 20 00 10 +128", "status   Writing 00200090H - 0020010FH",
                     "send 87 32 1F 05 00 20 00 90 +128", "status   Writing 00200110H - 0020018FH",
                     "send 87 32 1F 05 00 20 01 10 +128", "status   Writing Checksum 1234H",
                     "send 07 30 1F 05 01 64 12 34", "end silence bars 5/2"}},
        GenericCase{"AnAcceptedChecksumCompletesTheImage",
                    false,
                    {kAck, kAck, kAck, kAck, kAck},
                    {"send 06 30 1F 05 01 67 00", "status   Writing 00200010H - 0020008FH",
                     "send 87 32 1F 05 00 20 00 10 +128", "status   Writing 00200090H - 0020010FH",
                     "send 87 32 1F 05 00 20 00 90 +128", "status   Writing 00200110H - 0020018FH",
                     "send 87 32 1F 05 00 20 01 10 +128", "status   Writing Checksum 1234H",
                     "send 07 30 1F 05 01 64 12 34", "status Write Completed", "end Ok bars 6/3"}},
        GenericCase{
            "ARefusedChecksum",
            false,
            {kAck, kAck, kAck, kAck, statusReply(kUnit, 2)},
            {"send 06 30 1F 05 01 67 00", "status   Writing 00200010H - 0020008FH",
             "send 87 32 1F 05 00 20 00 10 +128", "status   Writing 00200090H - 0020010FH",
             "send 87 32 1F 05 00 20 00 90 +128", "status   Writing 00200110H - 0020018FH",
             "send 87 32 1F 05 00 20 01 10 +128", "status   Writing Checksum 1234H",
             "send 07 30 1F 05 01 64 12 34", "status Checksum Failed", "end ChecksumFailed red bars 6/3"}},
        GenericCase{"RepliesOfOtherUnitsRegistersOrReceiversAreNotLookedAt",
                    false,
                    {statusReply(0x06, 0),
                     statusReply(kUnit, 0, 0x0164),
                     {0x06, 0x30, kUnit, 0x20, 0x01, 0x66, 0x00},
                     segmentedReply(0x0012, {0, 0, 0, 0}, kUnit),
                     {0x07, 0x8C, kUnit, kPc, 0x01, 0x66, 0x00, 0x00}},
                    {"send 06 30 1F 05 01 67 00", "end silence bars 0/0"}},
        GenericCase{"AStatusReplyCountsWhateverItsKindBits",
                    true,
                    {{0x06, 0xB0, kUnit, kPc, 0x01, 0x66, 0x00}},
                    {"send 06 30 1F 05 01 67 00", "status Erase Completed", "end Ok bars 1/3"}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(Conversation, APartialLastBlockIsSentWholeWithErasedBytes) {
    std::vector<std::uint8_t> window(0x100, 0x11);
    GenericImage image;
    image.target = kUnit;
    image.transfer.cursor = {0xC0, 0xFF, 0x2000C0};  // the block runs 64 bytes past the window
    queue({kAck});
    exchangeGenericImage(link, status, image, window);
    ASSERT_EQ(line.sent.size(), 2u);
    const Message& block = line.sent[1];
    ASSERT_EQ(block.size(), 136u);
    EXPECT_EQ(block[8], 0x11);
    EXPECT_EQ(block[8 + 63], 0x11);
    EXPECT_EQ(block[8 + 64], 0xFF);
    EXPECT_EQ(block[135], 0xFF);
}

// ---- the preserved area: read back before the erase, written back after the image ----

class ReadBack : public Conversation {
  protected:
    ReadBack() : window(0x80000, 0xFF) {
        image.target = 0x02;
        image.readsBack = true;
        image.readBackArea = 0x70000;
        image.transfer.cursor = {0x0, 0x7F, 0x200000};  // one block of image
        image.transfer.checksum = 0x1111;
    }
    ResultCode exchange() { return exchangeGenericImage(link, status, image, window); }

    std::vector<std::uint8_t> window;
    GenericImage image;
};

TEST_F(ReadBack, EachPieceGoesIntoTheWindowAndAsksForTheNext) {
    queue({readBackReply(0x270000, 0xA1)});
    exchange();
    ASSERT_EQ(line.sent.size(), 2u);
    EXPECT_EQ(hex(line.sent[0]), " 09 F1 1F 02 00 27 00 00 +2");
    EXPECT_EQ(hex(line.sent[1]), " 09 F1 1F 02 00 27 00 80 +2");
    EXPECT_EQ(window[0x70000], 0xA1);
    EXPECT_EQ(window[0x7007F], 0xA1);
    EXPECT_EQ(window[0x70080], 0xFF);
}

TEST_F(ReadBack, TheLastPieceRecomputesTheChecksumAndSendsTheErase) {
    for (std::uint32_t piece = 0; piece < 8; ++piece) {
        line.queue(readBackReply(0x270000 + piece * 128, static_cast<std::uint8_t>(piece + 1)));
    }
    exchange();
    std::vector<std::uint8_t> expected(0x80000, 0xFF);
    for (std::size_t i = 0; i < 0x400; ++i) {
        expected[0x70000 + i] = static_cast<std::uint8_t>(i / 128 + 1);
    }
    const std::uint16_t checksum = data::FlashImage::checksumOf(expected);
    ASSERT_EQ(line.sent.size(), 9u);
    EXPECT_EQ(hex(line.sent.back()), " 06 30 1F 02 01 67 00");
    expectTheTraceReadsItAlike(ResultCode::Cancelled);
    EXPECT_EQ(image.transfer.checksum, checksum);
    EXPECT_EQ(status.checksum(), checksum);
}

TEST_F(ReadBack, PiecesThatWereNotAskedForAreDropped) {
    queue({readBackReply(0x270080, 0xA1),          // not the request in flight
           readBackReply(0x270000, 0xA1, 0x03)});  // another unit
    exchange();
    EXPECT_EQ(line.sent.size(), 1u);
    EXPECT_EQ(window[0x70000], 0xFF);
    EXPECT_EQ(window[0x70080], 0xFF);

    ScriptedLine::Message past = readBackReply(0x270000, 0xA1);
    image.readBackArea = 0x7FFC0;  // the area would run past the window
    control.reset();
    line.queue(past);
    exchange();
    EXPECT_EQ(window[0x7FFC0], 0xFF);
}

TEST_F(ReadBack, TheWriteBackSendsTheAreaAndTheBlockAfterItThenTheChecksum) {
    for (std::uint32_t piece = 0; piece < 8; ++piece) {
        line.queue(readBackReply(0x270000 + piece * 128, static_cast<std::uint8_t>(piece + 1)));
    }
    // The erase, the image's block, the nine blocks of the area and the checksum are acknowledged.
    for (int i = 0; i < 12; ++i) {
        line.queue(statusReply(0x02, 0));
    }
    EXPECT_EQ(exchange(), ResultCode::Ok);
    EXPECT_THAT(blockAddresses(0x32), ElementsAre(0x200000u, 0x270000u, 0x270080u, 0x270100u, 0x270180u,
                                                  0x270200u, 0x270280u, 0x270300u, 0x270380u, 0x270400u));
    for (const Message& message : line.sent) {
        if (message.size() != 136) {
            continue;  // only the data blocks carry an address
        }
        const std::uint32_t address = (message[5] << 16) | (message[6] << 8) | message[7];
        if (address >= 0x270000 && address < 0x270400) {
            EXPECT_EQ(message[8], (address - 0x270000) / 128 + 1)
                << "each block carries its own part of the area";
        }
    }
    EXPECT_EQ(line.sent.back()[1], host::kCommandStatus);
    expectTheTraceReadsItAlike(ResultCode::Ok);
}

TEST_F(ReadBack, ThePiecesDoNotCountAsAnswersButAcknowledgementsDo) {
    // The unit is slow: each reply takes most of the time-out (3 periods).
    link.setTimeoutTicks(2);
    line.replyGap = std::chrono::milliseconds(150);
    for (std::uint32_t piece = 0; piece < 8; ++piece) {
        line.queue(readBackReply(0x270000 + piece * 128, 0x01));
    }
    EXPECT_EQ(exchange(), ResultCode::TimedOut);
    EXPECT_LT(line.sent.size(), 8u) << "the erase request went out";

    // The same pace of acknowledgements keeps a transfer going.
    control.reset();
    line.dropQueued();
    line.sent.clear();
    image.readsBack = false;
    for (int i = 0; i < 4; ++i) {
        line.queue(statusReply(0x02, 0));
    }
    EXPECT_EQ(exchange(), ResultCode::Ok);
}

// ---- type-3 units ---------------------------------------------------------------------

struct SegmentedCase {
    const char* name;
    std::vector<Message> replies;
    std::vector<std::string> lines;
};

void PrintTo(const SegmentedCase& entry, std::ostream* out) {
    *out << entry.name;
}

// Mask 0x0002 (row 1); two blocks at 0x200000, checksum 0xBEEF.
SegmentedImage type3Image() {
    SegmentedImage image;
    image.mask = 0x0002;
    image.transfer.cursor = {0, 0xFF, 0x200000};
    image.transfer.checksum = 0xBEEF;
    image.writeStartPause = std::chrono::milliseconds(0);
    return image;
}

class Type3Conversation : public Conversation, public ::testing::WithParamInterface<SegmentedCase> {};

TEST_P(Type3Conversation, GoesLikeThis) {
    for (const Message& reply : GetParam().replies) {
        line.queue(reply);
    }
    SegmentedImage image = type3Image();
    const std::vector<std::uint8_t> window(0x100, 0x44);
    const ResultCode result = exchangeType3Image(link, status, image, window);
    EXPECT_EQ(transcript(result), GetParam().lines);
    expectTheTraceReadsItAlike(result);
}

const Message kSelected = segmentedReply(0x0012, {0, 0, 0, 0});
const Message kType3Ack = statusReply(0x13, 0);

INSTANTIATE_TEST_SUITE_P(
    Table, Type3Conversation,
    ::testing::Values(
        SegmentedCase{"AnEchoWordIsSentBackAndTheSelectGoesOn",
                      {segmentedReply(0x0012, {0xA5, 0x5A, 0x00, 0x00})},
                      {"status Erasing...", "send 07 33 1F 13 00 12 00 02", "send 07 33 1F 13 00 12 A5 5A",
                       "end silence bars 1/1"}},
        SegmentedCase{"ASelectRefusedIsNotTheIntendedObject",
                      {segmentedReply(0x0012, {0x00, 0x00, 0x00, 0x01})},
                      {"status Erasing...", "send 07 33 1F 13 00 12 00 02",
                       "status Not the intended object!!", "end WrongTarget red bars 2/4"}},
        SegmentedCase{"ASelectAnsweredWithZerosHasErasedAndTheFirstBlockGoesTwice",
                      {kSelected, kType3Ack},
                      {"status Erasing...", "send 07 33 1F 13 00 12 00 02", "send 07 33 1F 13 00 22 00 02",
                       "send 87 33 1F 13 80 20 00 00 +128", "status   Writing 00200000H - 0020007FH",
                       "send 87 33 1F 13 80 20 00 00 +128", "end silence bars 4/3"}},
        SegmentedCase{"ASelectReplyAtAnotherRegisterOrFromAnotherSenderIsIgnored",
                      {segmentedReply(0x0011, {0, 0, 0, 0}), segmentedReply(0x0012, {0, 0, 0, 0}, 0x14),
                       statusReply(0x13, 0)},
                      {"status Erasing...", "send 07 33 1F 13 00 12 00 02", "end silence bars 1/1"}},
        SegmentedCase{
            "AfterTheLastBlockTheChecksumWithoutAStepAnsweredAtAnyRegister",
            {kSelected, kType3Ack, kType3Ack, kType3Ack, segmentedReply(0x0164, {0x00, 0x01})},
            {"status Erasing...", "send 07 33 1F 13 00 12 00 02", "send 07 33 1F 13 00 22 00 02",
             "send 87 33 1F 13 80 20 00 00 +128", "status   Writing 00200000H - 0020007FH",
             "send 87 33 1F 13 80 20 00 00 +128", "status   Writing 00200080H - 002000FFH",
             "send 87 33 1F 13 80 20 00 80 +128", "status   Writing Checksum BEEFH",
             "send 07 33 1F 13 01 64 BE EF", "status Checksum Failed", "end ChecksumFailed red bars 6/4"}},
        SegmentedCase{"AnAcceptedChecksumCompletesTheImage",
                      {kSelected, kType3Ack, kType3Ack, kType3Ack, segmentedReply(0x0099, {0x00, 0x00})},
                      {"status Erasing...", "send 07 33 1F 13 00 12 00 02", "send 07 33 1F 13 00 22 00 02",
                       "send 87 33 1F 13 80 20 00 00 +128", "status   Writing 00200000H - 0020007FH",
                       "send 87 33 1F 13 80 20 00 00 +128", "status   Writing 00200080H - 002000FFH",
                       "send 87 33 1F 13 80 20 00 80 +128", "status   Writing Checksum BEEFH",
                       "send 07 33 1F 13 01 64 BE EF", "status Write Completed", "end Ok bars 6/4"}},
        SegmentedCase{"ARefusedFirstBlockNamesTheBlockBeforeTheCursor",
                      {kSelected, statusReply(0x13, 4)},
                      {"status Erasing...", "send 07 33 1F 13 00 12 00 02", "send 07 33 1F 13 00 22 00 02",
                       "send 87 33 1F 13 80 20 00 00 +128", "status Write Failed (001FFF80H - 001FFFFFH)",
                       "end WriteFailed red bars 4/4"}},
        SegmentedCase{"AcknowledgementsOfAnotherSenderOrRegisterAreIgnored",
                      {kSelected, statusReply(0x14, 0), statusReply(0x13, 0, 0x0164),
                       segmentedReply(0x0012, {0, 0, 0, 0})},
                      {"status Erasing...", "send 07 33 1F 13 00 12 00 02", "send 07 33 1F 13 00 22 00 02",
                       "send 87 33 1F 13 80 20 00 00 +128", "end silence bars 3/3"}}),
    [](const auto& info) { return std::string(info.param.name); });

// ---- type-4 units ------------------------------------------------------------------

class Type4Conversation : public Conversation {
  protected:
    Type4Conversation() : window(0x100000, 0x00) {
        image.mask = 0x0001;
        image.blockMask = 0x0A;  // blocks 1 and 3
        image.transfer.cursor = {0, 0, 0x300000};
        image.writeStartPause = std::chrono::milliseconds(0);
    }
    ResultCode exchange() { return exchangeType4Image(link, status, image, window); }
    // A unit that erases at the select and acknowledges every block, then answers the end with answerWord.
    void answerEverything(std::uint8_t endAnswer) {
        answer = [endAnswer](const Message& sent, ScriptedLine& self) {
            if (sent.size() == 136) {
                self.queue(statusReply(0x13, 0));
            } else if (sent[5] == 0x11) {
                self.queue(segmentedReply(0x0011, {0, 0, 0, 0}));
            } else if (sent[4] == 0x01 && sent[5] == 0x64) {
                self.queue(segmentedReply(0x0021, {0x00, endAnswer}));
            }
        };
    }

    std::vector<std::uint8_t> window;
    SegmentedImage image;
};

TEST_F(Type4Conversation, AnEchoWordSelectsTheRowItNames) {
    // 33 mod 32 is 1: the mask of row 1.
    queue({segmentedReply(0x0011, {0x00, 0x21, 0x00, 0x00})});
    expectTheTraceReadsItAlike(exchange());
    EXPECT_THAT(transcript(ResultCode::Cancelled),
                ElementsAre("status Erasing...", "send 07 33 1F 13 00 11 00 01",
                            "send 07 33 1F 13 00 11 00 02", "end silence bars 1/1"));
}

TEST_F(Type4Conversation, TheFirst4KThenEveryMarkedBlockAtItsOwnAddressThenTheEnd) {
    window[0x10000] = 0xB1;
    window[0x30000] = 0xB3;
    answerEverything(0);
    EXPECT_EQ(exchange(), ResultCode::Ok);
    const std::vector<std::uint32_t> blocks = blockAddresses(0x33);
    ASSERT_EQ(blocks.size(), 32u + 2 * 512u);
    EXPECT_EQ(blocks[0], 0x300000u);
    EXPECT_EQ(blocks[31], 0x300F80u);
    EXPECT_EQ(blocks[32], 0x310000u);
    EXPECT_EQ(blocks[32 + 511], 0x31FF80u);
    EXPECT_EQ(blocks[32 + 512], 0x330000u);
    EXPECT_EQ(hex(line.sent.back()), " 07 33 1F 13 01 64 00 00");
    // The 64 KB blocks come from their own places in the window.
    for (const Message& message : line.sent) {
        if (message.size() == 136 && message[6] == 0x00 && message[7] == 0x00 && message[5] != 0x30) {
            EXPECT_EQ(message[8], message[5] == 0x31 ? 0xB1 : 0xB3);
        }
    }
    EXPECT_EQ(status.statusText(), "Writing 0033FF80H - 0033FFFFH (Block 0003)");
    EXPECT_FALSE(status.errorFlag());
    expectTheTraceReadsItAlike(ResultCode::Ok);
}

TEST_F(Type4Conversation, WithoutMarkedBlocksTheFirst4KAndTheEnd) {
    image.blockMask = 0x01;
    answerEverything(0);
    EXPECT_EQ(exchange(), ResultCode::Ok);
    EXPECT_EQ(blockAddresses(0x33).size(), 32u);
}

TEST_F(Type4Conversation, TheEndReplyDecidesTheResultWithoutTheRedLine) {
    image.blockMask = 0x01;
    answerEverything(1);
    EXPECT_EQ(exchange(), ResultCode::WriteFailed);
    EXPECT_FALSE(status.errorFlag());
    expectTheTraceReadsItAlike(ResultCode::WriteFailed);
}

TEST_F(Type4Conversation, ARefusedBlockFails) {
    answer = [](const Message& sent, ScriptedLine& self) {
        if (sent[5] == 0x11) {
            self.queue(segmentedReply(0x0011, {0, 0, 0, 0}));
        } else if (sent.size() == 136) {
            self.queue(statusReply(0x13, 1));
        }
    };
    EXPECT_EQ(exchange(), ResultCode::WriteFailed);
    EXPECT_EQ(status.statusText(), "Write Failed (00300000H - 0030007FH)");
    EXPECT_TRUE(status.errorFlag());
    expectTheTraceReadsItAlike(ResultCode::WriteFailed);
}

TEST_F(Type4Conversation, ThroughCardDirectItsAnswersAreNotHeard) {
    image.answersHeard = false;
    queue({segmentedReply(0x0011, {0, 0, 0, 0})});
    EXPECT_THAT(transcript(exchange()),
                ElementsAre("status Erasing...", "send 07 33 1F 13 00 11 00 01", "end silence bars 1/1"));
}

TEST_F(Type4Conversation, AnyMessageOfTheUnitCountsAsAnAnswerButNotForType3) {
    // Each reply takes most of the time-out; four status replies come before the select's answer.
    link.setTimeoutTicks(2);
    line.replyGap = std::chrono::milliseconds(150);
    for (int i = 0; i < 4; ++i) {
        line.queue(statusReply(0x13, 0));
    }
    line.queue(segmentedReply(0x0011, {0, 0, 0, 0}));
    image.eraseOnly = true;
    EXPECT_EQ(exchange(), ResultCode::Ok);

    control.reset();
    line.dropQueued();
    for (int i = 0; i < 4; ++i) {
        line.queue(statusReply(0x13, 0));
    }
    line.queue(kSelected);
    SegmentedImage type3 = type3Image();
    type3.eraseOnly = true;
    EXPECT_EQ(exchangeType3Image(link, status, type3, window), ResultCode::TimedOut);
}

// ---- reads ---------------------------------------------------------------------------

struct ReadCase {
    const char* name;
    bool blockRead;
    Message reply;
    bool ends;
};

void PrintTo(const ReadCase& entry, std::ostream* out) {
    *out << entry.name;
}

class ReadConversation : public Conversation, public ::testing::WithParamInterface<ReadCase> {};

// A read of 2 bytes at 0x1000 from unit 0x00 with command 0x0C.
TEST_P(ReadConversation, EndsOnlyOnTheAnswerToTheReadInFlight) {
    line.queue(GetParam().reply);
    const ResultCode result = link.read(0x00, 0x0C, 0x1000, 2, GetParam().blockRead);
    EXPECT_EQ(hex(line.sent.front()), " 07 CC 1F 00 10 00 00 02");
    if (GetParam().ends) {
        EXPECT_EQ(result, ResultCode::Ok);
        EXPECT_THAT(
            std::vector<std::uint8_t>(link.reply().begin(), link.reply().begin() + 2),
            ElementsAreArray(std::vector<std::uint8_t>(GetParam().reply.end() - 2, GetParam().reply.end())));
    } else {
        EXPECT_EQ(result, ResultCode::Cancelled) << "the read goes on waiting";
        EXPECT_EQ(link.reply()[0], 0x00);
    }
    // A log does not say which read a 2-byte one was: the trace takes it for a version read.
    if (!GetParam().blockRead) {
        EXPECT_EQ(readAsTheTrace().front().taken, GetParam().ends);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Table, ReadConversation,
    ::testing::Values(
        ReadCase{"TheAnswer", false, {0x07, 0x8C, 0x00, kPc, 0x10, 0x00, 0x01, 0x05}, true},
        ReadCase{"TheAnswerWithAnotherConfiguredCommand",
                 false,
                 {0x07, 0x9D, 0x00, kPc, 0x10, 0x00, 0x01, 0x05},
                 true},
        ReadCase{"ALongReadReplyAnswersABlockRead",
                 true,
                 {0x09, 0xB1, 0x00, kPc, 0x00, 0x00, 0x10, 0x00, 0x01, 0x05},
                 true},
        ReadCase{"ALongReadReplyDoesNotAnswerAVersionRead",
                 false,
                 {0x09, 0xB1, 0x00, kPc, 0x00, 0x00, 0x10, 0x00, 0x01, 0x05},
                 false},
        ReadCase{"AnotherAddress", false, {0x07, 0x8C, 0x00, kPc, 0x10, 0x02, 0x01, 0x05}, false},
        ReadCase{"AnotherUnit", false, {0x07, 0x8C, 0x10, kPc, 0x10, 0x00, 0x01, 0x05}, false},
        ReadCase{"AShorterAnswer", false, {0x06, 0x8C, 0x00, kPc, 0x10, 0x00, 0x01}, false},
        ReadCase{"ARequestIsNoReply", false, {0x07, 0xCC, 0x00, kPc, 0x10, 0x00, 0x01, 0x05}, false},
        ReadCase{"AStatusReplyIsStray", false, {0x07, 0x30, 0x00, kPc, 0x10, 0x00, 0x01, 0x05}, false},
        ReadCase{"ASegmentedAnswerIsStray", false, {0x07, 0x33, 0x00, kPc, 0x10, 0x00, 0x01, 0x05}, false},
        ReadCase{"ForAnotherReceiver", false, {0x07, 0x8C, 0x00, 0x20, 0x10, 0x00, 0x01, 0x05}, false},
        ReadCase{"AnyOtherCommand", false, {0x07, 0xA0, 0x00, kPc, 0x10, 0x00, 0x01, 0x05}, false}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace engine
