#include "laps/lap_rows.h"

#include "core/date_time.h"
#include "core/display_format.h"
#include "core/text_utils.h"

namespace qv {

int AppendLapRow(LapStore& laps, const Settings& settings, const NewLapRow& row) {
    const int lapNo = laps.LapNum();
    LapRow& cells = laps.LapRows.emplace_back();
    cells[0] = row.dataName;
    cells[1] = StrFormat("%.4d", lapNo);
    cells[2] = FormatDateTime("yyyy/mm/dd", row.start);
    cells[3] = FormatDateTime("hh:nn:ss", row.start);
    cells[4] = FormatLapTime(row.lapTime);
    cells[5] = FormatSpeed(static_cast<double>(row.topSpeed), settings.SpeedInKmh);
    cells[6] = FormatDistance(static_cast<double>(row.distKm), settings.DistInKm);
    cells[7] = row.fileName;
    cells[19] = std::to_string(laps.LapGroupNo);
    TLapStrLstRec& entry = laps.LapList.emplace_back();
    entry.Sec = static_cast<Float80>(row.lapTime) * 86400;
    entry.MaxSpd = row.topSpeed;
    entry.lapTimeUncertaintyMs = row.uncertaintyMs;
    return lapNo;
}

bool IsCsvImportRow(const LapRow& row) {
    return UpperCase(row[7]).find(".CSV") != std::string::npos;
}

}  // namespace qv
