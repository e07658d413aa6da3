#include "dynamics/lap_yaw_rate.h"

#include <vector>

#include "dynamics/smoothed_track.h"

namespace qv {

MotionSignal LapYawRate(std::span<const TLapElmRec> samples) {
    MotionSignal out;
    out.source = MotionSignal::Source::Log;
    const size_t n = samples.size();
    if (n < 3)
        return out;
    std::vector<Float80> smLat(n), smLon(n), heading(n);
    SmoothPositions(samples, smLat, smLon);
    TravelHeadings(samples, smLat, smLon, heading);
    out.times.reserve(n - 1);
    out.values.reserve(n - 1);
    for (size_t i = 0; i + 1 < n; ++i) {
        const double t0 = static_cast<double>(static_cast<Float80>(samples[i].Sec));
        const double t1 = static_cast<double>(static_cast<Float80>(samples[i + 1].Sec));
        if (!(t1 > t0))
            continue;
        double turn = static_cast<double>(heading[i + 1] - heading[i]);
        while (turn > 180)
            turn -= 360;
        while (turn <= -180)
            turn += 360;
        out.times.push_back(0.5 * (t0 + t1));
        out.values.push_back(turn / (t1 - t0));
    }
    return out;
}

}  // namespace qv
