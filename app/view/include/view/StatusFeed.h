#pragma once

#include "view/StatusSnapshot.h"

namespace view {

// What the progress window reads and answers: the record, the done event
// (looked at without consuming it) and the cancel event.
class StatusFeed {
  public:
    virtual ~StatusFeed() = default;
    virtual StatusSnapshot snapshot() const = 0;
    // Whether the operation has ended; the event stays signalled for others.
    virtual bool isDone() = 0;
    virtual void signalCancel() = 0;
};

}  // namespace view
