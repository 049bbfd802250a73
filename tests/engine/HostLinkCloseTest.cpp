// Closing the host link: the receive thread does not wait out the library's
// receive time, and a reply that is being carried out still gets its message
// to the library before the line closes.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <future>
#include <mutex>
#include <string>
#include <vector>

#include "core/InterfaceApi.h"
#include "engine/HostLink.h"
#include "engine/OperationFrontEnd.h"
#include "engine/StatusModel.h"

namespace engine {
namespace {

// A library whose MessageReceive waits far longer than any test runs, unless
// a reply is handed to it or the line is closed; every call is written down.
struct BlockingLibrary {
    static constexpr auto kReceiveLimit = std::chrono::seconds(30);

    std::mutex mutex;
    std::condition_variable changed;
    bool open = false;
    std::vector<std::vector<std::uint8_t>> pending;
    std::vector<std::string> calls;
    bool receiveEndedByClose = false;
    bool receiveTimedOut = false;
};
BlockingLibrary* library = nullptr;

std::int32_t initInterface(const char*, std::uint32_t, std::uint32_t, std::int32_t, std::int32_t,
                           std::uint32_t) {
    std::lock_guard lock(library->mutex);
    library->open = true;
    library->calls.push_back("init");
    return 0;
}

void closeInterface() {
    {
        std::lock_guard lock(library->mutex);
        library->open = false;
        library->calls.push_back("close");
    }
    library->changed.notify_all();
}

std::int32_t loopBackModeChange(std::int32_t) {
    return 1;
}

std::int32_t messageSend(const std::uint8_t*, std::uint32_t length) {
    std::lock_guard lock(library->mutex);
    library->calls.push_back("send " + std::to_string(length));
    return library->open ? 1 : 0;
}

std::int32_t messageReceive(std::uint8_t* buffer) {
    std::unique_lock lock(library->mutex);
    const bool woken = library->changed.wait_for(lock, BlockingLibrary::kReceiveLimit,
                                                 [] { return !library->open || !library->pending.empty(); });
    if (!woken) {
        library->receiveTimedOut = true;
        return 0;
    }
    if (!library->open) {
        library->receiveEndedByClose = true;
        return -1;
    }
    const std::vector<std::uint8_t> message = library->pending.front();
    library->pending.erase(library->pending.begin());
    std::copy(message.begin(), message.end(), buffer);
    return static_cast<std::int32_t>(message.size());
}

// Answers every message with an 8-byte message once it is let go.
class HeldSink : public ReplySink {
  public:
    ReplyActions onReply(const host::HostMessage&, const ExchangeSnapshot&,
                         std::span<std::uint8_t>) override {
        entered.set_value();
        release.get_future().wait();
        ReplyActions actions;
        actions.out().fill(0);
        actions.out()[0] = 7;
        actions.send(8);
        return actions;
    }
    std::promise<void> entered;
    std::promise<void> release;
};

class HostLinkClose : public ::testing::Test {
  protected:
    HostLinkClose() {
        library = &fake;
        api.InitInterface = &initInterface;
        api.CloseInterface = &closeInterface;
        api.MessageSend = &messageSend;
        api.MessageReceive = &messageReceive;
        api.LoopBackModeChange = &loopBackModeChange;
        link.setInterfaceApi(&api);
        comm.deviceName = "line";
    }
    ~HostLinkClose() override { library = nullptr; }

    BlockingLibrary fake;
    core::InterfaceApi api{};
    StatusModel status;
    OperationFrontEnd frontEnd;
    HeldSink sink;
    HostLink link{status, frontEnd, sink};
    data::CommSettings comm;
};

TEST_F(HostLinkClose, EndsTheReceiveThreadThroughTheLibraryCloseNotItsReceiveTime) {
    ASSERT_EQ(link.open(comm, data::WritingPort::HostInterface), 0);
    link.close();
    EXPECT_FALSE(link.isOpen());
    std::lock_guard lock(fake.mutex);
    EXPECT_TRUE(fake.receiveEndedByClose);
    EXPECT_FALSE(fake.receiveTimedOut);
    EXPECT_EQ(fake.calls, (std::vector<std::string>{"init", "close"}));
}

TEST_F(HostLinkClose, AReplyBeingCarriedOutSendsBeforeTheLineCloses) {
    ASSERT_EQ(link.open(comm, data::WritingPort::HostInterface), 0);
    {
        std::lock_guard lock(fake.mutex);
        // A status reply from unit 5 to the PC.
        fake.pending.push_back({0x06, 0x30, 0x05, 0x1F, 0x01, 0x66, 0x00});
    }
    fake.changed.notify_all();
    sink.entered.get_future().wait();
    auto closing = std::async(std::launch::async, [this] { link.close(); });
    // The close has to wait for the handler: it cannot be done yet.
    EXPECT_EQ(closing.wait_for(std::chrono::milliseconds(50)), std::future_status::timeout);
    sink.release.set_value();
    closing.get();
    std::lock_guard lock(fake.mutex);
    EXPECT_EQ(fake.calls, (std::vector<std::string>{"init", "send 8", "close"}));
    EXPECT_TRUE(fake.receiveEndedByClose);
}

TEST_F(HostLinkClose, ClosingAClosedLinkCallsNothing) {
    link.close();
    ASSERT_EQ(link.open(comm, data::WritingPort::HostInterface), 0);
    link.close();
    link.close();
    std::lock_guard lock(fake.mutex);
    EXPECT_EQ(fake.calls, (std::vector<std::string>{"init", "close"}));
}

}  // namespace
}  // namespace engine
