#pragma once

#include "view/StatusFeed.h"

namespace engine {
class OperationControl;
class StatusModel;
}  // namespace engine

namespace view {

// The progress window's reading of the engine's status record (the texts
// are copied under the record's lock, the numbers read one by one) and its
// answers through the operation's control.
class EngineStatusFeed : public StatusFeed {
  public:
    EngineStatusFeed(engine::StatusModel& status, engine::OperationControl& control)
        : status_(status), control_(control) {}

    StatusSnapshot snapshot() const override;
    bool isDone() override;
    void pressButton() override;

    engine::StatusModel& status() const { return status_; }

  private:
    engine::StatusModel& status_;
    engine::OperationControl& control_;
};

}  // namespace view
