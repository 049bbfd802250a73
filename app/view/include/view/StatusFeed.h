#pragma once

#include "view/StatusSnapshot.h"

namespace view {

// What the progress window reads and answers: the record, whether the
// operation has ended, and its one button.
class StatusFeed {
  public:
    virtual ~StatusFeed() = default;
    virtual StatusSnapshot snapshot() const = 0;
    // Whether the operation has ended; looking does not change it.
    virtual bool isDone() = 0;
    // The button: Cancel while the operation runs, OK once it has ended.
    virtual void pressButton() = 0;
};

}  // namespace view
