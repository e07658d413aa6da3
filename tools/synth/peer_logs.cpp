#include "synth/peer_logs.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "core/date_time.h"
#include "core/sentence_checksum.h"

namespace qv::synth {
namespace {

constexpr int64_t kMsPerDayInt = 86400000;

struct UtcParts {
    int year, month, day, hour, minute, second, ms;
};

UtcParts PartsOf(int64_t utcMs) {
    const int64_t days = utcMs / kMsPerDayInt;
    const int64_t inDay = utcMs % kMsPerDayInt;
    const DateTimeParts date = DecodeDateTime(kUnixEpochDays + static_cast<double>(days));
    return {date.year,
            date.month,
            date.day,
            static_cast<int>(inDay / 3600000),
            static_cast<int>(inDay / 60000 % 60),
            static_cast<int>(inDay / 1000 % 60),
            static_cast<int>(inDay % 1000)};
}

// "ddmm.mmmmm" (or three degree digits) and the hemisphere letter.
std::string NmeaAngle(double degrees, bool latitude) {
    const double magnitude = std::fabs(degrees);
    int whole = static_cast<int>(magnitude);
    double minutes = std::round((magnitude - whole) * 60 * 1e5) / 1e5;
    if (minutes >= 60) {
        ++whole;
        minutes -= 60;
    }
    char text[32];
    std::snprintf(text, sizeof text, latitude ? "%02d%08.5f,%c" : "%03d%08.5f,%c", whole, minutes,
                  latitude ? (degrees < 0 ? 'S' : 'N') : (degrees < 0 ? 'W' : 'E'));
    return text;
}

std::string Sentence(const char* format, auto... values) {
    char body[160];
    std::snprintf(body, sizeof body, format, values...);
    return ChecksummedSentence(body) + "\r\n";
}

}  // namespace

std::string EncodeNmeaLog(const std::vector<SynthFix>& fixes, const NmeaLogOptions& options) {
    std::string out;
    const char* talker = options.talker.c_str();
    for (const SynthFix& f : fixes) {
        const UtcParts t = PartsOf(f.utcMs);
        char clock[16];
        std::snprintf(clock, sizeof clock, "%02d%02d%02d.%03d", t.hour, t.minute, t.second, t.ms);
        const std::string lat = NmeaAngle(f.lat, true);
        const std::string lon = NmeaAngle(f.lon, false);
        if (options.gga) {
            out += Sentence("%sGGA,%s,%s,%s,1,%02u,0.9,%.2f,M,,M,,", talker, clock, lat.c_str(),
                            lon.c_str(), unsigned{f.satUsed}, static_cast<double>(f.elv));
        }
        if (options.rmc) {
            out += Sentence("%sRMC,%s,A,%s,%s,%.2f,%.2f,%02d%02d%02d,,,A", talker, clock,
                            lat.c_str(), lon.c_str(), f.spd / 1.852,
                            static_cast<double>(f.compassDeg), t.day, t.month, t.year % 100);
        }
        if (options.vtg) {
            out += Sentence("%sVTG,%.2f,T,,M,%.2f,N,%.3f,K,A", talker,
                            static_cast<double>(f.compassDeg), f.spd / 1.852,
                            static_cast<double>(f.spd));
        }
        if (options.zda && t.ms == 0) {
            out += Sentence("%sZDA,%s,%02d,%02d,%04d,00,00", talker, clock, t.day, t.month, t.year);
        }
    }
    return out;
}

std::string EncodeGpxLog(const std::vector<SynthFix>& fixes, const GpxLogOptions& options) {
    std::string out =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        "<gpx version=\"1.1\" creator=\"quorvane-synth\" "
        "xmlns=\"http://www.topografix.com/GPX/1/1\" xmlns:qv=\"urn:quorvane:synth\">\n"
        "  <trk>\n    <trkseg>\n";
    for (size_t i = 0; i < fixes.size(); ++i) {
        const SynthFix& f = fixes[i];
        if (i > 0 && f.utcMs - fixes[i - 1].utcMs >= 60000)
            out += "    </trkseg>\n    <trkseg>\n";
        const UtcParts t = PartsOf(f.utcMs);
        char point[400];
        int n = std::snprintf(point, sizeof point,
                              "      <trkpt lat=\"%.9f\" lon=\"%.9f\"><ele>%.2f</ele>"
                              "<time>%04d-%02d-%02dT%02d:%02d:%02d.%03dZ</time><sat>%u</sat>",
                              f.lat, f.lon, static_cast<double>(f.elv), t.year, t.month, t.day,
                              t.hour, t.minute, t.second, t.ms, unsigned{f.satUsed});
        out.append(point, static_cast<size_t>(n));
        if (options.speeds) {
            n = std::snprintf(point, sizeof point,
                              "<extensions><qv:speed>%.3f</qv:speed></extensions>", f.spd / 3.6);
            out.append(point, static_cast<size_t>(n));
        }
        out += "</trkpt>\n";
    }
    out += "    </trkseg>\n  </trk>\n</gpx>\n";
    return out;
}

std::string EncodeVboLog(const std::vector<SynthFix>& fixes, const VboLogOptions& options) {
    std::string out;
    char line[200];
    if (!fixes.empty()) {
        const UtcParts t = PartsOf(fixes.front().utcMs);
        std::snprintf(line, sizeof line, "File created on %02d/%02d/%04d @ %02d:%02d\r\n\r\n",
                      t.day, t.month, t.year, t.hour, t.minute);
        out += line;
    }
    out += "[header]\r\nsatellites\r\ntime\r\nlatitude\r\nlongitude\r\n";
    out += options.knots ? "velocity knots\r\n" : "velocity kmh\r\n";
    out +=
        "heading\r\nheight\r\n\r\n[column names]\r\nsats time lat long velocity heading "
        "height\r\n\r\n[data]\r\n";
    for (const SynthFix& f : fixes) {
        const UtcParts t = PartsOf(f.utcMs);
        const double speed = options.knots ? f.spd / 1.852 : f.spd;
        const int n = std::snprintf(
            line, sizeof line, "%03u %02d%02d%02d.%02d %+012.6f %+013.6f %06.2f %06.2f %+09.2f\r\n",
            unsigned{f.satUsed}, t.hour, t.minute, t.second, t.ms / 10, f.lat * 60, -f.lon * 60,
            speed, static_cast<double>(f.compassDeg), static_cast<double>(f.elv));
        out.append(line, static_cast<size_t>(n));
    }
    return out;
}

}  // namespace qv::synth
