#pragma once
// The LAP arguments of the exchange commands: a lap file, a MoTeC CSV
// export or LOG:N, the N-th lap (from 0) cut from a log.

#include <iosfwd>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "cli/lap_options.h"

namespace qv::cli {

class LapArgumentResolver {
  public:
    LapArgumentResolver(CliSession& laps, std::ostream& err) : laps_(laps), err_(err) {}

    // The lap-list row (from 1) of the lap, or -1 with the reason on `err`.
    int Row(const std::string& lap);
    // The lap shown in the next free slot; false with the reason on `err`.
    bool ShowInSlot(const std::string& lap);
    // Each lap in the next free slot, in order; false at the first that
    // failed, with the reason on `err`.
    bool ShowInSlots(const std::vector<std::string>& laps);

  private:
    CliSession& laps_;
    std::ostream& err_;
    struct LogLaps {
        int first = 0;  // the log's laps are rows [first, end) from 0
        int end = 0;
        bool opened = false;  // false: why was told when it was opened
    };
    std::map<std::string, LogLaps> logs_;
};

// Takes every operand of a lap command as a LAP.
OperandTaker CollectLaps(std::vector<std::string>& laps);
// Whether the laps fit the slots A to D: one to four, else a usage error
// for `command` on `err`.
bool FitTheSlots(const std::vector<std::string>& laps, std::string_view command, std::ostream& err);

}  // namespace qv::cli
