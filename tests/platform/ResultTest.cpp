#include "platform/Result.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdint>
#include <memory>
#include <string>

#include "CountingAllocator.h"
#include "platform/SerialPort.h"

using platform::Result;
using platform::SystemError;

TEST(Result, AFailureCarriesTheSystemsCodeAndTextAndNoValue) {
    const Result<int> missing = SystemError::fromCode(ENOENT);
    ASSERT_FALSE(missing.ok());
    EXPECT_FALSE(missing);
    EXPECT_EQ(missing.error().code(), ENOENT);
    EXPECT_TRUE(missing.error().isNotFound());
    EXPECT_EQ(missing.error().text(), "No such file or directory");
    EXPECT_EQ(missing.valueOr(7), 7);
    // A failure equals no value, not even the one a zeroed result would hold.
    EXPECT_FALSE(missing == 0);

    const Result<void> refused = SystemError(EACCES, "open slave: Permission denied");
    ASSERT_FALSE(refused);
    EXPECT_EQ(refused.error().code(), EACCES);
    EXPECT_EQ(refused.error().text(), "open slave: Permission denied") << "the caller's text is kept";
}

TEST(Result, ASuccessHoldsItsValueAndAnErrorThatDidNotFail) {
    const Result<std::string> found = std::string("/data/SRF7");
    ASSERT_TRUE(found.ok());
    EXPECT_EQ(*found, "/data/SRF7");
    EXPECT_EQ(found->size(), 10u);
    EXPECT_TRUE(found == "/data/SRF7");
    EXPECT_FALSE(found.error().failed());
    EXPECT_EQ(found.error().code(), 0);

    const Result<void> done;
    EXPECT_TRUE(done.ok());
    EXPECT_FALSE(done.error().failed());
}

TEST(Result, AnErrorWithoutACodeStillCountsAsAFailure) {
    // A system call that failed without leaving a code must not read as a success.
    EXPECT_FALSE(Result<void>(SystemError()).ok());
    EXPECT_FALSE(Result<std::size_t>(SystemError()).ok());
}

TEST(Result, AMoveOnlyValueIsHandedOverWhole) {
    Result<std::unique_ptr<int>> made = std::make_unique<int>(42);
    ASSERT_TRUE(made);
    std::unique_ptr<int> taken = std::move(made).value();
    ASSERT_NE(taken, nullptr);
    EXPECT_EQ(*taken, 42);
}

TEST(Result, FailuresOnTheTransferPathAllocateNothing) {
    platform::SerialPort closed;
    std::uint8_t buffer[16] = {};
    const long before = testsupport::allocationCount();
    int codes = 0;
    for (int round = 0; round < 1000; ++round) {
        const Result<std::size_t> read = closed.read(buffer);
        const Result<std::size_t> written = closed.write(buffer);
        const Result<platform::WaitResult> waited = closed.waitReadable(0);
        Result<std::size_t> copied = read;
        Result<std::size_t> moved = std::move(copied);
        codes += moved.error().code() == written.error().code() && !waited ? 1 : 0;
    }
    const long allocated = testsupport::allocationCount() - before;
    EXPECT_EQ(allocated, 0);
    EXPECT_EQ(codes, 1000);
}
