#pragma once

#include <thread>

namespace platform {

// Lets go of a library thread while the library is being unloaded (from the
// destructor of a library-wide object). `finished` tells whether the thread
// reported that it left its work.
// POSIX: the thread is joined (forced to leave it was already told).
// Windows: the unload runs under the loader lock, which a thread needs to
// finish its exit, so joining would never return. A finished thread is given
// a moment to leave the library's code and is then detached; one that did
// not finish is terminated, so that it never runs on in unmapped code.
void releaseThreadAtUnload(std::thread& thread, bool finished);

}  // namespace platform
