#pragma once
// VBO text logs (.vbo) of the data-logger family that writes a [header]
// section of channel names, a [column names] line and [data] rows, and of
// the other makers' loggers that write the same form. Rows give the time of
// day as hhmmss.ss UTC, the latitude and longitude in minutes (longitude
// positive to the west), and the speed in km/h or as the velocity channel's
// unit says. Columns are told by the names writers give them (long, lng or
// lon; sats or satellites; "velocity kmh" as one column); the others are
// passed over. The date is the [comments] line "UTC Date Started dd/mm/yyyy",
// else the file's "File created on dd/mm/yyyy" line, else the day the file
// was last written; a time of day that falls back by more than 12 hours
// starts the next day. Rows with no satellites hold no fix and are skipped.
// A [laptiming] "Start" line, two points in minutes, becomes the log's own
// start line.

#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "decode/load_log.h"
#include "decode/mtk_decoder.h"
#include "decode/text_log_input.h"

namespace qv {

struct VboLogStats {
    bool header = false;   // a [header] section
    bool columns = false;  // a [column names] line named time, lat and long
    bool data = false;     // a [data] section
    int64_t unreadLines = 0;
    int64_t invalidFixes = 0;
    // The [laptiming] start line, when one reads and lies by the fixes.
    std::optional<std::array<LogSession::FileLinePoint, 2>> startLine;
    // Content of another kind: any of the three sections missing.
    bool Recognised() const { return header && columns && data; }
};

// Decodes a text that arrives in chunks into the target's stores (the
// caller resets them first). `writtenUtc` is the UTC date-time (days since
// 1899-12-30) the file was last written, for a file without its own date.
class VboLogDecoder {
  public:
    VboLogDecoder(const MtkTarget& target, TDateTime writtenUtc)
        : target_(target), writtenUtc_(writtenUtc) {}

    void Feed(std::string_view chunk);
    // Reports what was skipped in the diagnostic list.
    VboLogStats Finish();

  private:
    enum class Section { None, Header, Comments, ColumnNames, LapTiming, Data, Other };

    // Where the columns the fixes are read from stand; -1 when absent.
    struct Columns {
        int time = -1, lat = -1, lon = -1, velocity = -1, height = -1, sats = -1;
        double velocityKmhPerUnit = 0;  // 0: the unit the header names
        size_t count = 0;               // columns the names make
        size_t needed = 0;              // cells a row needs
        bool Readable() const { return time >= 0 && lat >= 0 && lon >= 0; }
    };

    void Line(std::string_view line);
    void ColumnNames(std::string_view line);
    void StartLine(std::string_view line);
    void Row(std::string_view line);
    // The columns of the names so far, with a unit word ("kmh") taken as
    // part of the name before it or as a column of its own.
    Columns LayoutOf(bool unitsJoin) const;
    std::optional<std::array<LogSession::FileLinePoint, 2>> ResolvedStartLine() const;

    MtkTarget target_;
    TDateTime writtenUtc_;
    TextLineSplitter lines_{4096};
    VboLogStats stats_;
    Section section_ = Section::None;
    bool firstLine_ = true;
    int64_t createdDay_ = -1;     // from "File created on"
    int64_t utcStartedDay_ = -1;  // from "UTC Date Started"
    double headerKmhPerUnit_ = 1;
    std::vector<std::string> names_;  // the column names, upper case
    Columns columns_;
    bool layoutChosen_ = false;  // by the first row after the names
    int64_t day_ = -1;           // the UTC day of the last fix
    int64_t lastMsOfDay_ = 0;
    std::vector<bool> needsSpeed_;  // per fix, when the file has no velocity column
    // The four numbers of the first Start line, as written.
    std::optional<std::array<double, 4>> startNumbers_;
};

// A whole text at once, as the file reader feeds it (tests, fuzzing).
VboLogStats DecodeVboText(const MtkTarget& target, std::string_view text, TDateTime writtenUtc);

// The open-log reader of .vbo files; the session's file start line is the
// log's [laptiming] start line, if any.
void ReadVboLog(LogSession& session, const std::filesystem::path& path,
                const LoadLogOptions& options, LoadLogResult& result);

}  // namespace qv
