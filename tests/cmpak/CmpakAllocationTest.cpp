// The coder's state is allocated once for the process: no call touches the heap.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "CountingAllocator.h"
#include "TestData.h"
#include "cmpak.h"

namespace {

using namespace cmpaktest;

TEST(CmpakAllocation, CallsAfterTheFirstAllocateNothing) {
    const std::vector<std::vector<uint8_t>> sources = {machineCode(4096, 0), randomBytes(4096, 1),
                                                       repeatedByte(70000, 0), englishText(20000)};
    std::vector<uint8_t> stream(worstCaseSize(70000));
    std::vector<uint8_t> restored(70000);
    // The first call may set things up; it is not counted.
    Compress(sources[0].data(), 4096, stream.data());

    for (const std::vector<uint8_t>& source : sources) {
        const long before = testsupport::allocationCount();
        const uint32_t written = Compress(source.data(), static_cast<uint32_t>(source.size()), stream.data());
        const uint32_t size = Decompress(stream.data(), restored.data());
        const int32_t bounded = DecompressBounded(stream.data(), written, restored.data(),
                                                  static_cast<uint32_t>(restored.size()));
        const long during = testsupport::allocationCount() - before;
        EXPECT_EQ(during, 0);
        EXPECT_EQ(size, source.size());
        EXPECT_EQ(bounded, static_cast<int32_t>(source.size()));
    }

    // The counter itself works.
    const long before = testsupport::allocationCount();
    auto probe = std::make_unique<int>(1);
    EXPECT_EQ(testsupport::allocationCount() - before, 1);
}

}  // namespace
