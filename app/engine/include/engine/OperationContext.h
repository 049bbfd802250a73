#pragma once

#include <atomic>
#include <cstdint>

namespace data {
class FlashImage;
}

namespace engine {

class HostLink;
class OperationFrontEnd;
class StatusModel;
struct Operation;

// What the sequences and paths of an operation work with. All of it belongs
// to the engine and outlives them.
struct OperationContext {
    const Operation& operation;
    StatusModel& status;
    OperationFrontEnd& frontEnd;
    HostLink& link;
    data::FlashImage& image;
    // The console has been switched into boot mode by this operation.
    std::atomic<bool>& bootMode;
};

}  // namespace engine
