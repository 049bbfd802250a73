#pragma once

#include <functional>
#include <thread>

namespace trx {

// How long startRunningThread waits for the new thread at most.
inline constexpr int kStartWaitMs = 5000;

// Starts a thread and returns once it runs. On Windows a new thread first
// passes through the system's loader, which takes the loader lock; a thread
// that had not got that far when the library is unloaded could not start
// before the unload was over, and the unload would wait for it in vain (and
// lose what it should have written).
std::thread startRunningThread(std::function<void()> body);

}  // namespace trx
