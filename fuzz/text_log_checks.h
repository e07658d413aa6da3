#pragma once
// What every text-log reader must leave in the fix store, whatever bytes it
// read, and the check that a text cut into other chunks gives the same
// fixes: the readers hold partial lines and XML between chunks.

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string_view>
#include <vector>

#include "app/session.h"

namespace qv::fuzz {

inline void Check(bool ok) {
    if (!ok)
        __builtin_trap();
}

// The stores are large; built once, reset for every input.
inline Session& FuzzSession() {
    static auto session = std::make_unique<Session>(25569.0 + 540 / 1440.0);
    return *session;
}

inline MtkTarget FuzzTarget() {
    Session& s = FuzzSession();
    return {s.log, s.diagnostics, s.LocalTimeBase};
}

// Sound fixes in sound runs; returns a copy of them.
inline std::vector<TLogItem> CheckedFixes(const LogStore& log) {
    int counted = 0;
    for (const TLogBlock& b : log.LogBlocks) {
        Check(b.RecNum > 0 && !b.Title.empty());
        counted += b.RecNum;
    }
    Check(counted == log.LogItemNum);
    for (int i = 0; i < log.LogItemNum; ++i) {
        const TLogItem& fix = log.LogItems[i];
        Check(std::isfinite(fix.DtTm) && std::isfinite(fix.Spd) && fix.Spd >= 0);
        Check(std::isfinite(fix.Elv));
        Check(std::fabs(fix.Ido) <= 90 && std::fabs(fix.Kdo) <= 180);
        Check(fix.ms < 1000 && !fix.Act && fix.Dir == 0);
        Check(fix.BlkIdx >= 0 && fix.BlkIdx < log.LogBlockNum());
        Check(i == 0 || fix.BlkIdx >= log.LogItems[i - 1].BlkIdx);
    }
    return {log.LogItems.data(), log.LogItems.data() + log.LogItemNum};
}

inline bool SameFixes(const std::vector<TLogItem>& a, const std::vector<TLogItem>& b) {
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (a[i].DtTm != b[i].DtTm || a[i].Ido != b[i].Ido || a[i].Kdo != b[i].Kdo ||
            a[i].Spd != b[i].Spd || a[i].Elv != b[i].Elv || a[i].sat_used != b[i].sat_used ||
            a[i].BlkIdx != b[i].BlkIdx)
            return false;
    }
    return true;
}

// Where the second decoding cuts the text: taken from the input itself.
inline size_t CutOf(std::string_view text) {
    if (text.empty())
        return 0;
    return static_cast<unsigned char>(text.front()) * 131u % (text.size() + 1);
}

}  // namespace qv::fuzz
