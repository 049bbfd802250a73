#pragma once

#include "view/StatusFeed.h"

namespace viewtest {

// A progress record that the test writes, with the done event as a flag and
// a count of the cancel signals.
class FakeStatusFeed : public view::StatusFeed {
  public:
    view::StatusSnapshot status;
    bool done = false;
    int cancels = 0;

    view::StatusSnapshot snapshot() const override { return status; }
    bool isDone() override { return done; }
    void pressButton() override { ++cancels; }
};

}  // namespace viewtest
