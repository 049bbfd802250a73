#include "cli/TextTable.h"

#include <algorithm>

namespace cli {

namespace {
constexpr std::size_t kColumnGap = 2;
}

TextTable::TextTable(std::vector<std::string> header, std::size_t indent) : indent_(indent) {
    rows_.push_back(std::move(header));
}

void TextTable::addRow(std::vector<std::string> cells) {
    rows_.push_back(std::move(cells));
}

void TextTable::print(std::ostream& out) const {
    std::vector<std::size_t> widths;
    for (const auto& row : rows_) {
        widths.resize(std::max(widths.size(), row.size()), 0);
        for (std::size_t column = 0; column < row.size(); ++column) {
            widths[column] = std::max(widths[column], row[column].size());
        }
    }
    for (const auto& row : rows_) {
        std::string line(indent_, ' ');
        for (std::size_t column = 0; column < row.size(); ++column) {
            line += row[column];
            if (column + 1 < row.size()) {
                line.append(widths[column] - row[column].size() + kColumnGap, ' ');
            }
        }
        out << line << '\n';
    }
}

}  // namespace cli
