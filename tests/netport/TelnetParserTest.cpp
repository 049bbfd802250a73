#include "platform/telnet/TelnetParser.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "platform/telnet/TelnetCodes.h"
#include "platform/telnet/TelnetWriter.h"

namespace {

using namespace platform::telnet;
using Bytes = std::vector<std::uint8_t>;

// Everything the parser reported, as text, so that two ways of feeding the
// same stream can be compared at a glance.
struct Transcript : TelnetEvents {
    std::string events;
    Bytes data;

    void onNegotiation(std::uint8_t verb, std::uint8_t option) override {
        events += "neg " + std::to_string(verb) + " " + std::to_string(option) + ";";
    }
    void onSubnegotiation(std::uint8_t option, std::span<const std::uint8_t> payload, bool cut) override {
        events += "sb " + std::to_string(option) + ":";
        for (const std::uint8_t byte : payload) {
            events += " " + std::to_string(byte);
        }
        events += cut ? " cut;" : ";";
    }
    void onCommand(std::uint8_t command) override { events += "cmd " + std::to_string(command) + ";"; }
};

// Feeds the stream in reads that end at the given offsets.
Transcript feed(const Bytes& stream, const std::vector<std::size_t>& cuts, bool dropNulAfterCr = false) {
    TelnetParser parser;
    parser.setNulAfterCarriageReturnDropped(dropNulAfterCr);
    Transcript transcript;
    std::size_t start = 0;
    std::vector<std::size_t> ends = cuts;
    ends.push_back(stream.size());
    for (const std::size_t end : ends) {
        Bytes read(stream.begin() + static_cast<std::ptrdiff_t>(start),
                   stream.begin() + static_cast<std::ptrdiff_t>(end));
        const std::size_t kept = parser.decode(read, transcript);
        transcript.data.insert(transcript.data.end(), read.begin(),
                               read.begin() + static_cast<std::ptrdiff_t>(kept));
        start = end;
    }
    return transcript;
}

struct StreamCase {
    const char* name;
    Bytes stream;
    Bytes data;
    std::string events;
};

const std::vector<StreamCase>& streamCases() {
    static const std::vector<StreamCase> cases = {
        {"plain data passes unchanged", {1, 2, 3, 0xD1, 0}, {1, 2, 3, 0xD1, 0}, ""},
        {"a doubled IAC is one data byte 255",
         {7, kIac, kIac, 8, kIac, kIac, kIac, kIac},
         {7, 255, 8, 255, 255},
         ""},
        {"every negotiation verb is reported with its option",
         {kIac, kDo, 0, kIac, kDont, 1, kIac, kWill, 3, kIac, kWont, 44, 9},
         {9},
         "neg 253 0;neg 254 1;neg 251 3;neg 252 44;"},
        {"a subnegotiation with a doubled IAC inside keeps one 255",
         {kIac, kSubnegotiationBegin, 44, 101, 0, kIac, kIac, 0, 5, kIac, kSubnegotiationEnd, 'x'},
         {'x'},
         "sb 44: 101 0 255 0 5;"},
        {"commands without option are reported and carry no data",
         {'a', kIac, kNoOperation, kIac, kGoAhead, kIac, kDataMark, kIac, kBreak, kIac, kAreYouThere, 'b'},
         {'a', 'b'},
         "cmd 241;cmd 249;cmd 242;cmd 243;cmd 246;"},
        {"an end of subnegotiation without its start is a plain command",
         {kIac, kSubnegotiationEnd, 'z'},
         {'z'},
         "cmd 240;"},
        {"a command inside a subnegotiation breaks it off and is taken",
         {kIac, kSubnegotiationBegin, 44, 1, 2, kIac, kWill, 1, 'q'},
         {'q'},
         "neg 251 1;"},
        {"a subnegotiation without an option ends unheard",
         {kIac, kSubnegotiationBegin, kIac, kSubnegotiationEnd, 'r'},
         {'r'},
         "cmd 240;"},
        {"data inside a subnegotiation is never data of the line",
         {kIac, kSubnegotiationBegin, 44, 107, 0x30, kIac, kSubnegotiationEnd, 1, 2},
         {1, 2},
         "sb 44: 107 48;"},
    };
    return cases;
}

TEST(TelnetParser, StreamsGiveTheirDataAndEventsInOneRead) {
    for (const StreamCase& test : streamCases()) {
        const Transcript transcript = feed(test.stream, {});
        EXPECT_EQ(transcript.data, test.data) << test.name;
        EXPECT_EQ(transcript.events, test.events) << test.name;
    }
}

TEST(TelnetParser, AStreamCutAnywhereGivesTheSameAsInOneRead) {
    for (const StreamCase& test : streamCases()) {
        for (std::size_t cut = 0; cut <= test.stream.size(); ++cut) {
            const Transcript transcript = feed(test.stream, {cut});
            EXPECT_EQ(transcript.data, test.data) << test.name << ", cut at " << cut;
            EXPECT_EQ(transcript.events, test.events) << test.name << ", cut at " << cut;
        }
        // One byte per read: every state crosses a read boundary.
        std::vector<std::size_t> everyByte;
        for (std::size_t cut = 1; cut < test.stream.size(); ++cut) {
            everyByte.push_back(cut);
        }
        const Transcript bytewise = feed(test.stream, everyByte);
        EXPECT_EQ(bytewise.data, test.data) << test.name << ", byte by byte";
        EXPECT_EQ(bytewise.events, test.events) << test.name << ", byte by byte";
    }
}

TEST(TelnetParser, AnOverlongSubnegotiationIsCutAndTheStreamGoesOn) {
    Bytes stream = {kIac, kSubnegotiationBegin, 44, 100};
    stream.insert(stream.end(), 5000, 'S');
    stream.insert(stream.end(), {kIac, kSubnegotiationEnd, 'o', 'k'});
    const Transcript transcript = feed(stream, {100, 3000});
    EXPECT_EQ(transcript.data, (Bytes{'o', 'k'}));
    EXPECT_NE(transcript.events.find(" cut;"), std::string::npos) << transcript.events;
    // The payload kept is the parser's capacity, never more.
    std::size_t reported = 0;
    for (std::size_t at = transcript.events.find(" 83"); at != std::string::npos;
         at = transcript.events.find(" 83", at + 1)) {
        ++reported;
    }
    EXPECT_EQ(reported, TelnetParser::kPayloadCapacity - 1);
}

TEST(TelnetParser, OutsideBinaryModeTheNulAfterACarriageReturnIsNotData) {
    const Bytes stream = {'a', 13, 0, 'b', 13, 10, 0, 13};
    EXPECT_EQ(feed(stream, {}, true).data, (Bytes{'a', 13, 'b', 13, 10, 0, 13}));
    // Also when the CR ends one read and the NUL starts the next.
    EXPECT_EQ(feed(stream, {2}, true).data, (Bytes{'a', 13, 'b', 13, 10, 0, 13}));
    // In binary mode every NUL is data.
    EXPECT_EQ(feed(stream, {}, false).data, stream);
}

TEST(TelnetParser, DiscardedDataIsDroppedWhileCommandsAreStillHeard) {
    TelnetParser parser;
    parser.setNulAfterCarriageReturnDropped(false);
    Transcript transcript;
    parser.setDiscardingData(true);
    Bytes read = {1, 2, kIac, kNoOperation, 3};
    EXPECT_EQ(parser.decode(read, transcript), 0u);
    EXPECT_EQ(transcript.events, "cmd 241;");
    parser.setDiscardingData(false);
    read = {4, 5};
    ASSERT_EQ(parser.decode(read, transcript), 2u);
    EXPECT_EQ(read[0], 4);
}

TEST(TelnetWriter, DataIsEscapedAsItTravels) {
    const Bytes data = {0x41, 0xFF, 13, 0, 0xFF, 0xFF};
    Bytes binary;
    appendData(data, true, binary);
    EXPECT_EQ(binary, (Bytes{0x41, 0xFF, 0xFF, 13, 0, 0xFF, 0xFF, 0xFF, 0xFF}));
    Bytes terminal;
    appendData(data, false, terminal);
    EXPECT_EQ(terminal, (Bytes{0x41, 0xFF, 0xFF, 13, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF}));

    // What is written decodes back to the same data, split anywhere.
    Bytes all(256);
    for (std::size_t i = 0; i < all.size(); ++i) {
        all[i] = static_cast<std::uint8_t>(i);
    }
    Bytes wire;
    appendData(all, true, wire);
    for (std::size_t cut = 0; cut <= wire.size(); cut += 7) {
        EXPECT_EQ(feed(wire, {cut}).data, all) << "cut at " << cut;
    }
    Bytes terminalWire;
    appendData(all, false, terminalWire);
    EXPECT_EQ(feed(terminalWire, {}, true).data, all);
}

TEST(TelnetWriter, SubnegotiationsDoubleEveryIacOfTheirPayload) {
    Bytes wire;
    appendComPortCommand(ComPortCommand::SetBaudRate, Bytes{0x00, 0xFF, 0xFF, 0x01}, wire);
    EXPECT_EQ(wire, (Bytes{kIac, kSubnegotiationBegin, 44, 1, 0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0x01, kIac,
                           kSubnegotiationEnd}));
    const Transcript transcript = feed(wire, {5});
    EXPECT_EQ(transcript.events, "sb 44: 1 0 255 255 1;");
}

}  // namespace
