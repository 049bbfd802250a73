#pragma once

#include "data/OperationEngine.h"

namespace engine {
class UpdateEngine;
}

namespace ui {

// The document's view of the update engine that the desktop program owns.
// The end of an operation is looked at without consuming the done event, so
// that the progress window, which watches the same event, also sees it.
class EngineLink : public data::OperationEngine {
  public:
    explicit EngineLink(engine::UpdateEngine& engine) : engine_(engine) {}

    data::WritingPort writingPort() const override;
    void setWritingPort(data::WritingPort port) override;
    void setCheckBeforeWrite(std::uint8_t check) override;
    void setRetryCount(std::int32_t attempts) override;
    std::int32_t setRetryTime(std::int32_t seconds) override;
    void setTiming(data::UnitModel model, const data::UnitTiming& timing) override;
    void setUnitList(data::UnitList* units) override;
    void setCommSettings(const data::CommSettings& settings) override;
    void setDefaultTarget(std::uint8_t connectionPoint) override;
    bool startOperation(data::OperationCode code, std::int32_t unitIndex, bool withStatusWindow) override;
    bool pollDone() override;
    bool busy() const override;

  private:
    engine::UpdateEngine& engine_;
};

}  // namespace ui
