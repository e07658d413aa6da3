#pragma once
// Every kind of file the program opens, told by its extension, in one table:
// the routine that opens it as a log, its entry in the open dialogs' filters,
// what "Load lap data" and a drop onto the window do with it, and the
// description the command-line tool prints. The lap-list and drop columns
// name a role; the modules that hold those loaders map each role to its
// function. A new log format is its reader and one row here.

#include <filesystem>
#include <span>
#include <string>
#include <string_view>

namespace qv {

struct LogSession;
struct LoadLogOptions;
struct LoadLogResult;

enum class LogFileKind {
    Unknown,
    Bin,   // older logger flash image, exactly 4 MiB
    Binx,  // older logger flash image, up to 8 MiB
    Bnx4,  // current logger log of 4-KiB blocks
    Dtb,   // lap data file
    Bon,   // run files
    Bon4,
    Bonz,
    Bnz4,
    Nmea,  // NMEA 0183 text logs of other loggers
    Txt,
    Log,
    Gpx,  // GPX 1.1 tracks
    Vbo,  // VBO text logs of another logger family
};

// What "Load lap data" does with a chosen file.
enum class LapListLoad {
    LapDataFile,  // a lap data file in record form; also every extension not listed
    RunFile,
    RunFileZ,
    TextLapFile,
    MotecCsv,
    Ignore,
};

// What dropping a file onto the window loads.
enum class DroppedFileAction {
    Ignore,
    LoadLapDataFile,
    LoadRunFile,
    LoadBondRunFile,
    OpenLog,  // the open-log command, as "Load log data" after its dialog
};

// Decodes the file into the session's stores with the checks of its kind.
using LogReader = void (*)(LogSession& session, const std::filesystem::path& path,
                           const LoadLogOptions& options, LoadLogResult& result);

struct FileKind {
    std::string_view extension;  // lower case, without the dot
    LogFileKind logKind = LogFileKind::Unknown;
    LogReader readLog = nullptr;  // null when "Load log data" does not read it
    // The open-log dialog's entry; neighbouring rows of one entry share it.
    std::string_view openLogFilterEntry{};
    bool inLapDataFilter = false;
    LapListLoad lapListLoad = LapListLoad::LapDataFile;
    // "Load lap data" takes the role only for the lower-case extension.
    bool lapListExactCase = false;
    DroppedFileAction drop = DroppedFileAction::Ignore;
    std::string_view description{};  // the kind line of `info`
};

// In the order the dialogs list them.
std::span<const FileKind> FileKinds();

// The row of `extension` (".binx", any case); null for any other.
const FileKind* FindFileKind(std::string_view extension);

// The row that opens logs of `kind`; null for Unknown.
const FileKind* FindLogFileKind(LogFileKind kind);

// By the extension in any case; anything else is Unknown.
LogFileKind LogFileKindOf(const std::filesystem::path& path);

// The extension's text without the dot, in lower case ("binx").
std::string_view LogFileKindName(LogFileKind kind);

// By the extension of `path`, as "Load lap data" compares it.
LapListLoad LapListLoadOf(const std::filesystem::path& path);

// "Description|*.ext;*.ext2|..." for the open-log and the lap-data dialogs.
std::string OpenLogFilter();
std::string LoadLapFilter();

}  // namespace qv
