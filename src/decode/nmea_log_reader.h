#pragma once
// NMEA 0183 text logs of other loggers (.nmea, .txt, .log) opened as logs.
// A fix is an RMC sentence with status A; a GGA sentence of the same time
// adds its height and satellite count, which later fixes keep until the
// next GGA. Sentences of the talkers GP, GN, GL, GA, BD and GB are read; a
// sentence needs a checksum that matches. Status V, an RMC mode N and a GGA
// quality 0 mark a fix invalid, and it is skipped, as is an RMC sentence
// that repeats the time of the one before it.
//
// A log without a single RMC sentence, as many fast receivers write, takes
// its fixes from GGA instead. The speed is a VTG's. Receivers write it after
// the GGA of its fix or before it, and nothing in the sentences tells which:
// of the two, the order whose speeds agree better with the speeds walked
// from the positions is taken. A fix without a VTG speed keeps the walked
// one. The date is a ZDA's, carried to the fixes before the first
// ZDA too; without any ZDA it is the day the file was last written, and the
// diagnostic list says so. A time of day that falls back by more than 12
// hours moves to the next day, one that leaps ahead by as much to the day
// before. Once an RMC sentence appears, the GGA fixes read so far are
// dropped and the log reads as an RMC log.

#include <cstdint>
#include <filesystem>
#include <string_view>
#include <vector>

#include "decode/load_log.h"
#include "decode/mtk_decoder.h"
#include "decode/text_log_input.h"

namespace qv {

struct NmeaLogStats {
    int64_t sentences = 0;     // with a matching checksum, of any type and talker
    int64_t badChecksums = 0;  // sentences whose checksum does not match
    // No sentence, or a sentence the fixes are read from with a field that
    // does not read.
    int64_t unreadLines = 0;
    int64_t invalidFixes = 0;  // fixes the receiver marked invalid
    // Sentences with the time of the one before: the first one counts.
    int64_t repeatedFixes = 0;
    bool fromGga = false;     // no RMC: the fixes came from GGA
    bool dateOfFile = false;  // ... and their date from the file's last write
    // Content of another kind: not one sentence in the whole file.
    bool Recognised() const { return sentences > 0; }
};

// Decodes a text that arrives in chunks into the target's stores (the
// caller resets them first). `writtenUtc` is the UTC date-time (days since
// 1899-12-30) the file was last written, for a GGA log without a date.
class NmeaLogDecoder {
  public:
    NmeaLogDecoder(const MtkTarget& target, TDateTime writtenUtc)
        : target_(target), writtenUtc_(writtenUtc) {}

    void Feed(std::string_view chunk);
    // Stores the last fix and reports the skipped lines in the diagnostic list.
    NmeaLogStats Finish();

  private:
    static constexpr float kNoSpeed = -1;

    struct Epoch {
        bool open = false;
        int64_t msOfDay = 0;
        bool hasRmc = false;
        bool rmcValid = false;
        double lat = 0, lon = 0;
        float kmh = 0;
        int64_t utcDay = -1;  // the date as written; -1 when the field is empty
        bool hasGga = false;
        uint32_t quality = 0;
        bool hasSats = false;
        uint32_t sats = 0;
        bool hasHeight = false;
        double height = 0;
        bool ggaPosition = false;  // the GGA's latitude and longitude read
        double ggaLat = 0, ggaLon = 0;
        float vtgBefore = kNoSpeed;  // the VTG speed between the GGA before and this one
    };

    void Line(std::string_view line);
    void Rmc(std::string_view body);
    void Gga(std::string_view body);
    void Vtg(std::string_view body);
    void Zda(std::string_view body);
    // Stores the open epoch when it is a valid fix and opens a new one at `msOfDay`.
    void StartEpoch(int64_t msOfDay);
    void Flush();
    void FlushGga();
    // Speeds of the GGA fixes once the whole log is read.
    void GgaSpeeds();
    bool ParseDate(std::string_view text, int64_t& utcDay);
    // The UTC day of a GGA fix at `msOfDay`, next to the last dated time.
    int64_t DayNear(int64_t msOfDay) const;
    // Moves the GGA fixes stored so far by whole days.
    void ShiftGgaFixes(int64_t days);

    MtkTarget target_;
    TDateTime writtenUtc_;
    TextLineSplitter lines_{256};
    NmeaLogStats stats_;
    Epoch epoch_;
    bool carriedHeightSet_ = false;
    double carriedHeight_ = 0;
    bool carriedSatsSet_ = false;
    uint32_t carriedSats_ = 0;
    int64_t lastWrittenDay_ = -1;
    bool haveLastFix_ = false;
    TDateTime lastFixTime_ = 0;
    char lastDateText_[6] = {};
    int64_t lastDateDay_ = -1;

    // Logs without RMC. Counts of GGA fixes are kept apart, as an RMC
    // sentence later in the log drops them.
    bool sawRmc_ = false;
    int64_t ggaFixes_ = 0;
    int64_t ggaUnread_ = 0;
    int64_t ggaInvalid_ = 0;
    int64_t ggaRepeated_ = 0;
    // VTG speeds in km/h, kNoSpeed for none: the last since the last GGA,
    // and per stored fix the ones before and after its GGA.
    float vtgSinceGga_ = kNoSpeed;
    std::vector<float> vtgBefore_;
    std::vector<float> vtgAfter_;
    bool zdaSeen_ = false;
    bool dayKnown_ = false;  // dayRef_ holds the UTC day of the time dayRefMs_
    int64_t dayRef_ = 0;
    int64_t dayRefMs_ = 0;
};

// A whole text at once, as the file reader feeds it (tests, fuzzing).
NmeaLogStats DecodeNmeaText(const MtkTarget& target, std::string_view text, TDateTime writtenUtc);

// The open-log reader of .nmea, .txt and .log files.
void ReadNmeaLog(LogSession& session, const std::filesystem::path& path,
                 const LoadLogOptions& options, LoadLogResult& result);

}  // namespace qv
