#include "cli/motec_command.h"

#include <ostream>

#include "app/analysis.h"
#include "cli/lap_argument.h"
#include "cli/lap_options.h"
#include "core/atomic_file.h"
#include "exchange/list_csv.h"
#include "exchange/motec_import.h"
#include "laps/lap_file_io.h"

namespace qv::cli {

const char* const kImportMotecUsage =
    "usage: quorvane-cli import-motec FILE.csv [--slot-a LAP] [--dtb OUT] [lap options]\n"
    "\n"
    "Imports a MoTeC CSV export as \"Import MoTeC CSV file\" does and prints the\n"
    "lap list (header and the new row) as CSV. --slot-a shows LAP (as for\n"
    "`export`) in slot A first, so that a file without positions is laid onto\n"
    "it. --dtb writes the imported lap as a lap data file.\n"
    "\n"
    "lap options:\n";

namespace {

const char* RefusalText(MotecRefusal refusal) {
    switch (refusal) {
        case MotecRefusal::NotReadable:
            return "cannot be read (missing, unreadable or larger than 64 MiB)";
        case MotecRefusal::TooFewLines:
            return "has fewer than 20 lines";
        case MotecRefusal::NoLayout:
            return "has no channel line or no first data line";
        case MotecRefusal::NoLogDateTime:
            return "has no \"Log Date\" and \"Log Time\" on lines 7 and 8";
        case MotecRefusal::NoColumns:
            return "has no distance or no speed channel";
        case MotecRefusal::NoSamples:
            return "has no data line with every channel";
        case MotecRefusal::BadDateTime:
        case MotecRefusal::None:
            break;
    }
    return "was not imported";
}

}  // namespace

int RunImportMotec(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    LapOptions options;
    std::string file, slotA, dtb;
    const auto own = [&](const std::vector<std::string>& all, size_t& k) {
        const std::string& a = all[k];
        if ((a != "--dtb" && a != "--slot-a") || k + 1 >= all.size())
            return OptionParse::NotMine;
        (a == "--dtb" ? dtb : slotA) = all[++k];
        return OptionParse::Taken;
    };
    const auto operand = [&](const std::string& a) {
        if (!file.empty()) {
            err << "quorvane-cli: import-motec takes one FILE\n";
            return false;
        }
        file = a;
        return true;
    };
    if (const int code = ParseLapCommand(args, options, err, own, operand))
        return code;
    if (file.empty()) {
        err << "quorvane-cli: import-motec needs a FILE\n";
        return 2;
    }
    CliSession laps(options, err);
    if (!laps.Ready())
        return 1;
    Session& session = laps.session();
    if (!slotA.empty()) {
        LapArgumentResolver resolver(laps, err);
        if (!resolver.ShowInSlot(slotA))
            return 1;
    }
    const MotecImportResult imported = LoadLapFileToGrigMotecCsv(session, file);
    if (!imported.added) {
        err << "quorvane-cli: " << file << ": "
            << (imported.error.empty() ? RefusalText(imported.refusal) : imported.error) << "\n";
        return 1;
    }
    // The row as the import wrote it: like the window's import, it computes
    // no sector or drift cells. The refresh only names the columns.
    const LapRow row = session.laps.LapRows[static_cast<size_t>(imported.lapNo)];
    RefreshLapList(session);
    out << ListCsvText(session.listHeader, {row});
    if (!dtb.empty()) {
        const LapFileRead read = ReadLapFile(TempLapFilePath(session.folders, row[1]));
        const WriteResult written = WriteLapFile(dtb, read.samples);
        if (!written.ok) {
            err << "quorvane-cli: " << dtb << ": " << written.error << "\n";
            return 1;
        }
    }
    return 0;
}

}  // namespace qv::cli
