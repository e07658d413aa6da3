#include "cli/lap_argument.h"

#include <filesystem>
#include <ostream>

#include "app/analysis.h"
#include "decode/file_kinds.h"
#include "exchange/motec_import.h"

namespace qv::cli {

int LapArgumentResolver::Row(const std::string& lap) {
    const size_t colon = lap.rfind(':');
    int n = 0;
    if (colon != std::string::npos && colon > 0 && ParseCount(lap.substr(colon + 1), n) &&
        LogFileKindOf(lap.substr(0, colon)) != LogFileKind::Unknown) {
        const std::string log = lap.substr(0, colon);
        auto found = logs_.find(log);
        if (found == logs_.end()) {
            LogLaps laps;
            laps.first = laps_.session().laps.LapNum();
            laps.opened = laps_.OpenLog(log);
            laps.end = laps_.session().laps.LapNum();
            found = logs_.emplace(log, laps).first;
        }
        const LogLaps& laps = found->second;
        if (laps.first + n >= laps.end) {
            // A log that failed to open has been explained; its count would
            // only mislead.
            if (laps.opened)
                err_ << "quorvane-cli: " << log << " has " << laps.end - laps.first
                     << " laps, no lap " << n << "\n";
            return -1;
        }
        return laps.first + n + 1;
    }
    if (LapListLoadOf(lap) == LapListLoad::MotecCsv) {
        const MotecImportResult imported = LoadLapFileToGrigMotecCsv(laps_.session(), lap);
        if (!imported.added) {
            err_ << "quorvane-cli: " << lap << ": "
                 << (imported.error.empty() ? std::string("not a MoTeC CSV lap") : imported.error)
                 << "\n";
            return -1;
        }
        return imported.lapNo + 1;
    }
    return laps_.AddLapFile(lap);
}

bool LapArgumentResolver::ShowInSlot(const std::string& lap) {
    const int row = Row(lap);
    if (row < 1)
        return false;
    if (ShowLapInSlot(laps_.session(), row).kind != SlotChange::Kind::Loaded) {
        err_ << "quorvane-cli: " << lap << ": the lap could not be shown\n";
        return false;
    }
    return true;
}

bool LapArgumentResolver::ShowInSlots(const std::vector<std::string>& laps) {
    for (const std::string& lap : laps) {
        if (!ShowInSlot(lap))
            return false;
    }
    return true;
}

OperandTaker CollectLaps(std::vector<std::string>& laps) {
    return [&laps](const std::string& lap) {
        laps.push_back(lap);
        return true;
    };
}

bool FitTheSlots(const std::vector<std::string>& laps, std::string_view command,
                 std::ostream& err) {
    if (!laps.empty() && laps.size() <= static_cast<size_t>(LapStore::kMaxLapSlots))
        return true;
    err << "quorvane-cli: " << command << " takes one to four laps\n";
    return false;
}

}  // namespace qv::cli
