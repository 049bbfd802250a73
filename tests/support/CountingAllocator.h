#pragma once

// A program that links CountingAllocator.cpp routes every heap allocation of
// the process, its libraries included, through a counter. A path that must
// not allocate is checked by reading the count before and after it.
namespace testsupport {

// Allocations since the program started.
long allocationCount();

}  // namespace testsupport
