#pragma once
// VBO text logs (.vbo) of the data-logger family that writes a [header]
// section of channel names, a [column names] line and [data] rows. Rows
// give the time of day as hhmmss.ss UTC, the latitude and longitude in
// minutes (longitude positive to the west), and the speed in km/h or knots
// as the header's velocity channel says. The date is the file's "File
// created on dd/mm/yyyy" line, else the day the file was last written; a
// time of day that falls back by more than 12 hours starts the next day.
// Rows with no satellites hold no fix and are skipped.

#include <cstdint>
#include <filesystem>
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
    enum class Section { None, Header, ColumnNames, Data, Other };

    void Line(std::string_view line);
    void ColumnNames(std::string_view line);
    void Row(std::string_view line);

    MtkTarget target_;
    TDateTime writtenUtc_;
    TextLineSplitter lines_{4096};
    VboLogStats stats_;
    Section section_ = Section::None;
    int64_t createdDay_ = -1;  // from "File created on"
    bool knots_ = false;
    // Column indexes; -1 when the file has no such column.
    int time_ = -1, lat_ = -1, lon_ = -1, velocity_ = -1, height_ = -1, sats_ = -1;
    bool rowsReadable_ = false;  // the last column names name time, lat and long
    size_t columnsNeeded_ = 0;
    int64_t day_ = -1;  // the UTC day of the last fix
    int64_t lastMsOfDay_ = 0;
    std::vector<bool> needsSpeed_;  // per fix, when the file has no velocity column
};

// A whole text at once, as the file reader feeds it (tests, fuzzing).
VboLogStats DecodeVboText(const MtkTarget& target, std::string_view text, TDateTime writtenUtc);

// The open-log reader of .vbo files.
void ReadVboLog(LogSession& session, const std::filesystem::path& path,
                const LoadLogOptions& options, LoadLogResult& result);

}  // namespace qv
