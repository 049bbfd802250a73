#include "ThreadPassages.h"

namespace trx {
namespace {
constexpr std::size_t index(ThreadRole role) {
    return static_cast<std::size_t>(role);
}
}  // namespace

void ThreadPassages::mark(ThreadRole role, std::uint32_t passage) {
    current_[index(role)].store(passage, std::memory_order_relaxed);
    auto& snapshot = snapshots_[index(role)];
    for (std::size_t thread = 0; thread < current_.size(); ++thread) {
        snapshot[thread].store(current_[thread].load(std::memory_order_relaxed), std::memory_order_relaxed);
    }
}

std::uint32_t ThreadPassages::current(ThreadRole role) const {
    return current_[index(role)].load(std::memory_order_relaxed);
}

ThreadInfo ThreadPassages::snapshot(ThreadRole role) const {
    const auto& snapshot = snapshots_[index(role)];
    return ThreadInfo{snapshot[0].load(std::memory_order_relaxed),
                      snapshot[1].load(std::memory_order_relaxed),
                      snapshot[2].load(std::memory_order_relaxed)};
}

void ThreadPassages::reset() {
    for (std::size_t thread = 0; thread < current_.size(); ++thread) {
        current_[thread].store(0, std::memory_order_relaxed);
        for (auto& field : snapshots_[thread]) {
            field.store(0, std::memory_order_relaxed);
        }
    }
}

}  // namespace trx
