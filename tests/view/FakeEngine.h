#pragma once

#include <vector>

#include "data/OperationEngine.h"

namespace viewtest {

// An engine that records what it is asked to start and ends when told.
class FakeEngine : public data::OperationEngine {
  public:
    struct Start {
        data::OperationCode code;
        std::int32_t unitIndex;
        bool withStatusWindow;
    };

    std::vector<Start> starts;
    bool acceptStarts = true;
    bool done = false;
    data::WritingPort port = data::WritingPort::HostInterface;

    data::WritingPort writingPort() const override { return port; }
    void setWritingPort(data::WritingPort value) override { port = value; }
    void setCheckBeforeWrite(std::uint8_t) override {}
    void setRetryCount(std::int32_t) override {}
    std::int32_t setRetryTime(std::int32_t) override { return 0; }
    void setTiming(data::UnitModel, const data::UnitTiming&) override {}
    void setUnitList(data::UnitList*) override {}
    void setCommSettings(const data::CommSettings&) override {}
    void setDefaultTarget(std::uint8_t) override {}
    bool startOperation(data::OperationCode code, std::int32_t unitIndex, bool withStatusWindow) override {
        if (!acceptStarts) {
            return false;
        }
        starts.push_back({code, unitIndex, withStatusWindow});
        done = false;
        return true;
    }
    bool pollDone() override { return done; }
    bool busy() const override { return !starts.empty() && !done; }
};

}  // namespace viewtest
