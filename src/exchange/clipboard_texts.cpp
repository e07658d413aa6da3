#include "exchange/clipboard_texts.h"

#include <string_view>

namespace qv {
namespace {

constexpr std::string_view kLineEnd = "\r\n";

bool Has(std::string_view text, char c) {
    return text.find(c) != std::string_view::npos;
}

// "a(b)": "a", a tab, and the text between "(" and ")" (to the end when
// there is no ")").
void AppendBracketSplit(std::string& line, std::string_view cell, bool guardBefore = false) {
    const size_t open = cell.find('(');
    const std::string_view before = cell.substr(0, open);
    std::string_view inside = cell.substr(open + 1);
    inside = inside.substr(0, inside.find(')'));
    if (guardBefore && before.starts_with('-'))
        line += '\'';
    line += before;
    line += '\t';
    line += inside;
}

std::string Guarded(std::string_view text) {
    std::string out;
    if (text.starts_with('-'))
        out += '\'';
    out += text;
    return out;
}

// The cells of `row` joined by tabs, each as `appendCell(line, column, cell)`
// writes it, and the line end.
template <typename Row, typename AppendCell>
std::string TabLine(const Row& row, AppendCell appendCell) {
    std::string line;
    for (size_t c = 0; c < row.size(); ++c) {
        if (c > 0)
            line += '\t';
        appendCell(line, c, std::string_view(row[c]));
    }
    line += kLineEnd;
    return line;
}

// The lines of the table's rows below the header that have a first cell;
// none when the first of them is empty.
template <typename Table, typename AppendCell>
void AppendTableRows(std::string& text, const Table& table, AppendCell appendCell) {
    if (table[1][0].empty())
        return;
    for (size_t r = 1; r < table.size(); ++r) {
        if (!table[r][0].empty())
            text += TabLine(table[r], appendCell);
    }
}

std::string LapListLine(const LapRow& header, const LapRow& row) {
    return TabLine(row, [&header](std::string& line, size_t c, std::string_view cell) {
        if (!Has(header[c], '(')) {
            line += cell;
        } else if (Has(cell, '(')) {
            AppendBracketSplit(line, cell);
        } else {
            line += cell;
            line += '\t';
        }
    });
}

void AppendSlashSplit(std::string& line, std::string_view cell) {
    const size_t slash = cell.find('/');
    line += cell.substr(0, slash);
    line += '\t';
    line += cell.substr(slash + 1);
}

}  // namespace

std::string AllLapDataClipboardText(const LapRow& header, const std::vector<LapRow>& rows) {
    std::string text = LapListLine(header, header);
    if (rows.empty() || rows.front()[0].empty())
        return text;
    for (const LapRow& row : rows)
        text += LapListLine(header, row);
    return text;
}

std::string SelLapDataClipboardText(const LapRow& header, const std::vector<LapRow>& rows,
                                    const std::vector<std::string>& slotNames) {
    std::string text = LapListLine(header, header);
    for (const std::string& name : slotNames) {
        for (const LapRow& row : rows) {
            if (row[1] == name) {
                text += LapListLine(header, row);
                break;
            }
        }
    }
    return text;
}

std::string SectDataClipboardText(const SectTable& table) {
    const auto& header = table[0];
    std::string text = TabLine(header, [](std::string& line, size_t, std::string_view h) {
        if (Has(h, '/')) {
            const size_t slash = h.find('/');
            line += Guarded(h.substr(0, slash));
            line += '\t';
            line += Guarded(h.substr(slash + 1));
        } else {
            line += Guarded(h);
        }
    });
    AppendTableRows(text, table, [&header](std::string& line, size_t c, std::string_view cell) {
        if (!Has(header[c], '/')) {
            if (cell.starts_with('*'))
                cell.remove_prefix(1);
            line += cell;
        } else if (Has(cell, '/')) {
            AppendSlashSplit(line, cell);
        } else {
            line += cell;
            line += '\t';
        }
    });
    return text;
}

std::string DriftDataClipboardText(const DriftTable& table) {
    std::string text = TabLine(table[0], [](std::string& line, size_t, std::string_view h) {
        if (h.empty())
            return;
        if (Has(h, '/')) {
            const size_t slash = h.find('/');
            const std::string_view after = h.substr(slash + 1);
            line += Guarded(h.substr(0, slash));
            line += '\t';
            line += after == "-" ? std::string_view("'-HighDeg") : after;
        } else if (Has(h, '(')) {
            AppendBracketSplit(line, h, true);
        } else {
            line += Guarded(h);
        }
    });
    AppendTableRows(text, table, [](std::string& line, size_t, std::string_view cell) {
        if (Has(cell, '/'))
            AppendSlashSplit(line, cell);
        else if (Has(cell, '('))
            AppendBracketSplit(line, cell);
        else
            line += cell;
    });
    return text;
}

}  // namespace qv
