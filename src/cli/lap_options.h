#pragma once
// The options the lap commands share (lines, runs, limits, gates, circuit
// selection) and opening the logs they name, exactly as the program opens
// them.

#include <filesystem>
#include <functional>
#include <iosfwd>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/session.h"
#include "cli/cli_prompter.h"
#include "laps/circuit_index.h"
#include "laps/open_log.h"

namespace qv::cli {

extern const char* const kLapOptionsHelp;

struct LapOptions {
    std::string clnFile;
    std::optional<Line> control, start, finish;
    bool rally = false;
    std::string blocks = "auto";
    std::vector<int> blockList;  // from 1
    std::optional<double> minLapTime, minLapDist;
    std::optional<int> minSats;
    std::string sciFile;
    bool autoCircuit = false;
    bool suggestLine = false;
    bool diagnostics = false;
};

enum class OptionParse { NotMine, Taken, Failed };

// Takes args[k] (and its value, advancing k) when it is a lap option.
OptionParse ParseLapOption(const std::vector<std::string>& args, size_t& k, LapOptions& options,
                           std::ostream& err);
// The checks across options; false with the message on `err`.
bool CheckLapOptions(const LapOptions& options, std::ostream& err);

// A lap command's own options: takes args[k] (and its value, advancing k).
using OwnOptionParser = std::function<OptionParse(const std::vector<std::string>& args, size_t& k)>;
// An argument that is no option; false, told on `err`, when it is one too many.
using OperandTaker = std::function<bool(const std::string& arg)>;

// The arguments of a lap command: the lap options, the command's own
// (`own` may be empty) and its operands; an unknown option is refused. The
// lap options are then checked together. 0, or the exit code with the
// reason on `err`.
int ParseLapCommand(const std::vector<std::string>& args, LapOptions& options, std::ostream& err,
                    const OwnOptionParser& own, const OperandTaker& operand);

// The whole of `text` as a number.
bool ParseNumber(const std::string& text, double& value);
// The whole of `text` as a whole number from 0.
bool ParseCount(const std::string& text, int& value);

// A session set up as the options say, with its temporary lap files in a
// private folder that goes away with it.
class CliSession {
  public:
    CliSession(const LapOptions& options, std::ostream& err);
    ~CliSession();
    CliSession(const CliSession&) = delete;
    CliSession& operator=(const CliSession&) = delete;

    // False, with the reason told on `err`, when the session is unusable.
    bool Ready() const { return ready_; }
    Session& session() { return *session_; }

    // Opens a log as the open-log command does; false when it was not opened.
    bool OpenLog(const std::string& file);
    // The laps the last OpenLog cut, listed or not.
    const std::vector<LapCandidate>& LastCandidates() const { return lastCandidates_; }
    // Adds a lap file (.dtb, .csvv, .bon, .bonz) to the lap list; its row or -1.
    int AddLapFile(const std::string& file);

  private:
    class Dialog;
    const LapOptions& options_;
    std::ostream& err_;
    std::unique_ptr<Session> session_;
    CliPrompter prompter_;
    std::optional<CircuitIndex> index_;
    std::unique_ptr<Dialog> dialog_;
    std::filesystem::path scratch_;
    TDateTime now_ = 0;
    std::vector<LapCandidate> lastCandidates_;
    bool ready_ = false;
};

}  // namespace qv::cli
