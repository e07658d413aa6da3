#include "dynamics/lap_alignment.h"

#include <cmath>

#include "dynamics/lap_path.h"

namespace qv {
namespace {

bool NoZeroSector(const SectRes& r, int gates) {
    for (int j = 0; j <= gates; ++j)
        if (r.SectLen[j] == 0)
            return false;
    return true;
}

std::vector<Float80> ByDistance(const TLapDtRec& a, const TLapDtRec& b, const SectRes& ra,
                                const SectRes& rb, int gates) {
    const int nB = static_cast<int>(b.Elm.size());
    std::vector<Float80> m(nB);
    if (gates >= 1 && NoZeroSector(ra, gates) && NoZeroSector(rb, gates)) {
        int s = 0;
        Float80 bA = 0, bB = 0;
        Float80 f = ra.SectLen[0] / rb.SectLen[0];
        for (int j = 0; j < nB; ++j) {
            const Float80 dist = b.Elm[j].Dist;
            if (s < gates && dist >= rb.SectPassDist[s]) {
                bA = ra.SectPassDist[s];
                bB = rb.SectPassDist[s];
                ++s;
                f = ra.SectLen[s] / rb.SectLen[s];
            }
            m[j] = (dist - bB) * f + bA;
        }
        return m;
    }
    const Float80 lenB = b.LapDist;
    const Float80 f = (lenB != 0 && std::isfinite(lenB)) ? a.LapDist / lenB : Float80(1);
    for (int j = 0; j < nB; ++j)
        m[j] = b.Elm[j].Dist * f;
    return m;
}

std::vector<Float80> ByPosition(const TLapDtRec& ref, const TLapDtRec& lap) {
    const LapPath refPath = SmoothedLapPath(ref);
    const LapPath path = SmoothedLapPath(lap, refPath.frame);
    const std::vector<double> s = ProjectMonotone(refPath, path.x, path.y, true);
    std::vector<Float80> m(s.size());
    for (size_t j = 0; j < s.size(); ++j)
        m[j] = Float80(s[j]) / 1000;
    return m;
}

}  // namespace

std::vector<Float80> MappedDistances(const TLapDtRec& ref, const TLapDtRec& lap,
                                     const SectRes& refRes, const SectRes& lapRes, int gates,
                                     AlignMode mode) {
    if (mode == AlignMode::kByPosition) {
        if (ref.Elm.empty())
            return std::vector<Float80>(lap.Elm.size(), Float80(0));
        return ByPosition(ref, lap);
    }
    return ByDistance(ref, lap, refRes, lapRes, gates);
}

std::vector<Float80> ProjectOntoPath(const TLapDtRec& ref, const std::vector<LatLonPoint>& points) {
    if (ref.Elm.empty())
        return {};
    const LapPath refPath = SmoothedLapPath(ref);
    std::vector<double> px(points.size()), py(points.size());
    for (size_t k = 0; k < points.size(); ++k) {
        px[k] = refPath.frame.X(static_cast<double>(points[k].lon));
        py[k] = refPath.frame.Y(static_cast<double>(points[k].lat));
    }
    const std::vector<double> s = ProjectMonotone(refPath, px, py);
    std::vector<Float80> km(s.size());
    for (size_t k = 0; k < s.size(); ++k)
        km[k] = Float80(s[k]) / 1000;
    return km;
}

std::vector<Float80> TimeBehind(const TLapDtRec& a, const TLapDtRec& b,
                                const std::vector<Float80>& m) {
    const int nA = static_cast<int>(a.Elm.size());
    const int nB = static_cast<int>(b.Elm.size());
    if (nA == 0 || nB == 0 || static_cast<int>(m.size()) != nB)
        return {};
    std::vector<Float80> behind(nA, 0);
    auto secB = [&](int p) { return Float80(b.Elm[p].Sec); };
    int p = 0;
    for (int i = 1; i < nA; ++i) {
        const Float80 x = a.Elm[i].Dist;
        const Float80 secA = a.Elm[i].Sec;
        while (p < nB - 1 && m[p] < x)
            ++p;
        if (p >= nB - 1) {
            const Float80 last = secB(nB - 1) - Float80(a.Elm[nA - 1].Sec);
            for (int r = i; r < nA; ++r)
                behind[r] = last;
            break;
        }
        const Float80 span = p > 0 ? m[p] - m[p - 1] : 0;
        if (m[p] == x || span <= 0)
            behind[i] = secB(p) - secA;
        else
            behind[i] = (x - m[p - 1]) / span * (secB(p) - secB(p - 1)) + secB(p - 1) - secA;
    }
    return behind;
}

std::vector<Float80> ElapsedAtRefSamples(const TLapDtRec& ref, const TLapDtRec& lap,
                                         const std::vector<Float80>& mapped) {
    std::vector<Float80> t = TimeBehind(ref, lap, mapped);
    for (size_t i = 0; i < t.size(); ++i)
        t[i] += Float80(ref.Elm[i].Sec);
    return t;
}

}  // namespace qv
