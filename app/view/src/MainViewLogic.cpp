#include "view/MainViewLogic.h"

#include "data/CDIAGDoc.h"

namespace view {

MainViewUpdate MainViewLogic::takeUpdate() {
    MainViewUpdate update;
    if (document_.takeListReloaded()) {
        std::vector<std::string> names;
        const data::UnitList& units = document_.units();
        for (int index = 0; index < units.count(); ++index) {
            names.push_back(units.unit(index)->name());
        }
        update.unitNames = std::move(names);
    }
    if (document_.takeUnitChanged()) {
        data::UnitRecord* unit = document_.currentUnit();
        // The ROM value is always emptied; the unit's reported version is
        // not shown here.
        update.unit =
            MainViewUpdate::UnitShown{{}, unit != nullptr ? unit->fileVersion().text() : std::string(), unit};
    }
    if (document_.takePortChanged()) {
        update.versionBarShown = document_.writingPort() == data::WritingPort::HostInterface;
    }
    return update;
}

PanelState MainViewLogic::togglePanel(bool clearEnabled) {
    return {clearEnabled, !clearEnabled, !clearEnabled, !clearEnabled};
}

void MainViewLogic::unitConfirmed(int index) {
    document_.selectUnit(index);
}

MainViewLogic::GetVersionStart MainViewLogic::startGetVersion() {
    if (document_.currentUnit() == nullptr ||
        !document_.startOperation(data::OperationCode::GetVersion, document_.currentUnitIndex(), false)) {
        return {false, document_.writingPort() == data::WritingPort::HostInterface};
    }
    return {true, false};
}

bool MainViewLogic::startWrite() {
    if (document_.countSelectedRows() < 1) {
        return false;
    }
    return document_.startOperation(data::OperationCode::Write, document_.currentUnitIndex(), true);
}

MainViewLogic::PollAnswer MainViewLogic::poll() {
    if (!document_.engine().pollDone()) {
        return {};
    }
    const bool enableGetVersion =
        viewMode_ == kListMode && document_.writingPort() == data::WritingPort::HostInterface;
    // Selecting the current unit again raises its changed flag and redraws
    // the grid and the version bar from what the engine wrote.
    document_.selectUnit(document_.currentUnitIndex());
    return {true, enableGetVersion};
}

}  // namespace view
