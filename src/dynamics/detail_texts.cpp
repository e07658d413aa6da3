#include "dynamics/detail_texts.h"

#include <cmath>

#include "core/date_time.h"
#include "core/display_format.h"

namespace qv {
namespace {

std::string LapPart(const TLapDtRec& lap, const Settings& settings) {
    const double dist = settings.DistInKm ? static_cast<double>(lap.LapDist)
                                          : static_cast<double>(lap.LapDist) / kKmPerFoot;
    const double ave = settings.SpeedInKmh ? static_cast<double>(lap.AveSpd)
                                           : static_cast<double>(lap.AveSpd) / kKmhPerMph;
    const double top = settings.SpeedInKmh ? static_cast<double>(lap.MaxSpd)
                                           : static_cast<double>(lap.MaxSpd) / kKmhPerMph;
    const char* distFormat = settings.DistInKm ? "%.3fkm" : "%.0ffeet";
    const char* speedUnit = settings.SpeedInKmh ? "km/h" : "MPH";
    return StrFormat(distFormat, dist) +
           StrFormat(" AVE=%.2f%s TOP=%.2f%s ", ave, speedUnit, top, speedUnit);
}

std::string CursorPart(const SlotReadout& slot, const Settings& settings) {
    const double dist = settings.DistInKm ? static_cast<double>(slot.cursorDistKm)
                                          : static_cast<double>(slot.cursorDistKm) / kKmPerFoot;
    const double spd = settings.SpeedInKmh ? static_cast<double>(slot.cursorSpdKmh)
                                           : static_cast<double>(slot.cursorSpdKmh) / kKmhPerMph;
    return StrFormat(settings.DistInKm ? "> %.3fkm" : "> %.0ffeet", dist) +
           StrFormat(" %.2f%s", spd, settings.SpeedInKmh ? "km/h" : "MPH");
}

}  // namespace

Float80 Trunc1(Float80 x) {
    return std::trunc(x * 10) / 10;
}

DataLabels SetDataStr(Float80 playTimeSec, const std::array<SlotReadout, 4>& slots, int sectCount,
                      const DiffReadout& diff, const Settings& settings) {
    DataLabels labels;
    labels.playTime = FormatSeconds(static_cast<double>(playTimeSec));
    for (size_t k = 0; k < slots.size(); ++k) {
        const SlotReadout& slot = slots[k];
        if (slot.lap == nullptr) {
            labels.summary[k] = ".";
            labels.sectorLine[k] = ".";
            continue;
        }
        const TLapDtRec& lap = *slot.lap;
        std::string line =
            FormatLapTime(lap.LapTim) + " " + LapPart(lap, settings) + CursorPart(slot, settings);
        if (k == 0 && diff.shown && diff.max > diff.min) {
            const double cur = static_cast<double>(diff.cur);
            line += StrFormat(cur > 0 ? " +%.3fsec" : " %.3fsec", cur);
        }
        labels.summary[k] = line;
        std::string sectors = "[" + lap.DtName + "]";
        if (sectCount >= 1 && slot.sectors != nullptr) {
            for (int s = 0; s <= sectCount && s < kMaxSectors; ++s)
                sectors += ", " + FormatSeconds(static_cast<double>(
                                      slot.sectors->SectTim[static_cast<size_t>(s)]));
        }
        labels.sectorLine[k] = sectors;
    }
    return labels;
}

}  // namespace qv
