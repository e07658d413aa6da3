#include "synth/drive_laps.h"

namespace qv::synth {

std::vector<TLapElmRec> LapBetween(const Drive& drive, double fromUtcMs, double toUtcMs) {
    std::vector<TLapElmRec> out;
    const auto add = [&](double utcMs, double lat, double lon, double spd) {
        TLapElmRec e;
        e.Sec = (utcMs - fromUtcMs) / 1000.0;
        e.Ido = lat;
        e.Kdo = lon;
        e.Spd = spd;
        out.push_back(e);
    };
    const std::vector<SynthFix>& f = drive.fixes;
    for (size_t i = 1; i < f.size(); ++i) {
        const auto t0 = static_cast<double>(f[i - 1].utcMs);
        const auto t1 = static_cast<double>(f[i].utcMs);
        for (const double at : {fromUtcMs, toUtcMs}) {
            if (t0 < at && at <= t1) {
                const double r = (at - t0) / (t1 - t0);
                add(at, f[i - 1].lat + r * (f[i].lat - f[i - 1].lat),
                    f[i - 1].lon + r * (f[i].lon - f[i - 1].lon),
                    f[i - 1].spd + r * (f[i].spd - f[i - 1].spd));
            }
        }
        if (t1 > fromUtcMs && t1 < toUtcMs)
            add(t1, f[i].lat, f[i].lon, f[i].spd);
    }
    return out;
}

std::vector<std::vector<TLapElmRec>> LapsBetweenCrossings(const Drive& drive) {
    std::vector<std::vector<TLapElmRec>> laps;
    for (size_t k = 1; k < drive.crossingUtcMs.size(); ++k)
        laps.push_back(LapBetween(drive, drive.crossingUtcMs[k - 1], drive.crossingUtcMs[k]));
    return laps;
}

}  // namespace qv::synth
