// libFuzzer target: any bytes a server may send, cut into reads of any sizes,
// through the client's telnet layer. Nothing may crash; the data handed on is
// never more than what was read; the answers stay in proportion to the input;
// and the data and answers do not depend on how the stream was cut. Data the
// client writes always decodes back to itself.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "platform/telnet/ComPortClient.h"
#include "platform/telnet/TelnetParser.h"
#include "platform/telnet/TelnetWriter.h"

namespace {

using platform::telnet::ComPortClient;
using Bytes = std::vector<std::uint8_t>;

struct Outcome {
    Bytes data;
    Bytes replies;
};

// The first byte of the input chooses the read size and whether the client
// asks for purges between reads; the rest is the server's stream.
Outcome run(std::span<const std::uint8_t> stream, std::size_t readSize, bool purging) {
    ComPortClient client;
    Bytes wire;
    client.start(wire);
    Outcome outcome;
    Bytes read;
    for (std::size_t at = 0; at < stream.size(); at += readSize) {
        const std::size_t length = std::min(readSize, stream.size() - at);
        read.assign(stream.begin() + static_cast<std::ptrdiff_t>(at),
                    stream.begin() + static_cast<std::ptrdiff_t>(at + length));
        const std::size_t repliesBefore = outcome.replies.size();
        const std::size_t kept = client.receive(read, outcome.replies);
        if (kept > length) {
            __builtin_trap();
        }
        // At most one three-byte answer per three-byte negotiation read.
        if (outcome.replies.size() - repliesBefore > length + 3) {
            __builtin_trap();
        }
        outcome.data.insert(outcome.data.end(), read.begin(),
                            read.begin() + static_cast<std::ptrdiff_t>(kept));
        if (purging && (at / readSize) % 3 == 0) {
            client.requestPurge(platform::telnet::kPurgeReceiveBuffer, wire);
        }
    }
    return outcome;
}

struct NoEvents : platform::telnet::TelnetEvents {
    void onNegotiation(std::uint8_t, std::uint8_t) override {}
    void onSubnegotiation(std::uint8_t, std::span<const std::uint8_t>, bool) override {}
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    const std::size_t readSize = 1 + data[0] % 64;
    const std::span<const std::uint8_t> stream(data + 1, size - 1);

    const Outcome whole = run(stream, stream.size() + 1, false);
    const Outcome pieces = run(stream, readSize, false);
    if (whole.data != pieces.data || whole.replies != pieces.replies) {
        __builtin_trap();
    }
    (void)run(stream, readSize, true);

    // Written data decodes to itself, in binary mode and in terminal mode.
    for (const bool binary : {true, false}) {
        Bytes wire;
        platform::telnet::appendData(stream, binary, wire);
        platform::telnet::TelnetParser parser;
        parser.setNulAfterCarriageReturnDropped(!binary);
        NoEvents events;
        const std::size_t kept = parser.decode(wire, events);
        if (kept != stream.size() || !std::equal(stream.begin(), stream.end(), wire.begin())) {
            __builtin_trap();
        }
    }
    return 0;
}
