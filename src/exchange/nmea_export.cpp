#include "exchange/nmea_export.h"

#include <cmath>

#include "core/date_time.h"
#include "core/display_format.h"
#include "core/save_path.h"
#include "core/sentence_checksum.h"
#include "laps/lap_file_io.h"

namespace qv {
namespace {

constexpr double kKmhPerKnot = 1.852;

// ddmm.mmmmmm (dddmm.mmmmmm for longitudes) of the magnitude.
std::string DegreesMinutes(Float80 degrees) {
    const Float80 a = std::fabs(degrees);
    const Float80 d = std::trunc(a);
    const Float80 m = (a - d) * 60;
    return StrFormat("%.6f,", static_cast<double>(d * 100 + m));
}

}  // namespace

int BiasMinutesOf(TDateTime localTimeBase) {
    return static_cast<int>(std::lround((kUnixEpochDays - localTimeBase) * 1440));
}

std::string RmcSentence(const TLapElmRec& sample, int biasMinutes) {
    const TDateTime utc = sample.DtTm + biasMinutes / 1440.0;
    const Float80 lat = sample.Ido;
    const Float80 lon = sample.Kdo;
    std::string body = "GPRMC,";
    body += FormatDateTime("hhnnss.zzz", utc) + ",A,";
    body += DegreesMinutes(lat);
    body += lat >= 0 ? "N," : "S,";
    body += DegreesMinutes(lon);
    body += lon >= 0 ? "E," : "W,";
    body += StrFormat("%.1f,", static_cast<double>(Float80(sample.Spd) / kKmhPerKnot));
    body += ",";
    body += FormatDateTime("ddmmyy", utc) + ",";
    body += ",,A";
    return ChecksummedSentence(body);
}

std::optional<std::string> NmeaText(std::span<const TLapElmRec> samples, int biasMinutes) {
    if (samples.size() < kNmeaMinSamples)
        return std::nullopt;
    std::string text;
    for (const TLapElmRec& sample : samples) {
        text += RmcSentence(sample, biasMinutes);
        text += "\r\n";
    }
    return text;
}

NmeaSaveResult SpeedButtonNMEAClick(LapSession& session, Prompter& prompter, NmeaExportState& state,
                                    int row, bool listHasFocus) {
    NmeaSaveResult result;
    const LapStore& laps = session.laps;
    if (!listHasFocus || row < 1 || row > laps.LapNum())
        return result;
    const LapRow& cells = laps.LapRows[static_cast<size_t>(row - 1)];
    if (cells[1].empty())
        return result;
    FileDialogRequest request;
    request.title = kNmeaDialogTitle;
    request.filter = kNmeaFilter;
    request.proposedName = cells[0] + "_" + cells[1] + ".nmea";
    const std::optional<std::filesystem::path> path =
        ChooseSavePath(prompter, request, state.nmeaFolder, ".nmea");
    if (!path)
        return result;
    const LapFileRead read = ReadLapFile(TempLapFilePath(session.folders, cells[1]));
    if (!read.ioError.empty()) {
        result.error = read.ioError;
        prompter.Inform(read.ioError, MessageIcon::Error);
        return result;
    }
    const std::optional<std::string> text =
        NmeaText(read.samples, BiasMinutesOf(session.LocalTimeBase));
    if (!read.isLapFile || !text)
        return result;
    return WriteSavedFile(prompter, *path, *text);
}

}  // namespace qv
