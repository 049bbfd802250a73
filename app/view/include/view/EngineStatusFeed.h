#pragma once

#include "view/StatusFeed.h"

namespace engine {
class StatusModel;
}

namespace view {

// The progress window's reading of the engine's status record: the texts
// are copied under the record's lock, the numbers read one by one.
class EngineStatusFeed : public StatusFeed {
  public:
    explicit EngineStatusFeed(engine::StatusModel& status) : status_(status) {}

    StatusSnapshot snapshot() const override;
    bool isDone() override;
    void signalCancel() override;

    engine::StatusModel& status() const { return status_; }

  private:
    engine::StatusModel& status_;
};

}  // namespace view
