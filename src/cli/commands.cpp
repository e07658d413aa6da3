#include "cli/commands.h"

#include <algorithm>
#include <iostream>
#include <memory>
#include <string_view>

#include "app/session.h"
#include "app/startup.h"
#include "cli/command_table.h"
#include "cli/companion.h"
#include "cli/compare_command.h"
#include "cli/corners_command.h"
#include "cli/device_command.h"
#include "cli/export_command.h"
#include "cli/laps_command.h"
#include "cli/library_command.h"
#include "cli/motec_command.h"
#include "core/date_time.h"
#include "core/display_format.h"
#include "core/local_time.h"
#include "decode/file_kinds.h"
#include "decode/load_log.h"
#include "decode/log_check_value.h"
#include "exchange/fix_csv.h"

namespace qv::cli {
namespace {

constexpr const char* kUsage =
    "usage: quorvane-cli COMMAND [OPTIONS] FILE\n"
    "\n"
    "commands (`quorvane-cli COMMAND --help` tells more of each):\n"
    "  info FILE     kind, size and check-value verdict, record count, log blocks,\n"
    "                decoder diagnostics\n"
    "  fixes FILE    every decoded fix as CSV on standard output\n"
    "  laps FILE...  the lap list of the logs as CSV\n"
    "  lap LAP       one lap as the lap CSV export writes it\n"
    "  compare LAP...  up to four laps in the slots: read-outs, sector and drift\n"
    "                tables, time difference\n"
    "  corners LAP...  the corner table of the laps in the slots as CSV: time lost,\n"
    "                braking points, lowest and exit speeds per corner\n"
    "  report LAP... -o FILE.pdf  the session report of the laps as a PDF\n"
    "  device ACTION the logger on a serial port: scan, status, set-mode, set-trigger,\n"
    "                erase, download\n"
    "  export kml|nmea LAP... -o OUT  the KML traces of the slots, or one lap as\n"
    "                NMEA RMC sentences\n"
    "  import-motec FILE.csv  a MoTeC CSV lap as a lap-list row\n"
    "  library ACTION the session library: add FILE|FOLDER..., tracks,\n"
    "                sessions TRACK, best TRACK\n"
    "  video-sync VIDEO LOG LAP  ties a video to a lap from the motion of both\n"
    "                and can write the tie as a .vsy file\n"
    "\n"
    "options:\n"
    "  --diagnostics open a log whose check value does not match, as the program\n"
    "                does while its diagnostic list is shown\n"
    "  -h, --help    this text\n"
    "  --version     the program's version\n"
    "\n"
    "Times are local standard time (the TZ variable is honoured, daylight saving\n"
    "is not applied). Exit status: 0 when the command did its work, 1 when it\n"
    "could not (a file not opened or written, no logger), 2 for a usage error.\n"
    "The manual page quorvane-cli(1) has the details.\n";

constexpr const char* kInfoUsage =
    "usage: quorvane-cli info FILE [--diagnostics]\n"
    "\n"
    "Opens a log as the program does and prints its kind, size and whether the\n"
    "size is accepted, the check-value verdict, the program's message if any,\n"
    "the record count, the log blocks (runs) with their start times and fix\n"
    "counts, and the decoder's diagnostic lines. Exit status 0 when fixes were\n"
    "decoded, 1 otherwise, 2 for a usage error.\n"
    "\n"
    "  --diagnostics   open a log whose check value does not match\n";

constexpr const char* kFixesUsage =
    "usage: quorvane-cli fixes FILE [--diagnostics]\n"
    "\n"
    "Prints every decoded fix of a log as CSV with the header\n"
    "time,lat,lon,elev_m,speed_kmh,sat_used,sat_view,valid,block\n"
    "and times in local standard time as yyyy-mm-dd hh:nn:ss.zzz. Exit status 0\n"
    "when fixes were decoded, 1 otherwise, 2 for a usage error.\n"
    "\n"
    "  --diagnostics   open a log whose check value does not match\n";

struct Invocation {
    std::string command;
    std::string file;
    LoadLogOptions options;
};

bool Parse(const std::vector<std::string>& args, Invocation& inv, std::ostream& err) {
    for (const std::string& a : args) {
        if (a == "--diagnostics") {
            inv.options.diagnosticListVisible = true;
        } else if (!a.empty() && a[0] == '-') {
            err << "quorvane-cli: unknown option " << a << "\n";
            return false;
        } else if (inv.command.empty()) {
            inv.command = a;
        } else if (inv.file.empty()) {
            inv.file = a;
        } else {
            err << "quorvane-cli: unexpected argument " << a << "\n";
            return false;
        }
    }
    if (inv.command != "info" && inv.command != "fixes") {
        err << (inv.command.empty() ? std::string("quorvane-cli: no command")
                                    : "quorvane-cli: unknown command " + inv.command)
            << "\n";
        return false;
    }
    if (inv.file.empty()) {
        err << "quorvane-cli: " << inv.command << " needs a FILE\n";
        return false;
    }
    return true;
}

std::string_view KindDescription(LogFileKind logKind) {
    const FileKind* kind = FindLogFileKind(logKind);
    return kind != nullptr ? kind->description : "unknown";
}

const char* CheckValueText(CheckValueOutcome outcome) {
    switch (outcome) {
        case CheckValueOutcome::Passed:
            return "matches";
        case CheckValueOutcome::Failed:
            return "does not match";
        case CheckValueOutcome::NotChecked:
            break;
    }
    return "not checked";
}

// Reports why a file was not opened; returns the exit code.
int Refuse(const Invocation& inv, const LoadLogResult& r, std::ostream& err) {
    if (!r.exists) {
        err << "quorvane-cli: " << inv.file << ": no such file\n";
    } else if (r.kind == LogFileKind::Unknown) {
        err << "quorvane-cli: " << inv.file << ": not a kind of log this program opens\n";
    } else if (!r.supported) {
        err << "quorvane-cli: " << inv.file << ": ." << LogFileKindName(r.kind)
            << " files cannot be read by this version yet\n";
    } else if (!r.ioError.empty()) {
        err << "quorvane-cli: " << inv.file << ": " << r.ioError << "\n";
    } else if (!r.message.empty()) {
        err << r.message << "\n";
    } else {
        err << "0 records\n";
    }
    return 1;
}

void PrintInfo(const Invocation& inv, const Session& session, const LoadLogResult& r,
               std::ostream& out) {
    out << "file: " << inv.file << "\n";
    out << "kind: " << KindDescription(r.kind) << "\n";
    out << "size: " << r.fileSize << " bytes, " << (r.sizeOk ? "accepted" : "refused") << "\n";
    out << "check value: " << CheckValueText(r.checkValue) << "\n";
    if (!r.message.empty())
        out << "message: " << r.message << "\n";
    if (!r.decoded)
        return;
    out << StrFormat("%d records", session.log.LogItemNum) << "\n";
    if (session.log.DroppedRecords > 0) {
        out << "dropped: " << session.log.DroppedRecords
            << " records beyond the fix store's capacity\n";
    }
    out << "blocks: " << session.log.LogBlockNum() << "\n";
    for (const TLogBlock& b : session.log.LogBlocks) {
        out << "  " << b.Title << "  " << FormatDateTime("yyyy/mm/dd hh:nn:ss.zzz", b.DtTm) << "  "
            << b.RecNum << " fixes\n";
    }
    out << "diagnostics:\n";
    for (const std::string& line : session.diagnostics.Lines())
        out << "  " << line << "\n";
}

}  // namespace

int Run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    if (!args.empty() && IsCompanionCommand(args[0]))
        return RunInCompanion(args, out, err);
    static const CliCommand kCommands[] = {
        {"laps", kLapsUsage, RunLaps, true},
        {"lap", kLapUsage, RunLap, true},
        {"compare", kCompareUsage, RunCompare, true},
        {"corners", kCornersUsage, RunCorners, true},
        {"export", kExportUsage, RunExport, true},
        {"import-motec", kImportMotecUsage, RunImportMotec, true},
        {"device", kDeviceUsage, RunDevice, false},
        {"library", kLibraryUsage, RunLibrary, false}};
    for (const CliCommand& command : kCommands) {
        if (!args.empty() && args[0] == command.name)
            return RunCommand(command, {args.begin() + 1, args.end()}, out, err);
    }
    const std::string_view first = args.empty() ? std::string_view() : std::string_view(args[0]);
    const char* usage = first == "info" ? kInfoUsage : first == "fixes" ? kFixesUsage : kUsage;
    if (std::any_of(args.begin(), args.end(), IsHelpOption)) {
        out << usage;
        return 0;
    }
    if (args.size() == 1 && args[0] == "--version") {
        out << "quorvane-cli (Quorvane) " << kVersionText << "\n";
        return 0;
    }
    Invocation inv;
    if (!Parse(args, inv, err)) {
        err << usage;
        return 2;
    }

    // info shows no speed, so it leaves out the smoothing pass.
    inv.options.smoothSpeeds = inv.command != "info";
    auto session = std::make_unique<Session>(LocalTimeBaseFromBias(StandardTimeBiasMinutes()));
    const LoadLogResult result = LoadLogFile(*session, inv.file, inv.options);
    const bool opened = result.proceed && session->log.LogItemNum > 0;

    if (inv.command == "info") {
        if (result.exists && result.supported)
            PrintInfo(inv, *session, result, out);
        if (opened)
            return 0;
        return Refuse(inv, result, err);
    }
    if (!opened)
        return Refuse(inv, result, err);
    WriteFixCsv(session->log, out);
    return 0;
}

}  // namespace qv::cli
