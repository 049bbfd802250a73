#include "platform/ThreadRelease.h"

namespace platform {

void releaseThreadAtUnload(std::thread& thread, bool) {
    if (thread.joinable()) {
        thread.join();
    }
}

}  // namespace platform
