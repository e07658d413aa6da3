#pragma once
// GPX 1.1 tracks (.gpx) opened as logs: every `trkpt` of a `trk` with a
// position and a `time` is a fix, and every `trkseg` a log block. Height
// comes from `ele`, the satellite count from `sat`, the speed from a
// `speed` element in m/s (GPX 1.0 and the common extensions put one inside
// the point); points without one get the speed between their neighbours.
// Points with `fix` none are skipped.

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>

#include "decode/load_log.h"
#include "decode/mtk_decoder.h"
#include "decode/text_log_input.h"

namespace qv {

struct GpxLogStats {
    bool gpxRoot = false;       // the document element is `gpx`
    int64_t unreadPoints = 0;   // without a position or time that reads
    int64_t invalidPoints = 0;  // `fix` none
    std::string xmlError;       // where and why the XML parser stopped; empty when it did not
    // Content of another kind: no `gpx` document element.
    bool Recognised() const { return gpxRoot; }
};

// Decodes a document that arrives in chunks into the target's stores (the
// caller resets them first). The XML parser keeps at most one chunk.
class GpxLogDecoder {
  public:
    explicit GpxLogDecoder(const MtkTarget& target);
    ~GpxLogDecoder();
    GpxLogDecoder(const GpxLogDecoder&) = delete;
    GpxLogDecoder& operator=(const GpxLogDecoder&) = delete;

    // False once the parser has stopped (an XML error, or another document
    // element): the rest need not be read.
    bool Feed(std::string_view chunk);
    // Ends the document, gives the open segment its speeds and reports what
    // was skipped in the diagnostic list. A document cut short keeps the
    // points before the cut.
    GpxLogStats Finish();

    struct State;

  private:
    std::unique_ptr<State> state_;
};

// A whole document at once, as the file reader feeds it (tests, fuzzing).
GpxLogStats DecodeGpxText(const MtkTarget& target, std::string_view text);

// "YYYY-MM-DDThh:mm:ss" with an optional fraction of any length and a zone
// (Z, +hh:mm, +hhmm, +hh; none is UTC), as the UTC day (days since
// 1899-12-30) and its milliseconds; false for anything else.
bool ParseGpxTime(std::string_view text, int64_t& utcDay, int64_t& msOfDay);

// The open-log reader of .gpx files.
void ReadGpxLog(LogSession& session, const std::filesystem::path& path,
                const LoadLogOptions& options, LoadLogResult& result);

}  // namespace qv
