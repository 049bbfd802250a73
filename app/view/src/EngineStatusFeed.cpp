#include "view/EngineStatusFeed.h"

#include "engine/OperationControl.h"
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
    return control_.isDone();
}

void EngineStatusFeed::pressButton() {
    // The window closes at the press, so nobody could give the OK later:
    // Cancel while the operation runs is also the OK that ends it.
    control_.cancel();
    control_.giveOk();
}

}  // namespace view
