#include "view/EngineStatusFeed.h"

#include "engine/StatusModel.h"

namespace view {

StatusSnapshot EngineStatusFeed::snapshot() const {
    StatusSnapshot snapshot;
    snapshot.title = status_.title();
    snapshot.fileName = status_.fileName();
    snapshot.lowAddress = status_.lowAddress();
    snapshot.highAddress = status_.highAddress();
    snapshot.checksum = status_.checksum();
    snapshot.statusText = status_.statusText();
    snapshot.errorFlag = status_.errorFlag();
    snapshot.finishedFlag = status_.finishedFlag();
    snapshot.currentTotal = status_.currentTotal();
    snapshot.currentPos = status_.currentPos();
    snapshot.overallTotal = status_.overallTotal();
    snapshot.overallPos = status_.overallPos();
    snapshot.cancelEnabled = status_.cancelEnabled();
    return snapshot;
}

bool EngineStatusFeed::isDone() {
    return status_.doneEvent().isSignalled();
}

void EngineStatusFeed::signalCancel() {
    status_.cancelEvent().signal();
}

}  // namespace view
