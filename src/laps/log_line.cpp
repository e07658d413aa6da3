#include "laps/log_line.h"

#include <cmath>

#include "laps/cln_file.h"

namespace qv {
namespace {

bool UsablePoint(Float80 lat, Float80 lon) {
    return std::isfinite(lat) && std::isfinite(lon) && std::fabs(lat) <= 90 &&
           std::fabs(lon) <= 180;
}

}  // namespace

std::optional<Line> FileStartLineOf(const LogSession& log) {
    if (!log.fileStartLine)
        return std::nullopt;
    const auto& points = *log.fileStartLine;
    Line line;
    for (size_t k = 0; k < line.size(); ++k) {
        if (!UsablePoint(points[k].lat, points[k].lon))
            return std::nullopt;
        line[k] = {points[k].lat, points[k].lon};
    }
    // A line of one point would count as crossed on every step of a lap.
    if (line[0].lat == line[1].lat && line[0].lon == line[1].lon)
        return std::nullopt;
    return line;
}

bool IsLogLine(const LineState& lines) {
    return lines.logLine && lines.controlLineSet && lines.first == *lines.logLine;
}

void TakeLogLine(LineState& lines, const Line& line) {
    lines.first = line;
    lines.controlLineSet = true;
    lines.startLineSet = lines.finishLineSet = false;
    lines.logLine = line;
}

void ForgetLogLine(LineState& lines) {
    if (IsLogLine(lines))
        lines.controlLineSet = false;
    lines.logLine.reset();
}

bool SaveLogBlockLines(Prompter& prompter, LineState& lines, const Folders& folders) {
    const SaveControlLineResult saved = SaveControlLine(prompter, lines, folders);
    if (saved.saved)
        lines.logLine.reset();
    return saved.saved;
}

void LogLineOffer::Offer(const LogSession& log, SelCircuitOutcome search, bool suggest) {
    fromFile_ = false;
    pending_.reset();
    if (AnyLineSet())
        return;
    if (const std::optional<Line> fileLine = FileStartLineOf(log)) {
        TakeLogLine(lines_, *fileLine);
        fromFile_ = true;
        return;
    }
    if (suggest && ShouldSuggestLine(lines_, search))
        pending_ = SuggestControlLine(log.log);
}

bool LogLineOffer::Take() {
    if (!pending_ || AnyLineSet())
        return false;
    TakeLogLine(lines_, pending_->line);
    pending_.reset();
    return true;
}

void LogLineOffer::LinesChanged() {
    if (AnyLineSet())
        pending_.reset();
}

CloseDecision LogLineOffer::Ok(Prompter& prompter) {
    if (Take())
        return CloseDecision::CloseWithOk;
    return OnDialogOk(lines_, prompter);
}

bool LogLineOffer::AnyLineSet() const {
    return lines_.controlLineSet || lines_.startLineSet || lines_.finishLineSet;
}

}  // namespace qv
