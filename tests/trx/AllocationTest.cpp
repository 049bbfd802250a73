// Counts every heap allocation of the process (the library's included) while
// messages flow, to show the message paths never allocate.

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "CountingAllocator.h"
#include "PtyPeer.h"
#include "trx.h"

TEST(TrxAllocations, NoneAroundTenThousandMessages) {
    PtyPeer peer;
    ASSERT_TRUE(peer.isOpen());
    ASSERT_EQ(InitInterface(peer.slavePath().c_str(), 200, 115200, 0, 1, 0), 0);
    LoopBackModeChange(0);
    const std::vector<std::uint8_t> message{0x08, 0x41, 0x1F, 0x12, 0x00, 0xD0, 0xD0, 0x55, 0x55};
    const std::vector<std::uint8_t> local{0x04, 0x41, 0x00, 0x1F, 0x01};
    const std::vector<std::uint8_t> frame = packedFrame(message);
    std::uint8_t buffer[512];
    std::atomic<bool> peerDone{false};

    // The far end reads what the host sends and answers every message.
    std::thread far([&] {
        std::uint8_t incoming[1024];
        long answered = 0;
        while (answered < 2000) {
            const std::size_t got = peer.readSome(incoming, 1000);
            if (got == 0) {
                break;
            }
            for (std::size_t index = 0; index < got; ++index) {
                if (incoming[index] == 0xD1) {
                    peer.write(frame);
                    ++answered;
                }
            }
        }
        peerDone = true;
    });
    const long before = testsupport::allocationCount();
    long received = 0;
    for (int index = 0; index < 2000; ++index) {
        ASSERT_EQ(MessageSend(message.data(), static_cast<uint32_t>(message.size())), 1);
        if (MessageReceive(buffer) > 0) {
            ++received;
        }
    }
    for (int index = 0; index < 8000; ++index) {
        ASSERT_EQ(MessageSend(local.data(), static_cast<uint32_t>(local.size())), 1);
        ASSERT_EQ(MessageReceive(buffer), static_cast<int32_t>(local.size()));
    }
    far.join();
    const long allocated = testsupport::allocationCount() - before;
    while (MessageReceive(buffer) > 0) {
        ++received;
    }
    CloseInterface();
    EXPECT_EQ(allocated, 0);
    EXPECT_EQ(received, 2000);
    EXPECT_TRUE(peerDone.load());
}
