#include "cli/export_command.h"

#include <filesystem>
#include <ostream>

#include "app/analysis.h"
#include "cli/lap_argument.h"
#include "cli/lap_options.h"
#include "core/atomic_file.h"
#include "exchange/kml_export.h"
#include "exchange/nmea_export.h"
#include "laps/lap_file_io.h"

namespace qv::cli {

const char* const kExportUsage =
    "usage: quorvane-cli export kml LAP... -o OUT.kml [lap options]\n"
    "       quorvane-cli export nmea LAP -o OUT.nmea [lap options]\n"
    "\n"
    "kml puts up to four laps into the slots A to D and writes their traces as\n"
    "\"Export tracks as KML file\" does, named after OUT; nmea writes one lap as\n"
    "\"Export lap data as NMEA file\" does (at least 5 samples). LAP is a lap file\n"
    "(.dtb, .csvv, .bon, .bonz), a MoTeC CSV export (.csv) or LOG:N, the lap\n"
    "numbered N (from 0) among the laps cut from the log LOG. OUT is written as\n"
    "given, through a temporary name.\n"
    "\n"
    "lap options:\n";

namespace {

struct ExportArgs {
    std::string format;
    std::vector<std::string> laps;
    std::string out;
    LapOptions options;
};

int Parse(const std::vector<std::string>& args, ExportArgs& parsed, std::ostream& err) {
    const auto own = [&parsed](const std::vector<std::string>& all, size_t& k) {
        if (all[k] != "-o" || k + 1 >= all.size())
            return OptionParse::NotMine;
        parsed.out = all[++k];
        return OptionParse::Taken;
    };
    const auto operand = [&parsed](const std::string& a) {
        if (parsed.format.empty())
            parsed.format = a;
        else
            parsed.laps.push_back(a);
        return true;
    };
    if (const int code = ParseLapCommand(args, parsed.options, err, own, operand))
        return code;
    if (parsed.format != "kml" && parsed.format != "nmea") {
        err << "quorvane-cli: export writes kml or nmea\n";
        return 2;
    }
    const size_t most = parsed.format == "kml" ? LapStore::kMaxLapSlots : 1;
    if (parsed.laps.empty() || parsed.laps.size() > most) {
        err << "quorvane-cli: "
            << (parsed.format == "kml" ? "export kml takes one to four laps\n"
                                       : "export nmea takes one LAP\n");
        return 2;
    }
    if (parsed.out.empty()) {
        err << "quorvane-cli: export needs -o OUT\n";
        return 2;
    }
    return 0;
}

int Write(const std::string& path, const std::string& text, std::ostream& err) {
    const WriteResult written = WriteFileAtomically(path, text);
    if (!written.ok) {
        err << "quorvane-cli: " << path << ": " << written.error << "\n";
        return 1;
    }
    return 0;
}

}  // namespace

int RunExport(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    ExportArgs parsed;
    if (const int code = Parse(args, parsed, err))
        return code;
    CliSession laps(parsed.options, err);
    if (!laps.Ready())
        return 1;
    LapArgumentResolver resolver(laps, err);
    Session& session = laps.session();
    std::vector<int> rows;
    for (const std::string& lap : parsed.laps) {
        const int row = resolver.Row(lap);
        if (row < 1)
            return 1;
        rows.push_back(row);
    }
    if (parsed.format == "nmea") {
        const LapRow& cells = session.laps.LapRows[static_cast<size_t>(rows[0] - 1)];
        const LapFileRead read = ReadLapFile(TempLapFilePath(session.folders, cells[1]));
        const std::optional<std::string> text =
            NmeaText(read.samples, BiasMinutesOf(session.LocalTimeBase));
        if (!text) {
            err << "quorvane-cli: the lap has fewer than " << kNmeaMinSamples << " samples\n";
            return 1;
        }
        if (Write(parsed.out, *text, err) != 0)
            return 1;
        out << read.samples.size() << " sentences written to " << parsed.out << "\n";
        return 0;
    }
    for (size_t k = 0; k < rows.size(); ++k) {
        if (ShowLapInSlot(session, rows[k]).kind != SlotChange::Kind::Loaded) {
            err << "quorvane-cli: " << parsed.laps[k] << ": the lap could not be shown\n";
            return 1;
        }
    }
    const std::string name = std::filesystem::path(parsed.out).stem().string();
    if (Write(parsed.out, KmlText(KmlDocumentName(name), OccupiedSlots(session.laps)), err) != 0)
        return 1;
    out << session.laps.LapDtNum() << " traces written to " << parsed.out << "\n";
    return 0;
}

}  // namespace qv::cli
