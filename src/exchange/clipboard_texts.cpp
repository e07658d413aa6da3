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

std::string LapListLine(const LapRow& header, const LapRow& row) {
    std::string line;
    for (size_t c = 0; c < row.size(); ++c) {
        if (c > 0)
            line += '\t';
        const std::string& cell = row[c];
        if (!Has(header[c], '(')) {
            line += cell;
        } else if (Has(cell, '(')) {
            AppendBracketSplit(line, cell);
        } else {
            line += cell;
            line += '\t';
        }
    }
    line += kLineEnd;
    return line;
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
    std::string text;
    for (size_t c = 0; c < header.size(); ++c) {
        if (c > 0)
            text += '\t';
        const std::string_view h = header[c];
        if (Has(h, '/')) {
            const size_t slash = h.find('/');
            text += Guarded(h.substr(0, slash));
            text += '\t';
            text += Guarded(h.substr(slash + 1));
        } else {
            text += Guarded(h);
        }
    }
    text += kLineEnd;
    if (table[1][0].empty())
        return text;
    for (size_t r = 1; r < table.size(); ++r) {
        const auto& row = table[r];
        if (row[0].empty())
            continue;
        for (size_t c = 0; c < row.size(); ++c) {
            if (c > 0)
                text += '\t';
            std::string_view cell = row[c];
            if (!Has(header[c], '/')) {
                if (cell.starts_with('*'))
                    cell.remove_prefix(1);
                text += cell;
            } else if (Has(cell, '/')) {
                AppendSlashSplit(text, cell);
            } else {
                text += cell;
                text += '\t';
            }
        }
        text += kLineEnd;
    }
    return text;
}

std::string DriftDataClipboardText(const DriftTable& table) {
    const auto& header = table[0];
    std::string text;
    for (size_t c = 0; c < header.size(); ++c) {
        if (c > 0)
            text += '\t';
        const std::string_view h = header[c];
        if (h.empty())
            continue;
        if (Has(h, '/')) {
            const size_t slash = h.find('/');
            const std::string_view after = h.substr(slash + 1);
            text += Guarded(h.substr(0, slash));
            text += '\t';
            text += after == "-" ? std::string_view("'-HighDeg") : after;
        } else if (Has(h, '(')) {
            AppendBracketSplit(text, h, true);
        } else {
            text += Guarded(h);
        }
    }
    text += kLineEnd;
    if (table[1][0].empty())
        return text;
    for (size_t r = 1; r < table.size(); ++r) {
        const auto& row = table[r];
        if (row[0].empty())
            continue;
        for (size_t c = 0; c < row.size(); ++c) {
            if (c > 0)
                text += '\t';
            const std::string_view cell = row[c];
            if (Has(cell, '/'))
                AppendSlashSplit(text, cell);
            else if (Has(cell, '('))
                AppendBracketSplit(text, cell);
            else
                text += cell;
        }
        text += kLineEnd;
    }
    return text;
}

}  // namespace qv
