#pragma once

#include <functional>
#include <istream>
#include <optional>
#include <string>
#include <vector>

#include "data/UnitRecord.h"
#include "data/WritingPort.h"

namespace data {

// Receives the texts the user must see while a list loads (for example a
// unit directory that cannot be entered); loading goes on after each.
using MessageSink = std::function<void(const std::string& text)>;

// The units of a unit list, in file order, indexed from 0.
class UnitList {
  public:
    // Reads a unit list ("name, directory, settings file" per line, CR LF or
    // LF, any line length). The content is replaced only when the source
    // holds at least one valid line; returns whether it was. Units whose
    // settings say MODE non-zero are left out under Host I/F. A directory
    // that cannot be entered is reported as "<system text>Directory(<dir>)".
    bool load(std::istream& source, WritingPort port, const MessageSink& onMessage = {});

    int count() const { return static_cast<int>(units_.size()); }
    bool empty() const { return units_.empty(); }
    // The unit at index, or none outside 0 .. count() - 1.
    UnitRecord* unit(int index);
    const UnitRecord* unit(int index) const;

    void clear() { units_.clear(); }
    void append(UnitRecord unit) { units_.push_back(std::move(unit)); }

    // Turns one unit-list line into a record with the defaults applied, or
    // none for a line that names no unit. Directory and settings file are
    // taken as written (no file system access).
    static std::optional<UnitRecord> parseLine(std::string_view line);

  private:
    std::vector<UnitRecord> units_;
};

}  // namespace data
