#pragma once
// A session with a synthetic log for the log-block dialog tests: runs of
// fixes along the diagonal of the box 35.00..35.01 N, 139.00..139.01 E.

#include <algorithm>
#include <memory>

#include "app/session.h"
#include "decode/log_blocks.h"
#include "laps/log_block_rules.h"

namespace qv::test {

inline std::unique_ptr<Session> DiagonalSession(int runs, int perRun) {
    auto session = std::make_unique<Session>(25569.0);
    LogStore& log = session->log;
    const int steps = std::max(runs * perRun - 1, 1);
    for (int r = 0; r < runs; ++r) {
        for (int k = 0; k < perRun; ++k) {
            const int i = log.LogItemNum++;
            TLogItem& fix = log.LogItems[i];
            fix = TLogItem{};
            fix.DtTm = 45000.0 + r * 0.01 + k / 86400.0;
            fix.Ido = 35.0 + 0.01 * i / steps;
            fix.Kdo = 139.0 + 0.01 * i / steps;
            fix.Spd = 50;
            fix.sat_used = 8;
            AssignFixToBlock(log, i);
        }
    }
    SetAllBlocks(log, true);
    return session;
}

}  // namespace qv::test
