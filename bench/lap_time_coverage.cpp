// How often the true lap time lies within the stated ± band: many synthetic
// drives at 5, 10, 20 and 25 Hz with position and speed noise, cut at a
// line where the car accelerates and at one where it brakes hard. Prints a
// table; the band is meant to hold about 95 % of laps.

#include <cmath>
#include <cstdio>
#include <memory>
#include <vector>

#include "app/session.h"
#include "laps/lap_extraction.h"
#include "scratch_folder.h"
#include "synth/drive.h"
#include "synth/drive_log.h"

namespace {

constexpr qv::TDateTime kBase = 25569.0;

// The demo circuit started at another of its points, the line across the
// track there.
qv::synth::Circuit StartedAt(const qv::synth::Circuit& base, size_t first) {
    qv::synth::Circuit c = base;
    c.points.clear();
    for (size_t k = 0; k < base.points.size(); ++k)
        c.points.push_back(base.points[(first + k) % base.points.size()]);
    const qv::synth::LatLon a = c.points[0], b = c.points[1];
    const double mPerLat = 111195.0, mPerLon = mPerLat * std::cos(a.lat * M_PI / 180);
    const double east = (b.lon - a.lon) * mPerLon, north = (b.lat - a.lat) * mPerLat;
    const double len = std::hypot(east, north);
    const double leftEast = -north / len * 15, leftNorth = east / len * 15;
    c.lineA = {a.lat + leftNorth / mPerLat, a.lon + leftEast / mPerLon};
    c.lineB = {a.lat - leftNorth / mPerLat, a.lon - leftEast / mPerLon};
    return c;
}

// The circuit point nearest the fix of hardest braking on a plain drive.
size_t HardestBraking(const qv::synth::Circuit& circuit) {
    qv::synth::DriveOptions o;
    o.rateHz = 25;
    o.laps = 1;
    const qv::synth::Drive d = qv::synth::SynthesizeDrive(circuit, o);
    size_t at = 1;
    double worst = 0;
    for (size_t i = 1; i < d.fixes.size(); ++i) {
        const double drop = d.fixes[i - 1].spd - d.fixes[i].spd;
        if (drop > worst) {
            worst = drop;
            at = i;
        }
    }
    // A little before the hardest point, so that braking runs through the line.
    const qv::synth::SynthFix& fix = d.fixes[at > 3 ? at - 3 : at];
    size_t best = 0;
    double bestM = 1e18;
    for (size_t k = 0; k < circuit.points.size(); ++k) {
        const double m =
            std::hypot(circuit.points[k].lat - fix.lat,
                       (circuit.points[k].lon - fix.lon) * std::cos(fix.lat * M_PI / 180));
        if (m < bestM) {
            bestM = m;
            best = k;
        }
    }
    return best;
}

struct Tally {
    int laps = 0, inside = 0;
    double sumBandMs = 0, sumAbsErrorMs = 0;
};

}  // namespace

int main() {
    qv::bench::ScratchFolder scratch;
    auto session = std::make_unique<qv::Session>(kBase);
    session->folders.TempFolder = scratch.path;
    session->settings.MinLapDist = 0.001;
    session->settings.MinLapTime = 1;

    const qv::synth::Circuit demo = qv::synth::DemoCircuit();
    const struct {
        const char* name;
        qv::synth::Circuit circuit;
    } lines[] = {{"accelerating", demo}, {"braking", StartedAt(demo, HardestBraking(demo))}};
    const double rates[] = {5, 10, 20, 25};
    const double noises[] = {0.5, 1.5, 3.0};
    constexpr int kSeeds = 40;

    std::printf("%-13s %5s %7s %6s %9s %11s %11s\n", "line", "Hz", "noise m", "laps", "inside %",
                "mean ± ms", "mean |e| ms");
    Tally overall;
    for (const auto& line : lines) {
        for (double rate : rates) {
            for (double noise : noises) {
                Tally t;
                for (int seed = 1; seed <= kSeeds; ++seed) {
                    qv::synth::DriveOptions o;
                    o.rateHz = rate;
                    o.laps = 5;
                    o.noiseM = noise;
                    o.speedNoiseKmh = 1;
                    o.seed = static_cast<uint32_t>(seed * 7919 + static_cast<int>(rate));
                    // A start offset that is no whole multiple of the fix
                    // interval puts the line at a different share of the step.
                    o.startUtcMs += seed * 13;
                    const qv::synth::Drive drive = qv::synth::SynthesizeDrive(line.circuit, o);
                    qv::synth::LoadDriveIntoLog(drive, session->log, kBase);
                    session->laps = qv::LapStore{};
                    session->lines.controlLineSet = true;
                    session->lines.first = {
                        qv::LinePoint{line.circuit.lineA.lat, line.circuit.lineA.lon},
                        qv::LinePoint{line.circuit.lineB.lat, line.circuit.lineB.lon}};
                    const qv::ExtractionResult cut = qv::ExtractCircuitLaps(*session);
                    // The first lap runs from the log's start, the last to its end.
                    if (cut.candidates.size() != drive.crossingUtcMs.size() + 1)
                        continue;
                    for (size_t k = 1; k < drive.crossingUtcMs.size(); ++k) {
                        const double truth =
                            (drive.crossingUtcMs[k] - drive.crossingUtcMs[k - 1]) / 1000;
                        const qv::LapCandidate& lap = cut.candidates[k];
                        const double errorMs =
                            std::abs(static_cast<double>(lap.lapSec) - truth) * 1000;
                        const double band = static_cast<double>(lap.uncertaintyMs);
                        ++t.laps;
                        t.inside += errorMs <= band;
                        t.sumBandMs += band;
                        t.sumAbsErrorMs += errorMs;
                    }
                }
                std::printf("%-13s %5.0f %7.1f %6d %9.1f %11.1f %11.1f\n", line.name, rate, noise,
                            t.laps, t.laps ? 100.0 * t.inside / t.laps : 0.0,
                            t.laps ? t.sumBandMs / t.laps : 0.0,
                            t.laps ? t.sumAbsErrorMs / t.laps : 0.0);
                overall.laps += t.laps;
                overall.inside += t.inside;
            }
        }
    }
    std::printf("all: %d laps, %.1f %% inside\n", overall.laps,
                overall.laps ? 100.0 * overall.inside / overall.laps : 0.0);
    return 0;
}
