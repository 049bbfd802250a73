#pragma once

#include <array>
#include <atomic>
#include <cstdint>

#include "trx.h"

namespace trx {

enum class ThreadRole { Transmit = 0, Receive = 1, Log = 2 };

// Where each of the three threads last was in its loop, and the snapshot each
// thread takes of all three whenever it moves.
class ThreadPassages {
  public:
    void mark(ThreadRole role, std::uint32_t passage);
    std::uint32_t current(ThreadRole role) const;
    ThreadInfo snapshot(ThreadRole role) const;
    void reset();

  private:
    std::array<std::atomic<std::uint32_t>, 3> current_{};
    std::array<std::array<std::atomic<std::uint32_t>, 3>, 3> snapshots_{};
};

}  // namespace trx
