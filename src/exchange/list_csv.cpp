#include "exchange/list_csv.h"

namespace qv {
namespace {

// "a(b)" -> "a", "b" (the text between "(" and ")", or to the end).
void AppendSplit(std::string& line, const std::string& cell) {
    const size_t open = cell.find('(');
    if (open == std::string::npos) {
        line += cell;
        line += ',';
        return;
    }
    const size_t close = cell.find(')', open + 1);
    line.append(cell, 0, open);
    line += ',';
    line.append(cell, open + 1, close == std::string::npos ? std::string::npos : close - open - 1);
}

}  // namespace

std::string ListCsvText(const LapRow& header, const std::vector<LapRow>& rows) {
    std::string text;
    auto emitRow = [&](const LapRow& row, bool isHeader) {
        std::string line;
        for (size_t c = 0; c < row.size(); ++c) {
            if (c > 0)
                line += ',';
            if (header[c].find('(') == std::string::npos) {
                line += row[c];
            } else if (isHeader || row[c].find('(') != std::string::npos) {
                AppendSplit(line, row[c]);
            } else {
                line += row[c];
                line += ',';
            }
        }
        text += line;
        text += "\r\n";
    };
    emitRow(header, true);
    for (const LapRow& row : rows)
        emitRow(row, false);
    return text;
}

}  // namespace qv
