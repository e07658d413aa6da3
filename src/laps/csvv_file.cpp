#include "laps/csvv_file.h"

#include "core/date_time.h"
#include "core/text_file.h"
#include "core/text_utils.h"

namespace qv {
namespace {

// The decimal integer at 1-based characters [first, first + count) of
// `field`, cut to what the field holds.
int IntAt(std::string_view field, size_t first, size_t count) {
    const size_t from = first - 1;
    if (from >= field.size())
        return 0;
    return TextToIntDef(field.substr(from, count), 0);
}

CsvvRead ParseLines(const std::vector<std::string>& lines, int minSatNum) {
    CsvvRead read;
    for (const std::string& line : lines) {
        const std::optional<TLapElmRec> sample = ParseCsvvLine(line, minSatNum);
        if (!sample)
            continue;
        if (sample->Spd > read.topSpeed)
            read.topSpeed = sample->Spd;
        read.samples.push_back(*sample);
    }
    return read;
}

}  // namespace

std::optional<TLapElmRec> ParseCsvvLine(std::string_view line, int minSatNum) {
    std::vector<std::string> fields;
    SplitAtChar(fields, line, ',');
    if (fields.size() < kCsvvMinFields)
        return std::nullopt;

    DateTimeParts when;
    const std::string_view date = fields[0];
    when.year = IntAt(date, 1, 4);
    when.month = IntAt(date, 6, 2);
    when.day = IntAt(date, 9, 2);
    when.hour = IntAt(date, 12, 2);
    when.minute = IntAt(date, 15, 2);
    when.second = IntAt(date, 18, 2);
    when.ms = IntAt(date, 21, 3);

    const std::string_view lapTime = fields[1];
    const int hours = IntAt(lapTime, 1, 2);
    const int minutes = IntAt(lapTime, 4, 2);
    const int seconds = IntAt(lapTime, 7, 2);
    const int ms = IntAt(lapTime, 10, 3);

    TLapElmRec sample;
    sample.DtTm = EncodeDateTime(when);
    sample.Tm = EncodeTime(hours, minutes, seconds, ms);
    sample.Sec = Float80(hours) * 3600 + Float80(minutes) * 60 + seconds + Float80(ms) / 1000;
    sample.Ido = TextToFloat(fields[2]);
    sample.Kdo = TextToFloat(fields[3]);
    sample.Elv = TextToFloat(fields[4]);
    sample.Spd = TextToFloat(fields[5]);
    sample.Dir = TextToFloat(fields[6]);
    sample.Dist = TextToFloat(fields[7]);
    sample.UseSat = fields.size() > kCsvvMinFields
                        ? TextToIntDef(fields[kCsvvMinFields], kCsvvUnreadableSatellites)
                        : minSatNum;
    return sample;
}

CsvvRead ParseCsvvText(std::string_view text, int minSatNum) {
    return ParseLines(SplitTextLines(text), minSatNum);
}

CsvvFileRead ReadCsvvFile(const std::filesystem::path& path, int minSatNum) {
    CsvvFileRead result;
    const TextFileRead text = ReadTextLines(path);
    if (!text.ok) {
        result.error = text.error;
        return result;
    }
    result.lap = ParseLines(text.lines, minSatNum);
    result.ok = true;
    return result;
}

}  // namespace qv
