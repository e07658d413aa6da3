#pragma once
// NMEA 0183 text logs of other loggers (.nmea, .txt, .log) opened as logs.
// A fix is an RMC sentence with status A; a GGA sentence of the same time
// adds its height and satellite count, which later fixes keep until the
// next GGA. Sentences of the talkers GP, GN, GL, GA, BD and GB are read; a
// sentence needs a checksum that matches. Status V, an RMC mode N and a GGA
// quality 0 mark a fix invalid, and it is skipped, as is an RMC sentence
// that repeats the time of the one before it.

#include <cstdint>
#include <filesystem>
#include <string_view>

#include "decode/load_log.h"
#include "decode/mtk_decoder.h"
#include "decode/text_log_input.h"

namespace qv {

struct NmeaLogStats {
    int64_t sentences = 0;     // with a matching checksum, of any type and talker
    int64_t badChecksums = 0;  // sentences whose checksum does not match
    int64_t unreadLines = 0;   // no sentence, or an RMC or GGA with a field that does not read
    int64_t invalidFixes = 0;  // fixes the receiver marked invalid
    // RMC sentences with the time of the one before: the first one counts.
    int64_t repeatedFixes = 0;
    // Content of another kind: not one sentence in the whole file.
    bool Recognised() const { return sentences > 0; }
};

// Decodes a text that arrives in chunks into the target's stores (the
// caller resets them first).
class NmeaLogDecoder {
  public:
    explicit NmeaLogDecoder(const MtkTarget& target) : target_(target) {}

    void Feed(std::string_view chunk);
    // Stores the last fix and reports the skipped lines in the diagnostic list.
    NmeaLogStats Finish();

  private:
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
    };

    void Line(std::string_view line);
    void Rmc(std::string_view body);
    void Gga(std::string_view body);
    // Stores the open epoch when it is a valid fix and opens a new one at `msOfDay`.
    void StartEpoch(int64_t msOfDay);
    void Flush();
    bool ParseDate(std::string_view text, int64_t& utcDay);

    MtkTarget target_;
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
};

// A whole text at once, as the file reader feeds it (tests, fuzzing).
NmeaLogStats DecodeNmeaText(const MtkTarget& target, std::string_view text);

// The open-log reader of .nmea, .txt and .log files.
void ReadNmeaLog(LogSession& session, const std::filesystem::path& path,
                 const LoadLogOptions& options, LoadLogResult& result);

}  // namespace qv
