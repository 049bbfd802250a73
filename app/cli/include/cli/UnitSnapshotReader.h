#pragma once

#include <vector>

#include "cli/UnitSnapshot.h"

namespace data {
class UnitRecord;
class UnitList;
}  // namespace data

namespace cli {

// Copies what the command line reports out of the unit records.
class UnitSnapshotReader {
  public:
    static UnitSnapshot read(const data::UnitRecord& unit);
    static std::vector<UnitSnapshot> read(const data::UnitList& units);
};

}  // namespace cli
