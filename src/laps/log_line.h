#pragma once
// A control line that belongs to one log: the start line its file names,
// or the line its driving suggests once the user takes it. It cuts that
// log's laps and is shown as the control line, but it is not the user's
// line: it leaves the Rally option alone and goes with the log, so that it
// never keeps the next log from finding its own circuit. Saving it to a
// file makes it the user's.

#include <optional>

#include "core/prompter.h"
#include "core/stores.h"
#include "decode/log_session.h"
#include "laps/circuit_index.h"
#include "laps/line_state.h"
#include "laps/log_block_rules.h"
#include "laps/suggest_line.h"

namespace qv {

// The start line the log file names, when it is a usable line: two
// different points with latitudes within ±90 and longitudes within ±180.
std::optional<Line> FileStartLineOf(const LogSession& log);

// True while the control line is the one the open log brought.
bool IsLogLine(const LineState& lines);

// `line` becomes the control line of the open log; the start and finish
// lines give way to it.
void TakeLogLine(LineState& lines, const Line& line);

// The open log is done with: its line is cleared unless it has become the
// user's (saved, or replaced by a line of their own).
void ForgetLogLine(LineState& lines);

// "Save control line": a log's line that is saved is the user's from then on.
bool SaveLogBlockLines(Prompter& prompter, LineState& lines, const Folders& folders);

// What the log offers once the log-block dialog's automatic circuit search
// has run, and the user's answer to it.
class LogLineOffer {
  public:
    explicit LogLineOffer(LineState& lines) : lines_(lines) {}

    // With no line set, the file's start line becomes the log's control
    // line. Failing that, when nothing was found near the log and `suggest`
    // is on, the driving's suggestion waits for the user.
    void Offer(const LogSession& log, SelCircuitOutcome search, bool suggest);

    bool FromFile() const { return fromFile_; }
    // The suggestion waiting for the user; it is shown only while no line
    // is set.
    const std::optional<SuggestedLine>& Pending() const { return pending_; }

    // The user takes the suggestion as this log's control line. False
    // when none waits or a line is set already.
    bool Take();
    // "Erase control line, start/finish" refuses the suggestion too.
    void Refuse() { pending_.reset(); }
    // The lines changed by the user's hand: once one is set, the
    // suggestion is not wanted.
    void LinesChanged();
    // OK: a suggestion waiting with no line set is taken, and the dialog
    // closes; otherwise the dialog's usual question.
    CloseDecision Ok(Prompter& prompter);

  private:
    bool AnyLineSet() const;

    LineState& lines_;
    bool fromFile_ = false;
    std::optional<SuggestedLine> pending_;
};

}  // namespace qv
