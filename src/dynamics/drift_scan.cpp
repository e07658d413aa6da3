#include "dynamics/drift_scan.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "core/display_format.h"
#include "dynamics/drift_angle.h"
#include "geometry/gate_passages.h"

namespace qv {
namespace {

constexpr Float80 kMinRateStepSec = 0.01L;

struct SectorAngle {
    Float80 angle = 0;
    int32_t index = -1;
};

// The sample range [first, last] of one sector and the angles it is judged
// by: the angle where the sector began, the one at its closing gate, if
// any, then its own samples.
struct SectorSpan {
    int first = 0;
    int last = 0;
    std::vector<SectorAngle> angles;
};

int32_t DecideState(int sector, const SectRes& res) {
    const Float80 max = res.SectDrMax[sector];
    const Float80 minMag = std::fabs(res.SectDrMin[sector]);
    if (sector == 0)
        return (minMag >= DrInitDeg || max >= DrInitDeg) ? kDrInit : kDrNone;
    const bool oneSided =
        (max >= DrHoldDeg && res.SectDrMin[sector] == 0) || (minMag >= DrHoldDeg && max == 0);
    if (oneSided) {
        const bool held =
            std::fabs(res.SectDrAve[sector]) <= DrMaxDeg && res.SectMinSpd[sector] >= DrMinSpd;
        return held ? kDrMaint : kDrNone;
    }
    const bool transition = minMag >= DrTransDeg && max >= DrTransDeg && minMag <= DrMaxDeg &&
                            max <= DrMaxDeg && res.SectMinSpd[sector] >= DrMinSpd;
    return transition ? kDrTrans : kDrNone;
}

Float80 MeanRate(std::span<const TLapElmRec> samples, std::span<const TDriftRec> drift,
                 const SectorSpan& span) {
    Float80 sum = 0;
    int count = 0;
    for (int k = span.first + 1; k <= span.last; ++k) {
        const size_t at = static_cast<size_t>(k);
        const Float80 dt = Float80(samples[at].Sec) - Float80(samples[at - 1].Sec);
        if (!(dt > kMinRateStepSec))
            continue;
        const Float80 q = std::fabs(drift[at].DAngle - drift[at - 1].DAngle) / dt;
        if (q >= DrRateMin) {
            sum += q;
            ++count;
        }
    }
    return count > 0 ? sum / count : 0;
}

Float80 Score(int32_t state, int sector, const SectRes& res) {
    const Float80 ave = res.SectAveSpd[sector];
    const Float80 min = res.SectMinSpd[sector];
    switch (state) {
        case kDrInit:
            return TruncScore((res.SectDrRate[sector] + res.SectMaxSpd[sector] +
                               std::min(std::fabs(res.SectDrPeak[sector]), Float80(DrMaxDeg))) /
                              3);
        case kDrMaint:
            return TruncScore((ave - (ave - min) / 2) / 2 + std::fabs(res.SectDrAve[sector]) -
                              res.SectDrDev[sector]);
        case kDrTrans: {
            const Float80 minMag = std::fabs(res.SectDrMin[sector]);
            const Float80 half = (minMag + res.SectDrMax[sector]) / 2;
            const Float80 imbalance = std::fabs(minMag - res.SectDrMax[sector]) / 6;
            return TruncScore((half - imbalance) / 3 + res.SectDrRate[sector] / 2 + ave / 2);
        }
        default:
            return 0;
    }
}

void EvaluateSector(int sector, const SectorSpan& span, std::span<const TLapElmRec> samples,
                    std::span<const TDriftRec> drift, SectRes& res) {
    Float80 peak = span.angles.front().angle;
    SectorAngle max{0, -1};
    SectorAngle min{0, -1};
    Float80 sum = 0;
    for (const SectorAngle& a : span.angles) {
        if (std::fabs(a.angle) > std::fabs(peak))
            peak = a.angle;
        if (a.angle > max.angle)
            max = a;
        if (a.angle < min.angle)
            min = a;
        sum += a.angle;
    }
    const Float80 count = static_cast<Float80>(span.angles.size());
    const Float80 mean = sum / count;
    Float80 squares = 0;
    for (const SectorAngle& a : span.angles)
        squares += (a.angle - mean) * (a.angle - mean);

    res.SectDrPeak[sector] = peak;
    res.SectDrMax[sector] = max.angle;
    res.SectDrMaxIdx[sector] = max.index;
    res.SectDrMin[sector] = min.angle;
    res.SectDrMinIdx[sector] = min.index;
    res.SectDrAve[sector] = mean;
    res.SectDrDev[sector] = std::sqrt(squares / count);
    const int32_t state = DecideState(sector, res);
    res.SectDrState[sector] = state;
    res.SectDrRate[sector] =
        (state == kDrInit || state == kDrTrans) ? MeanRate(samples, drift, span) : 0;
    res.SectDrScore[sector] = Score(state, sector, res);
    Float80 total = 0;
    for (int j = 0; j <= sector; ++j)
        total += res.SectDrScore[j];
    res.DrScoreSum = total;
}

SectorSpan SpanOf(int first, int last, SectorAngle opening, const SectorAngle* closing,
                  std::span<const TDriftRec> drift) {
    SectorSpan span{first, last, {}};
    span.angles.reserve(static_cast<size_t>(std::max(last - first + 1, 0)) + 2);
    span.angles.push_back(opening);
    if (closing != nullptr)
        span.angles.push_back(*closing);
    for (int k = first; k <= last; ++k)
        span.angles.push_back({drift[static_cast<size_t>(k)].DAngle, k});
    return span;
}

}  // namespace

Float80 TruncScore(Float80 x) {
    if (!std::isfinite(x))
        return 0;
    return std::trunc(x * 10) / 10;
}

void CalcSectorDrift(std::span<const TLapElmRec> samples, std::span<const TDriftRec> drift,
                     const GateTable& gates, SectRes& res) {
    const int gateCount = gates.UsedCount();
    if (gateCount == 0)
        return;
    res.ClearDrift();
    if (samples.empty() || drift.size() != samples.size())
        return;
    const int last = static_cast<int>(samples.size()) - 1;
    SectorAngle opening{drift[0].DAngle, 0};
    int first = 1;
    for (const GatePassage& pass : FindGatePassages(samples, gates)) {
        const size_t i = static_cast<size_t>(pass.step);
        const Float80 before = drift[i - 1].DAngle;
        const SectorAngle closing{before + pass.ratio * (drift[i].DAngle - before), pass.step};
        EvaluateSector(pass.gate, SpanOf(first, pass.step - 1, opening, &closing, drift), samples,
                       drift, res);
        opening = {closing.angle, pass.step - 1};
        first = pass.step;
        if (pass.gate + 1 == gateCount)
            EvaluateSector(gateCount, SpanOf(first, last, opening, nullptr, drift), samples, drift,
                           res);
    }
}

void CalcSectorDrift(const TLapDtRec& lap, const GateTable& gates, SectRes& res) {
    const size_t n = std::min(static_cast<size_t>(std::max(lap.ElmNum, 0)), lap.Elm.size());
    CalcSectorDrift(std::span<const TLapElmRec>(lap.Elm.data(), n),
                    std::span<const TDriftRec>(lap.DElm.data(), std::min(n, lap.DElm.size())),
                    gates, res);
}

std::string DriftStateText(int32_t state, Float80 rate) {
    switch (state) {
        case kDrInit:
            return StrFormat("%.1Lf (INIT)", rate);
        case kDrMaint:
            return "-.- (MAINT)";
        case kDrTrans:
            return StrFormat("%.1Lf (TRANS)", rate);
        default:
            return "-.- (--)";
    }
}

}  // namespace qv
