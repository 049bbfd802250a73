#include "platform/telnet/ComPortClient.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "platform/telnet/TelnetCodes.h"

namespace {

using namespace platform::telnet;
using Bytes = std::vector<std::uint8_t>;

// Hands the client one read from the server; returns the data and collects
// the answers.
Bytes receive(ComPortClient& client, Bytes read, Bytes& replies) {
    const std::size_t kept = client.receive(read, replies);
    read.resize(kept);
    return read;
}

Bytes comPort(std::uint8_t command, const Bytes& value) {
    Bytes bytes;
    bytes.reserve(value.size() + 6);
    for (const std::uint8_t byte : {kIac, kSubnegotiationBegin, kOptionComPort, command}) {
        bytes.push_back(byte);
    }
    for (const std::uint8_t byte : value) {
        bytes.push_back(byte);
    }
    bytes.push_back(kIac);
    bytes.push_back(kSubnegotiationEnd);
    return bytes;
}

TEST(ComPortClient, StartOffersBinaryNoGoAheadAndTheComPortOption) {
    ComPortClient client;
    Bytes wire;
    client.start(wire);
    EXPECT_EQ(wire, (Bytes{kIac, kWill, 0, kIac, kDo, 0, kIac, kWill, 3, kIac, kDo, 3, kIac, kWill, 44}));
    EXPECT_EQ(client.comPortAnswer(), ComPortClient::ComPortAnswer::Pending);
}

TEST(ComPortClient, TheOpeningOfARealServerIsAnsweredOnlyWhereItAsksSomethingNew) {
    // A serial server's first bytes: it offers SGA and echo, refuses our echo,
    // asks for binary both ways and for the com-port option.
    const Bytes opening = {kIac, kWill, 3,   kIac, kDo,  3,     kIac, kWill, 1,   kIac, kDont,
                           1,    kIac,  kDo, 0,    kIac, kWill, 0,    kIac,  kDo, 44};
    ComPortClient client;
    Bytes wire;
    client.start(wire);
    Bytes replies;
    EXPECT_TRUE(receive(client, opening, replies).empty());
    // Only the echo it offered is new, and echo is not wanted.
    EXPECT_EQ(replies, (Bytes{kIac, kDont, kOptionEcho}));
    EXPECT_EQ(client.comPortAnswer(), ComPortClient::ComPortAnswer::Accepted);
    EXPECT_TRUE(client.sendsBinary());
    EXPECT_TRUE(client.receivesBinary());

    // The server repeating what is agreed gets no answer.
    replies.clear();
    receive(client, {kIac, kDo, 3, kIac, kWill, 0, kIac, kDo, 44}, replies);
    EXPECT_TRUE(replies.empty());
}

TEST(ComPortClient, NegotiationTable) {
    struct Case {
        const char* name;
        bool started;
        Bytes fromServer;
        Bytes answer;
        ComPortClient::ComPortAnswer comPort;
    };
    using Answer = ComPortClient::ComPortAnswer;
    const std::vector<Case> cases = {
        {"an unknown option asked of the client is refused",
         true,
         {kIac, kDo, 24},
         {kIac, kWont, 24},
         Answer::Pending},
        {"an unknown option offered by the server is refused",
         true,
         {kIac, kWill, 31},
         {kIac, kDont, 31},
         Answer::Pending},
        {"each repeated request for an unknown option is refused again",
         true,
         {kIac, kDo, 24, kIac, kDo, 24},
         {kIac, kWont, 24, kIac, kWont, 24},
         Answer::Pending},
        {"a refusal of an option that is off needs no answer",
         true,
         {kIac, kWont, 24, kIac, kDont, 31},
         {},
         Answer::Pending},
        {"the server offering com-port commands of its own is refused",
         true,
         {kIac, kWill, 44},
         {kIac, kDont, 44},
         Answer::Pending},
        {"the server refusing the com-port option", true, {kIac, kDont, 44}, {}, Answer::Refused},
        {"the server asking for the com-port option first",
         false,
         {kIac, kDo, 44},
         {kIac, kWill, 44},
         Answer::Accepted},
        {"binary turned off after it was on is confirmed",
         true,
         {kIac, kDo, 0, kIac, kWill, 0, kIac, kWont, 0, kIac, kDont, 0},
         {kIac, kDont, 0, kIac, kWont, 0},
         Answer::Pending},
        {"NOP, GA, DM and notifications pass unanswered",
         true,
         {kIac,
          kNoOperation,
          kIac,
          kGoAhead,
          kIac,
          kDataMark,
          kIac,
          kSubnegotiationBegin,
          44,
          106,
          0x60,
          kIac,
          kSubnegotiationEnd,
          kIac,
          kSubnegotiationBegin,
          44,
          107,
          0xB0,
          kIac,
          kSubnegotiationEnd},
         {},
         Answer::Pending},
    };
    for (const Case& test : cases) {
        ComPortClient client;
        Bytes wire;
        if (test.started) {
            client.start(wire);
        }
        Bytes replies;
        EXPECT_TRUE(receive(client, test.fromServer, replies).empty()) << test.name;
        EXPECT_EQ(replies, test.answer) << test.name;
        EXPECT_EQ(client.comPortAnswer(), test.comPort) << test.name;
    }
}

TEST(ComPortClient, EveryRequestTravelsAsItsComPortCommand) {
    ComPortClient client;
    struct Case {
        const char* name;
        Bytes wire;
        Bytes expected;
    };
    std::vector<Case> cases;
    const auto add = [&cases](const char* name, auto request, Bytes expected) {
        Bytes wire;
        request(wire);
        cases.push_back({name, wire, expected});
    };
    add(
        "115200 baud", [&](Bytes& w) { client.requestBaudRate(115200, w); },
        comPort(1, {0x00, 0x01, 0xC2, 0x00}));
    add(
        "38400 baud", [&](Bytes& w) { client.requestBaudRate(38400, w); },
        comPort(1, {0x00, 0x00, 0x96, 0x00}));
    add("a rate with 255 in it", [&](Bytes& w) { client.requestBaudRate(0x00FFFF01, w); },
        {kIac, kSubnegotiationBegin, 44, 1, 0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0x01, kIac, kSubnegotiationEnd});
    add(
        "8 data bits", [&](Bytes& w) { client.requestDataSize(8, w); }, comPort(2, {8}));
    add(
        "no parity", [&](Bytes& w) { client.requestParity(kParityNone, w); }, comPort(3, {1}));
    add(
        "two stop bits", [&](Bytes& w) { client.requestStopSize(kStopSizeTwo, w); }, comPort(4, {2}));
    add(
        "one stop bit", [&](Bytes& w) { client.requestStopSize(kStopSizeOne, w); }, comPort(4, {1}));
    add(
        "no flow control", [&](Bytes& w) { client.requestControl(kControlNoFlowControl, w); },
        comPort(5, {1}));
    add(
        "DTR on", [&](Bytes& w) { client.requestControl(kControlDtrOn, w); }, comPort(5, {8}));
    add(
        "DTR off", [&](Bytes& w) { client.requestControl(kControlDtrOff, w); }, comPort(5, {9}));
    add(
        "RTS on", [&](Bytes& w) { client.requestControl(kControlRtsOn, w); }, comPort(5, {11}));
    add(
        "RTS off", [&](Bytes& w) { client.requestControl(kControlRtsOff, w); }, comPort(5, {12}));
    add(
        "purge both buffers", [&](Bytes& w) { client.requestPurge(kPurgeBothBuffers, w); }, comPort(12, {3}));
    for (const Case& test : cases) {
        EXPECT_EQ(test.wire, test.expected) << test.name;
    }
}

TEST(ComPortClient, TheServersConfirmationsAreKeptAndBrokenOnesIgnored) {
    ComPortClient client;
    Bytes wire;
    client.start(wire);
    Bytes stream;
    for (const Bytes& part :
         {comPort(101, {0x00, 0x01, 0xC2, 0x00}), comPort(102, {8}), comPort(103, {1}), comPort(104, {2}),
          comPort(105, {8}), comPort(106, {0x60}), comPort(107, {0x30}),
          // too short, too long: not taken
          comPort(101, {0x01}), comPort(102, {7, 7}),
          // an option nobody asked about
          Bytes{kIac, kSubnegotiationBegin, 24, 1, kIac, kSubnegotiationEnd}}) {
        stream.insert(stream.end(), part.begin(), part.end());
    }
    stream.push_back('d');
    Bytes replies;
    EXPECT_EQ(receive(client, stream, replies), (Bytes{'d'}));
    const ComPortClient::ServerLine& line = client.serverLine();
    EXPECT_EQ(line.baudRate, 115200u);
    EXPECT_EQ(line.dataSize, 8);
    EXPECT_EQ(line.parity, 1);
    EXPECT_EQ(line.stopSize, 2);
    EXPECT_EQ(line.control, 8);
    EXPECT_EQ(line.lineState, 0x60);
    EXPECT_EQ(line.modemState, 0x30);
}

TEST(ComPortClient, DataBeforeAConfirmedPurgeIsStaleOnceTheServerHasShownItConfirms) {
    ComPortClient client;
    Bytes wire;
    client.start(wire);
    Bytes replies;
    // The first purge: the server has not shown yet that it confirms purges,
    // so nothing is dropped while waiting for it.
    client.requestPurge(kPurgeReceiveBuffer, wire);
    EXPECT_FALSE(client.discarding());
    Bytes first = {'o', 'l', 'd'};
    const Bytes confirmation = comPort(112, {1});
    first.insert(first.end(), confirmation.begin(), confirmation.end());
    first.push_back('n');
    EXPECT_EQ(receive(client, first, replies), (Bytes{'o', 'l', 'd', 'n'}));
    EXPECT_EQ(client.serverLine().receivePurges, 1u);

    // Now it has: what arrives before the next confirmation is stale, also
    // across reads, and what follows it in the same read is kept.
    client.requestPurge(kPurgeBothBuffers, wire);
    EXPECT_TRUE(client.discarding());
    EXPECT_TRUE(receive(client, {'s', 't'}, replies).empty());
    Bytes second = {'a', 'l', 'e'};
    const Bytes both = comPort(112, {3});
    second.insert(second.end(), both.begin(), both.end());
    second.insert(second.end(), {'f', 'r', 'e', 's', 'h'});
    EXPECT_EQ(receive(client, second, replies), (Bytes{'f', 'r', 'e', 's', 'h'}));
    EXPECT_FALSE(client.discarding());

    // A purge of the server's transmit buffer drops nothing that comes back.
    client.requestPurge(kPurgeTransmitBuffer, wire);
    EXPECT_FALSE(client.discarding());
}

TEST(ComPortClient, DataTravelsEscapedAndInTerminalModeUntilBinaryIsAgreed) {
    ComPortClient client;
    Bytes wire;
    client.appendData(Bytes{13, 0xFF}, wire);
    EXPECT_EQ(wire, (Bytes{13, 0, 0xFF, 0xFF}));
    Bytes replies;
    // Received CR NUL is a CR until the server sends binary.
    EXPECT_EQ(receive(client, {13, 0, 1}, replies), (Bytes{13, 1}));

    client.start(wire);
    receive(client, {kIac, kDo, 0, kIac, kWill, 0}, replies);
    wire.clear();
    client.appendData(Bytes{13, 0xFF}, wire);
    EXPECT_EQ(wire, (Bytes{13, 0xFF, 0xFF}));
    EXPECT_EQ(receive(client, {13, 0, 1}, replies), (Bytes{13, 0, 1}));
}

}  // namespace
