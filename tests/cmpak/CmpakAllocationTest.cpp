// The coder's state is allocated once for the process: no call touches the heap.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <memory>
#include <new>
#include <vector>

#include "TestData.h"
#include "cmpak.h"

namespace {
std::atomic<size_t> allocationCount{0};
}  // namespace

// Every allocation of this test program, the library's included, passes through here. The
// replacements pair malloc with free themselves, which some compilers flag as a mismatch.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
#endif
void* operator new(size_t size) {
    allocationCount.fetch_add(1, std::memory_order_relaxed);
    if (void* block = std::malloc(size == 0 ? 1 : size)) {
        return block;
    }
    throw std::bad_alloc();
}
void operator delete(void* block) noexcept {
    std::free(block);
}
void operator delete(void* block, size_t) noexcept {
    std::free(block);
}

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
        const size_t before = allocationCount.load();
        const uint32_t written = Compress(source.data(), static_cast<uint32_t>(source.size()), stream.data());
        const uint32_t size = Decompress(stream.data(), restored.data());
        const int32_t bounded = DecompressBounded(stream.data(), written, restored.data(),
                                                  static_cast<uint32_t>(restored.size()));
        const size_t during = allocationCount.load() - before;
        EXPECT_EQ(during, 0u);
        EXPECT_EQ(size, source.size());
        EXPECT_EQ(bounded, static_cast<int32_t>(source.size()));
    }

    // The counter itself works.
    const size_t before = allocationCount.load();
    auto probe = std::make_unique<int>(1);
    EXPECT_EQ(allocationCount.load() - before, 1u);
}

}  // namespace
