// The host link's waits: what ends them (cancel, silence), which messages
// reach the sequences, and the opening and closing of the library's line.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "HostLink.h"
#include "core/InterfaceApi.h"
#include "engine/FrontEnd.h"
#include "engine/OperationControl.h"

namespace engine {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

// A library whose line carries one message again and again (or nothing),
// each after a short wait, and that writes its calls down.
struct RepeatingLibrary {
    std::vector<std::uint8_t> message;  // empty: nothing comes
    std::int32_t initResult = 0;
    bool failing = false;  // MessageReceive fails at once
    std::atomic<int> receives{0};
    std::vector<std::string> calls;
};
RepeatingLibrary* library = nullptr;

struct Messages : public NullFrontEnd {
    void showMessage(const std::string& text, core::MessageIcon) override { shown.push_back(text); }
    std::vector<std::string> shown;
};

class HostLinkTest : public ::testing::Test {
  protected:
    HostLinkTest() {
        library = &fake;
        api.InitInterface = [](const char*, std::uint32_t, std::uint32_t, std::int32_t, std::int32_t,
                               std::uint32_t) {
            library->calls.push_back("init");
            return library->initResult;
        };
        api.CloseInterface = [] { library->calls.push_back("close"); };
        api.LoopBackModeChange = [](std::int32_t) { return std::int32_t{1}; };
        api.MessageSend = [](const std::uint8_t*, std::uint32_t length) {
            library->calls.push_back("send " + std::to_string(length));
            return std::int32_t{1};
        };
        api.MessageReceive = [](std::uint8_t* buffer) {
            ++library->receives;
            if (library->failing) {
                return std::int32_t{-1};
            }
            std::this_thread::sleep_for(20ms);
            std::copy(library->message.begin(), library->message.end(), buffer);
            return static_cast<std::int32_t>(library->message.size());
        };
        link.setInterfaceApi(&api);
        link.setTimeoutTicks(3);
    }
    ~HostLinkTest() override {
        link.close();
        library = nullptr;
    }

    // The wait's result and how long it took.
    std::pair<ResultCode, Clock::duration> timedWait() {
        const auto started = Clock::now();
        link.beginExchange();
        const ResultCode result = link.awaitMessage().result;
        return {result, Clock::now() - started};
    }

    RepeatingLibrary fake;
    core::InterfaceApi api{};
    OperationControl control;
    Messages user;
    FrontEndSlot frontEnd{&user};
    HostLink link{control, frontEnd};
};

TEST_F(HostLinkTest, SilenceEndsAWaitAfterMoreThanTheTimeoutsPeriods) {
    ASSERT_EQ(link.open(data::CommSettings{}, data::WritingPort::HostInterface), 0);
    const auto [result, took] = timedWait();
    EXPECT_EQ(result, ResultCode::TimedOut);
    EXPECT_GE(took, 400ms);
    EXPECT_LT(took, 2s);
}

TEST_F(HostLinkTest, MessagesForAnotherReceiverNeitherReachTheSequenceNorBreakTheSilence) {
    fake.message = {0x06, 0x30, 0x05, 0x20, 0x01, 0x66, 0x00};
    ASSERT_EQ(link.open(data::CommSettings{}, data::WritingPort::HostInterface), 0);
    EXPECT_EQ(timedWait().first, ResultCode::TimedOut);
    EXPECT_GT(fake.receives.load(), 10);
}

TEST_F(HostLinkTest, AMessageToThePcEndsTheWaitWithItsFields) {
    fake.message = {0x06, 0x30, 0x05, 0xFF, 0x01, 0x66, 0x02};
    ASSERT_EQ(link.open(data::CommSettings{}, data::WritingPort::CardDirect), 0);
    link.beginExchange();
    const HostLink::Reply reply = link.awaitMessage();
    ASSERT_TRUE(reply);
    EXPECT_EQ(reply.message.sender, 0x05);
    EXPECT_EQ(reply.message.address, 0x0166u);
    ASSERT_EQ(reply.message.payload.size(), 1u);
    EXPECT_EQ(reply.message.payload[0], 0x02);
}

TEST_F(HostLinkTest, ACancelEndsAWaitWithinAPeriodAndStays) {
    fake.message = {0x06, 0x30, 0x05, 0x20, 0x01, 0x66, 0x00};
    link.setTimeoutTicks(300);
    ASSERT_EQ(link.open(data::CommSettings{}, data::WritingPort::HostInterface), 0);
    std::thread canceller([this] {
        std::this_thread::sleep_for(50ms);
        control.cancel();
    });
    const auto [result, took] = timedWait();
    canceller.join();
    EXPECT_EQ(result, ResultCode::Cancelled);
    EXPECT_LT(took, 1s);
    EXPECT_EQ(timedWait().first, ResultCode::Cancelled);
}

TEST_F(HostLinkTest, ALibraryThatCannotReceiveIsAskedOncePerPeriod) {
    fake.failing = true;
    ASSERT_EQ(link.open(data::CommSettings{}, data::WritingPort::HostInterface), 0);
    EXPECT_EQ(timedWait().first, ResultCode::TimedOut);
    EXPECT_LE(fake.receives.load(), 6);
}

TEST_F(HostLinkTest, OpeningTwiceInitialisesOnceAndAFailureIsShown) {
    ASSERT_EQ(link.open(data::CommSettings{}, data::WritingPort::HostInterface), 0);
    EXPECT_EQ(link.open(data::CommSettings{}, data::WritingPort::CardDirect), 0);
    EXPECT_EQ(link.ownAddress(), host::kCardDirectPcAddress);
    link.close();
    link.close();
    EXPECT_EQ(fake.calls, (std::vector<std::string>{"init", "close"}));

    fake.initResult = -1;
    EXPECT_EQ(link.open(data::CommSettings{}, data::WritingPort::HostInterface), -1);
    EXPECT_FALSE(link.isOpen());
    EXPECT_THAT(user.shown, ::testing::ElementsAre("Interface Open NG"));
}

}  // namespace
}  // namespace engine
