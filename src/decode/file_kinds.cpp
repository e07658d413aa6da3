#include "decode/file_kinds.h"

#include <array>

#include "core/text_utils.h"
#include "decode/gpx_log_reader.h"
#include "decode/log_readers.h"
#include "decode/nmea_log_reader.h"
#include "decode/vbo_log_reader.h"

namespace qv {
namespace {

constexpr std::string_view kOpenLogAllEntry = "Quorvane GPS data files or Record files";
constexpr std::string_view kLoadLapEntry = "Quorvane Data files";
constexpr std::string_view kOtherLoggersEntry = "Other GPS logs (NMEA, GPX, VBO)";

constexpr std::array kFileKinds = {
    FileKind{.extension = "bnx4",
             .logKind = LogFileKind::Bnx4,
             .readLog = ReadBnx4Log,
             .openLogFilterEntry = "Quorvane4 GPS data files",
             .description = "bnx4 (current logger log)"},
    FileKind{.extension = "binx",
             .logKind = LogFileKind::Binx,
             .readLog = ReadBinxLog,
             .openLogFilterEntry = "Quorvane3 GPS data files",
             .description = "binx (older logger flash image)"},
    FileKind{.extension = "bin",
             .logKind = LogFileKind::Bin,
             .readLog = ReadBinLog,
             .openLogFilterEntry = "Quorvane GPS data files",
             .description = "bin (older logger flash image, 4 MiB)"},
    FileKind{.extension = "dtb",
             .logKind = LogFileKind::Dtb,
             .readLog = ReadDtbLog,
             .openLogFilterEntry = "Quorvane Record files",
             .inLapDataFilter = true,
             .drop = DroppedFileAction::LoadLapDataFile,
             .description = "dtb (lap data file)"},
    FileKind{.extension = "bon4",
             .logKind = LogFileKind::Bon4,
             .readLog = ReadRunFileLogOf<RunFileVariant::Bon4>,
             .openLogFilterEntry = "Quorvane GPS ble files",
             .description = "run file"},
    FileKind{.extension = "bon",
             .logKind = LogFileKind::Bon,
             .readLog = ReadRunFileLogOf<RunFileVariant::Bon>,
             .openLogFilterEntry = "Quorvane GPS ble files",
             .inLapDataFilter = true,
             .lapListLoad = LapListLoad::RunFile,
             .drop = DroppedFileAction::LoadRunFile,
             .description = "run file"},
    FileKind{.extension = "bnz4",
             .logKind = LogFileKind::Bnz4,
             .readLog = ReadRunFileLogOf<RunFileVariant::Bnz4>,
             .openLogFilterEntry = "Quorvane GPS ble Z files",
             .description = "run file"},
    FileKind{.extension = "bonz",
             .logKind = LogFileKind::Bonz,
             .readLog = ReadRunFileLogOf<RunFileVariant::Bonz>,
             .openLogFilterEntry = "Quorvane GPS ble Z files",
             .inLapDataFilter = true,
             .lapListLoad = LapListLoad::RunFileZ,
             .description = "run file"},
    // Logs of other loggers. The generic text extensions open as logs but
    // are no drop: a dropped note should not start the log-block dialog.
    FileKind{.extension = "nmea",
             .logKind = LogFileKind::Nmea,
             .readLog = ReadNmeaLog,
             .openLogFilterEntry = kOtherLoggersEntry,
             .drop = DroppedFileAction::OpenLog,
             .description = "nmea (NMEA 0183 text log)"},
    FileKind{.extension = "txt",
             .logKind = LogFileKind::Txt,
             .readLog = ReadNmeaLog,
             .openLogFilterEntry = kOtherLoggersEntry,
             .description = "txt (NMEA 0183 text log)"},
    FileKind{.extension = "log",
             .logKind = LogFileKind::Log,
             .readLog = ReadNmeaLog,
             .openLogFilterEntry = kOtherLoggersEntry,
             .description = "log (NMEA 0183 text log)"},
    FileKind{.extension = "gpx",
             .logKind = LogFileKind::Gpx,
             .readLog = ReadGpxLog,
             .openLogFilterEntry = kOtherLoggersEntry,
             .drop = DroppedFileAction::OpenLog,
             .description = "gpx (GPX 1.1 track)"},
    FileKind{.extension = "vbo",
             .logKind = LogFileKind::Vbo,
             .readLog = ReadVboLog,
             .openLogFilterEntry = kOtherLoggersEntry,
             .drop = DroppedFileAction::OpenLog,
             .description = "vbo (VBO text log)"},
    FileKind{.extension = "bond",
             .lapListLoad = LapListLoad::Ignore,
             .drop = DroppedFileAction::LoadBondRunFile},
    FileKind{
        .extension = "csvv", .lapListLoad = LapListLoad::TextLapFile, .lapListExactCase = true},
    FileKind{.extension = "csv", .lapListLoad = LapListLoad::MotecCsv, .lapListExactCase = true},
};

}  // namespace

std::span<const FileKind> FileKinds() {
    return kFileKinds;
}

const FileKind* FindFileKind(std::string_view extension) {
    if (extension.empty() || extension.front() != '.')
        return nullptr;
    const std::string upper = UpperCase(extension.substr(1));
    for (const FileKind& kind : kFileKinds) {
        if (UpperCase(kind.extension) == upper)
            return &kind;
    }
    return nullptr;
}

const FileKind* FindLogFileKind(LogFileKind logKind) {
    if (logKind == LogFileKind::Unknown)
        return nullptr;
    for (const FileKind& kind : kFileKinds) {
        if (kind.logKind == logKind)
            return &kind;
    }
    return nullptr;
}

LogFileKind LogFileKindOf(const std::filesystem::path& path) {
    const FileKind* kind = FindFileKind(path.extension().string());
    return kind != nullptr ? kind->logKind : LogFileKind::Unknown;
}

std::string_view LogFileKindName(LogFileKind logKind) {
    const FileKind* kind = FindLogFileKind(logKind);
    return kind != nullptr ? kind->extension : std::string_view();
}

LapListLoad LapListLoadOf(const std::filesystem::path& path) {
    const std::string extension = path.extension().string();
    const FileKind* kind = FindFileKind(extension);
    if (kind == nullptr ||
        (kind->lapListExactCase && std::string_view(extension).substr(1) != kind->extension))
        return LapListLoad::LapDataFile;
    return kind->lapListLoad;
}

std::string OpenLogFilter() {
    std::string all(kOpenLogAllEntry);
    std::string entries;
    std::string_view entry;
    char separator = '|';
    for (const FileKind& kind : kFileKinds) {
        if (kind.openLogFilterEntry.empty())
            continue;
        const std::string pattern = "*." + std::string(kind.extension);
        all += separator + pattern;
        separator = ';';
        if (kind.openLogFilterEntry == entry) {
            entries += ';' + pattern;
        } else {
            entry = kind.openLogFilterEntry;
            entries += '|' + std::string(entry) + '|' + pattern;
        }
    }
    return all + entries;
}

std::string LoadLapFilter() {
    std::string filter(kLoadLapEntry);
    char separator = '|';
    for (const FileKind& kind : kFileKinds) {
        if (!kind.inLapDataFilter)
            continue;
        filter += separator + ("*." + std::string(kind.extension));
        separator = ';';
    }
    return filter;
}

}  // namespace qv
