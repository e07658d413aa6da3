#pragma once
// MoTeC CSV laps into the lap list, and the command that chooses them.

#include <filesystem>
#include <string>
#include <vector>

#include "core/prompter.h"
#include "exchange/motec_csv.h"
#include "laps/lap_session.h"

namespace qv {

inline constexpr const char* kMotecDialogTitle = "Open MoTeC data(.csv)";
inline constexpr const char* kMotecFilter = "MoTeC csvファイル|*.csv";
// Real exports of long, fast-sampled laps stay far below this.
inline constexpr uintmax_t kMotecMaxFileSize = 64 * 1024 * 1024;

// The open dialog's folder: the documents root until a file was chosen
// (the window starts it there), then the folder of the last chosen file.
struct MotecDialogState {
    std::filesystem::path folder;
};

struct MotecImportResult {
    bool added = false;
    int lapNo = -1;
    MotecRefusal refusal = MotecRefusal::None;
    // The message to show: a start that does not convert, or the platform's
    // message when the temporary lap file could not be written.
    std::string error;
};

// Where an imported lap without positions is placed: slot A's first sample,
// or 36.0 N, 135.0 E at 100 m with no lap in the slots.
MotecFallback MotecFallbackOf(const LapStore& laps);

// With no position channels, the lap is laid onto slot A: the second sample
// takes slot A's second position, and distances within 10 % of slot A's lap
// distance are scaled to it.
void FitMotecLapToSlotA(std::vector<TLapElmRec>& samples, const TLapDtRec& slotA);

// Appends one lap-list row for the file; column 7 keeps the name as given,
// which marks the row as an import.
MotecImportResult LoadLapFileToGrigMotecCsv(LapSession& session, const std::filesystem::path& path);

// "Import MoTeC CSV file". A refusal is silent except for the start's
// conversion message, which is shown.
MotecImportResult SpeedButtonMotecClick(LapSession& session, Prompter& prompter,
                                        MotecDialogState& state);

}  // namespace qv
