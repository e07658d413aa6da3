#pragma once
// Flying laps of the demo circuit driven to a plan, cut into the lap list
// by the program's own extraction and placed into the slots: test input
// with differences planted in known corners.

#include <memory>
#include <vector>

#include "app/analysis.h"
#include "app/session.h"
#include "laps/lap_extraction.h"
#include "support/temp_dir.h"
#include "synth/circuit_files.h"
#include "synth/drive.h"
#include "synth/drive_log.h"

namespace qv::test {

// The synthesizer's corners of the demo circuit, in driving order.
enum SynthCorner : size_t {
    kFirstRight = 0,  // the hard right at the end of the main straight
    kLeftAfter = 1,
    kLongRight = 2,  // 135 degrees
    kSweepers = 3,
    kChicane = 4,
    kKink = 5,
    kHairpin = 6,
};

// Every flying lap is driven to its plan. Laps compared in a test should
// not be the first flying lap, whose start still carries the out-lap's
// last corner, nor the last, which slows for the in-lap before the line.
inline synth::SessionOptions PlannedSession(std::vector<std::vector<synth::CornerPlan>> laps,
                                            double rateHz, double noiseM = 0, uint32_t seed = 1) {
    synth::SessionOptions o;
    o.rateHz = rateHz;
    o.stints = {static_cast<int>(laps.size())};
    o.noiseM = noiseM;
    o.seed = seed;
    o.plannedLaps = std::move(laps);
    return o;
}

class PlantedLaps {
  public:
    // The session's flying laps `shown` (from 0) go into slots A, B, ...
    PlantedLaps(const synth::SessionOptions& options, const std::vector<int>& shown, int gates = 0)
        : session_(std::make_unique<Session>(25569.0)) {
        session_->folders.TempFolder = dir_.path();
        const synth::Circuit circuit = synth::DemoCircuit();
        drive_ = synth::SynthesizeSession(circuit, synth::PitLane{}, options);
        synth::LoadDriveIntoLog(drive_, session_->log, 25569.0);
        session_->lines = synth::CircuitControlLine(circuit);
        if (gates > 0)
            session_->gates = synth::CircuitGates(circuit, gates);
        ExtractLaps(*session_);
        // Row 1 is the out-lap from the pit box.
        for (int lap : shown)
            ShowLapInSlot(*session_, lap + 2);
    }
    Session& session() { return *session_; }
    const std::vector<TLapDtRec>& slots() const { return session_->laps.LapDt; }
    const SlotSectResults& results() const { return session_->sectRes; }
    int gates() const { return session_->gates.UsedCount(); }
    // The true time of flying lap k (from 0), s.
    double TrueLapSec(size_t k) const {
        return (drive_.crossingUtcMs[k + 1] - drive_.crossingUtcMs[k]) / 1000;
    }

  private:
    TempDir dir_;
    std::unique_ptr<Session> session_;
    synth::Drive drive_;
};

}  // namespace qv::test
