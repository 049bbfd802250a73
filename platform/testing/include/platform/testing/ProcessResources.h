#pragma once

#include <cstddef>
#include <cstdint>

namespace platform {

// What the running process holds of the system at one moment: open file
// descriptors, threads and resident memory. A long run compares two of them.
struct ProcessResources {
    std::size_t openFiles = 0;
    std::size_t threads = 0;
    std::uint64_t residentBytes = 0;

    static ProcessResources now();
};

}  // namespace platform
