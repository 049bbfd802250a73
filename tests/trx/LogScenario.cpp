// Plays one logging session against libtrx.so on a pseudo-terminal and exits,
// so that the log's unload steps run. Run from a folder of its own: the log
// is written beside this program.

#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "PtyPeer.h"
#include "trx.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

int session(int logMode) {
    PtyPeer peer;
    if (!peer.isOpen()) {
        return 2;
    }
    for (int round = 0; round < 2; ++round) {
        if (InitInterface(peer.slavePath().c_str(), 200, 38400, logMode, 1, 0) != 0) {
            return 3;
        }
        LoopBackModeChange(0);
        const Bytes message{0x05, 0x41, 0x1F, 0x12, 0x00, 0x00};
        MessageSend(message.data(), static_cast<std::uint32_t>(message.size()));
        if (peer.readFrames(1, 2000).size() != 1) {
            return 4;
        }
        // Two numbered replies with a gap, and a frame of wrong length.
        peer.sendMessage(Bytes{0x05, 0x41, 0x20, 0x02, 0x00, 0x07});
        peer.sendMessage(Bytes{0x05, 0x41, 0x20, 0x02, 0x00, 0x09});
        peer.write(Bytes{0xD0, 0x00, 0x05, 0x41, 0x42, 0xD1});
        std::uint8_t buffer[512];
        for (int taken = 0; taken < 2;) {
            const int length = MessageReceive(buffer);
            if (length <= 0) {
                return 5;
            }
            ++taken;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        CloseInterface();
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string scenario = argc > 1 ? argv[1] : "";
    if (scenario == "fixed") {
        return session(1);
    }
    if (scenario == "stamped") {
        return session(2);
    }
    if (scenario == "missing") {
        const int result = InitInterface("/dev/trx-no-such-port", 200, 38400, 1, 0, 0);
        CloseInterface();
        return result == 1 ? 0 : 6;
    }
    // A port on a network server, named by a URL: one that refuses the
    // connection, and one that is opened and closed again.
    if (scenario == "network-refused" && argc > 2) {
        const int result = InitInterface(argv[2], 200, 115200, 1, 0, 0);
        CloseInterface();
        return result == 1 ? 0 : 7;
    }
    if (scenario == "network-open" && argc > 2) {
        const int result = InitInterface(argv[2], 200, 115200, 1, 0, 0);
        CloseInterface();
        return result == 0 ? 0 : 8;
    }
    std::fprintf(stderr, "usage: %s fixed|stamped|missing|network-refused URL|network-open URL\n", argv[0]);
    return 1;
}
