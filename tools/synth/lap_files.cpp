#include "synth/lap_files.h"

#include <cmath>

#include "core/display_format.h"
#include "core/text_file.h"
#include "geometry/plane.h"
#include "laps/lap_file_io.h"

namespace qv::synth {
namespace {

void SetElapsed(TLapElmRec& sample, TDateTime start) {
    sample.Tm = sample.DtTm - start;
    sample.Sec = Float80(sample.Tm) * kSecondsPerDay;
}

Float80 StepKm(const TLapElmRec& from, const TLapElmRec& to) {
    return StepDistKm(from.Ido, from.Kdo, to.Ido, to.Kdo, to.Ido);
}

}  // namespace

std::vector<TLapElmRec> LapSamplesOfFixes(std::span<const SynthFix> fixes, TDateTime localTimeBase,
                                          bool withDirections) {
    std::vector<TLapElmRec> samples;
    samples.reserve(fixes.size());
    for (const SynthFix& fix : fixes) {
        TLapElmRec& s = samples.emplace_back();
        s.DtTm = static_cast<double>(fix.utcMs) / kMsPerDay + localTimeBase;
        SetElapsed(s, samples.front().DtTm);
        s.Ido = fix.lat;
        s.Kdo = fix.lon;
        s.Elv = fix.elv;
        s.Spd = fix.spd;
        if (withDirections)
            s.Dir = std::fmod(double{fix.compassDeg} + 180, 360);
        if (samples.size() > 1) {
            const TLapElmRec& before = samples[samples.size() - 2];
            s.Dist = Float80(before.Dist) + StepKm(before, s);
        }
        s.UseSat = fix.satUsed;
    }
    return samples;
}

std::vector<TLapElmRec> LapSamplesOfPositions(std::span<const LatLon> points, double stepSeconds,
                                              TDateTime start, double elevationM, int useSat) {
    std::vector<TLapElmRec> samples(points.size());
    for (size_t i = 0; i < points.size(); ++i) {
        TLapElmRec& s = samples[i];
        s.DtTm = start + static_cast<double>(i) * stepSeconds / kSecondsPerDay;
        SetElapsed(s, start);
        s.Ido = points[i].lat;
        s.Kdo = points[i].lon;
        s.Elv = elevationM;
        s.UseSat = useSat;
        if (i > 0) {
            const Float80 km = StepKm(samples[i - 1], s);
            s.Dist = Float80(samples[i - 1].Dist) + km;
            s.Spd = km / stepSeconds * 3600;
        }
    }
    if (samples.size() > 1)
        samples[0].Spd = Float80(samples[1].Spd);
    return samples;
}

std::string CsvvText(std::span<const TLapElmRec> samples, bool withSatellites) {
    std::vector<std::string> lines;
    for (const TLapElmRec& s : samples) {
        std::string line =
            FormatDateTime("yyyy/mm/dd hh:nn:ss.zzz", s.DtTm) + "," +
            FormatDateTime("hh:nn:ss.zzz", s.Tm, TimeKind::kDuration) + "," +
            StrFormat("%.9Lf,%.9Lf,%.3Lf,%.3Lf,%.3Lf,%.6Lf", Float80(s.Ido), Float80(s.Kdo),
                      Float80(s.Elv), Float80(s.Spd), Float80(s.Dir), Float80(s.Dist));
        if (withSatellites)
            line += "," + std::to_string(s.UseSat);
        lines.push_back(std::move(line));
    }
    return JoinCrLf(lines);
}

WriteResult WriteDtbFile(const std::filesystem::path& path, std::span<const TLapElmRec> samples) {
    return WriteLapFile(path, samples, false);
}

}  // namespace qv::synth
