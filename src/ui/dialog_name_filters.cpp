#include "ui/dialog_name_filters.h"

#include <algorithm>
#include <vector>

namespace qv::ui {
namespace {

std::vector<std::string_view> Split(std::string_view text, char separator) {
    std::vector<std::string_view> parts;
    for (;;) {
        const size_t at = text.find(separator);
        parts.push_back(text.substr(0, at));
        if (at == std::string_view::npos)
            return parts;
        text.remove_prefix(at + 1);
    }
}

}  // namespace

std::string CaseBlindPattern(std::string_view pattern) {
    std::string blind;
    for (size_t i = 0; i < pattern.size(); ++i) {
        const char c = pattern[i];
        if (c == '[') {
            // A bracket expression is a set already; ']' right after the
            // opening (or after '!') belongs to the set.
            size_t close = i + 1;
            if (close < pattern.size() && pattern[close] == '!')
                ++close;
            if (close < pattern.size() && pattern[close] == ']')
                ++close;
            close = pattern.find(']', close);
            if (close != std::string_view::npos) {
                blind.append(pattern.substr(i, close + 1 - i));
                i = close;
                continue;
            }
        }
        const bool lower = c >= 'a' && c <= 'z';
        const bool upper = c >= 'A' && c <= 'Z';
        if (!lower && !upper) {
            blind += c;
            continue;
        }
        const char other = static_cast<char>(lower ? c - 'a' + 'A' : c - 'A' + 'a');
        blind += '[';
        blind += lower ? c : other;
        blind += lower ? other : c;
        blind += ']';
    }
    return blind;
}

std::string DialogNameFilters(std::string_view filter) {
    if (filter.empty())
        return {};
    const std::vector<std::string_view> parts = Split(filter, '|');
    std::string filters;
    for (size_t i = 0; i + 1 < parts.size(); i += 2) {
        std::vector<std::string> patterns;
        auto add = [&patterns](std::string pattern) {
            if (std::find(patterns.begin(), patterns.end(), pattern) == patterns.end())
                patterns.push_back(std::move(pattern));
        };
        for (const std::string_view pattern : Split(parts[i + 1], ';')) {
            if (pattern.empty())
                continue;
            // Qt's own save dialog gives a typed name the suffix of the
            // entry's first pattern when the entry is changed: it must be
            // a plain one.
            if (patterns.empty())
                add(std::string(pattern));
            add(CaseBlindPattern(pattern));
        }
        if (!filters.empty())
            filters += ";;";
        filters.append(parts[i]);
        filters += " (";
        for (size_t p = 0; p < patterns.size(); ++p)
            filters += (p == 0 ? "" : " ") + patterns[p];
        filters += ')';
    }
    return filters;
}

}  // namespace qv::ui
