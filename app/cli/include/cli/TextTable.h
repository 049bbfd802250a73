#pragma once

#include <cstddef>
#include <ostream>
#include <string>
#include <vector>

namespace cli {

// Left-aligned columns separated by two blanks; every column is as wide as its
// widest cell. Rows may carry an indent so that a unit's image rows sit under it.
class TextTable {
  public:
    explicit TextTable(std::vector<std::string> header, std::size_t indent = 0);

    void addRow(std::vector<std::string> cells);
    void print(std::ostream& out) const;

  private:
    std::size_t indent_;
    std::vector<std::vector<std::string>> rows_;
};

}  // namespace cli
