#pragma once
// What the readers of other loggers' text logs (NMEA, GPX, VBO) share: the
// file streamed in bounded chunks through the one binary reader, lines cut
// from those chunks, fixes appended to the store, speeds walked from the
// positions where a log has none, and the open-log verdict.

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/date_time.h"
#include "core/records.h"
#include "core/stores.h"
#include "decode/load_log.h"

namespace qv {

// The satellite count of a fix whose log does not give one. Such fixes must
// still count toward a lap's top speed, as the run files' fixes do.
inline constexpr uint8_t kUnknownSatellites = 8;

// A speed or height beyond these does not read: no car is that fast and
// no fix that high, and the fix store keeps them as floats.
inline constexpr double kMaxTextLogKmh = 2000;
inline constexpr double kMaxTextLogHeightM = 100000;

// Bytes read from the file at a time; the readers keep no more than one
// chunk and one line of the file in memory.
inline constexpr size_t kTextChunkBytes = 64 * 1024;

// Feeds every byte of `path` to `onChunk` in order, a bounded chunk at a
// time, until the file ends or `onChunk` returns false. Returns the
// platform's message when the file could not be read to its end.
std::string StreamFileChunks(const std::filesystem::path& path,
                             const std::function<bool(std::string_view)>& onChunk);

// Cuts a text arriving in chunks into lines at CR LF, LF or a lone CR,
// without the line ends. A line longer than `maxLine` bytes is dropped and
// counted, so a file without line ends cannot grow the held line.
class TextLineSplitter {
  public:
    explicit TextLineSplitter(size_t maxLine = 4096) : maxLine_(maxLine) {}

    void Feed(std::string_view chunk, const std::function<void(std::string_view)>& onLine);
    // The last line when the text does not end with a line end.
    void Finish(const std::function<void(std::string_view)>& onLine);

    int64_t OverlongLines() const { return overlongLines_; }

  private:
    void Take(std::string_view piece, bool lineEnds,
              const std::function<void(std::string_view)>& onLine);

    size_t maxLine_;
    std::string held_;  // the start of a line that continues in the next chunk
    bool overlong_ = false;
    bool afterCr_ = false;  // the last chunk ended with CR: an LF next closes no line
    int64_t overlongLines_ = 0;
};

// The decimal number that is all of `text`, with an optional sign ('+'
// included); false for empty text, anything else in it, infinities and NaN.
bool ParseDecimal(std::string_view text, double& value);

// A whole number without sign, all of `text`; false otherwise or above `max`.
bool ParseCount(std::string_view text, uint32_t max, uint32_t& value);

// "hhmmss" with an optional fraction of any length, as the milliseconds of
// the day rounded to the nearest (so it may reach 86,400,000); false for
// anything else or a field out of range.
bool ParseHhmmss(std::string_view text, int64_t& msOfDay);

// The local date-time of a UTC day (days since 1899-12-30) and the
// milliseconds into it, which may run past the day's end.
TDateTime LocalDateTimeOfUtc(int64_t utcDay, int64_t msOfDay, TDateTime localTimeBase);

// When `path` was last written, as a UTC date-time (days since 1899-12-30);
// 0 when that cannot be told.
TDateTime FileWrittenUtc(const std::filesystem::path& path);

// The UTC day of a log's first fix at `msOfDay` UTC, for a log that names no
// date, from when its file was last written: after the recording, so a fix
// later in the day than the write was made the day before.
int64_t FirstDayBeforeWrite(TDateTime writtenUtc, int64_t msOfDay);

// Stores `fix` with zero motion values as the next fix, in the current log
// block or, with `newBlock`, a block of its own. False, with the fix counted
// as dropped, once the store is full.
bool AppendLogFix(LogStore& log, const TLogItem& fix, bool newBlock = false);

// Gives each fix from `first` to `end - 1` whose `needsSpeed` flag (indexed
// from `first`) is set the speed between its neighbours in the same block,
// or between itself and its one neighbour there; 0 without one or when no
// time passes.
void SpeedsFromTrack(LogStore& log, int first, int end, const std::vector<bool>& needsSpeed);

// Sets `result` after a text reader ran: a read error aborts; content of
// another kind is refused with the program's message and leaves no fix.
void FinishTextLog(LogStore& log, bool recognised, const std::string& ioError,
                   LoadLogResult& result);

}  // namespace qv
