#include "ui/EngineLink.h"

#include "engine/UpdateEngine.h"

namespace ui {

data::WritingPort EngineLink::writingPort() const {
    return engine_.writingPort();
}

void EngineLink::setWritingPort(data::WritingPort port) {
    engine_.setWritingPort(port);
}

void EngineLink::setCheckBeforeWrite(std::uint8_t check) {
    engine_.setCheckBeforeWrite(check != 0);
}

void EngineLink::setRetryCount(std::int32_t attempts) {
    engine_.setRetryCount(attempts);
}

std::int32_t EngineLink::setRetryTime(std::int32_t seconds) {
    return engine_.setRetryTime(seconds);
}

void EngineLink::setTiming(data::UnitModel model, const data::UnitTiming& timing) {
    engine_.setTiming(model, timing);
}

void EngineLink::setUnitList(data::UnitList* units) {
    engine_.setUnitList(units);
}

void EngineLink::setCommSettings(const data::CommSettings& settings) {
    engine_.setCommSettings(settings);
}

void EngineLink::setDefaultTarget(std::uint8_t connectionPoint) {
    engine_.setDefaultTarget(connectionPoint);
}

bool EngineLink::startOperation(data::OperationCode code, std::int32_t unitIndex, bool withStatusWindow) {
    return engine_.startOperation(code, unitIndex, withStatusWindow);
}

bool EngineLink::pollDone() {
    return engine_.status().doneEvent().isSignalled();
}

bool EngineLink::busy() const {
    return engine_.busy();
}

}  // namespace ui
