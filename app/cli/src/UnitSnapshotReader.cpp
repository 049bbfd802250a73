#include "cli/UnitSnapshotReader.h"

#include "data/UnitList.h"
#include "data/UnitRecord.h"

namespace cli {

UnitSnapshot UnitSnapshotReader::read(const data::UnitRecord& unit) {
    UnitSnapshot snapshot;
    snapshot.name = unit.name();
    snapshot.rom = unit.romVersion().text();
    snapshot.file = unit.fileVersion().text();
    snapshot.updateNeeded = unit.updateNeeded();
    snapshot.resultText = unit.resultText();
    for (int index = 0; index < unit.rowCount(); ++index) {
        const data::ImageRow* row = unit.row(index);
        snapshot.rows.push_back({row->cpuName(), row->romVersionText(), row->fileVersionText(),
                                 row->fileName(), row->selectedFlag(), row->topAddress(),
                                 row->flashAddress()});
    }
    return snapshot;
}

std::vector<UnitSnapshot> UnitSnapshotReader::read(const data::UnitList& units) {
    std::vector<UnitSnapshot> snapshots;
    for (int index = 0; index < units.count(); ++index) {
        snapshots.push_back(read(*units.unit(index)));
    }
    return snapshots;
}

}  // namespace cli
