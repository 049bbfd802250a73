#include "RunningThread.h"

#include <atomic>
#include <chrono>
#include <memory>
#include <utility>

namespace trx {

std::thread startRunningThread(std::function<void()> body) {
    // Shared: a thread that starts only after the wait gave up still finds it.
    const auto running = std::make_shared<std::atomic<bool>>(false);
    std::thread thread([running, body = std::move(body)] {
        running->store(true);
        body();
    });
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kStartWaitMs);
    while (!running->load() && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::microseconds(100));
    }
    return thread;
}

}  // namespace trx
