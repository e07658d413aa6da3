#pragma once
// What the library keeps of one log, worked out by opening it the way the
// open-log command does: its runs ticked as the program ticks them, the
// circuit found near it, and its laps cut at that circuit's line.

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/settings.h"
#include "laps/circuit_index.h"
#include "laps/line_state.h"

namespace qv {

struct LapSummary {
    TDateTime startLocal = 0;
    double lapSec = 0;
    double topSpeedKmh = 0;
    double distKm = 0;
    double uncertaintyMs = 0;
    bool flying = false;
    std::vector<double> sectorSec;
};

struct LogSummary {
    bool ok = false;
    std::string reason;        // why not
    std::string loggerKind;    // "bnx4", "vbo", ...
    TDateTime startLocal = 0;  // first fix of the ticked runs
    TDateTime startUtc = 0;
    bool hasPosition = false;  // where the driving took place
    double lat = 0;
    double lon = 0;
    std::string circuit;           // the circuit file's name; empty when none was near
    std::optional<Line> line;      // the control line the laps were cut at
    std::vector<LapSummary> laps;  // the plausible ones, in order
    std::optional<double> achievableLapSec;
};

// The control line of an unnamed track near (lat, lon), if one was kept.
using KnownLineLookup = std::function<std::optional<Line>(double lat, double lon)>;

struct SummaryFigures {
    std::optional<double> bestLapSec;
    std::optional<double> idealLapSec;
    std::optional<double> bestFiveAverageSec;
};

// Best and ideal lap and the average of the best five, over flying laps.
SummaryFigures FiguresOf(const std::vector<LapSummary>& laps);

// Opens logs one after another; the stores are large, so an import keeps
// one summarizer for all its logs.
class LogSummarizer {
  public:
    // `circuits` may be null: no circuit is known.
    LogSummarizer(const CircuitIndex* circuits, const Settings& settings, TDateTime localTimeBase);
    ~LogSummarizer();
    LogSummarizer(const LogSummarizer&) = delete;
    LogSummarizer& operator=(const LogSummarizer&) = delete;

    LogSummary Summarize(const std::filesystem::path& path, const KnownLineLookup& knownLine);

  private:
    struct State;
    std::unique_ptr<State> state_;
};

}  // namespace qv
