#include "decode/gpx_log_reader.h"

#include <expat.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "core/display_format.h"

namespace qv {
namespace {

// No text this reader needs is longer; longer text does not read.
constexpr size_t kMaxElementText = 128;

enum class Role : uint8_t {
    Other,
    Gpx,
    Trk,
    Trkseg,
    Trkpt,
    InPoint,  // any other element inside a point, such as its extensions
    Ele,
    Time,
    Sat,
    Fix,
    Speed,
};

bool HoldsText(Role role) {
    return role == Role::Ele || role == Role::Time || role == Role::Sat || role == Role::Fix ||
           role == Role::Speed;
}

// The name without its namespace prefix: GPX and its extensions are told
// apart by their local names, whichever prefix a writer chose.
std::string_view LocalName(const XML_Char* name) {
    const char* colon = std::strrchr(name, ':');
    return colon != nullptr ? std::string_view(colon + 1) : std::string_view(name);
}

std::string_view Trimmed(std::string_view text) {
    auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    while (!text.empty() && blank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && blank(text.back()))
        text.remove_suffix(1);
    return text;
}

bool Digits(std::string_view text, size_t at, size_t count, int& value) {
    value = 0;
    for (size_t i = at; i < at + count; ++i) {
        const char c = text[i];
        if (c < '0' || c > '9')
            return false;
        value = value * 10 + (c - '0');
    }
    return true;
}

struct Point {
    bool hasPosition = false;
    double lat = 0, lon = 0;
    bool hasTime = false;
    int64_t utcDay = 0, msOfDay = 0;
    bool hasEle = false;
    double ele = 0;
    bool hasSat = false;
    uint32_t sat = 0;
    bool noFix = false;
    bool hasSpeed = false;
    double mps = 0;
};

}  // namespace

bool ParseGpxTime(std::string_view text, int64_t& utcDay, int64_t& msOfDay) {
    int year = 0, month = 0, day = 0;
    if (text.size() < 19 || !Digits(text, 0, 4, year) || text[4] != '-' ||
        !Digits(text, 5, 2, month) || text[7] != '-' || !Digits(text, 8, 2, day) ||
        (text[10] != 'T' && text[10] != 't') || text[13] != ':' || text[16] != ':')
        return false;
    // The clock as "hhmmss.ffff" for the one time-of-day parser; decimals
    // after the fourth cannot change the millisecond but must be digits.
    char clock[11] = {text[11], text[12], text[14], text[15], text[17], text[18]};
    size_t clockLength = 6;
    size_t at = 19;
    if (at < text.size() && text[at] == '.') {
        clock[clockLength++] = '.';
        for (++at; at < text.size() && text[at] >= '0' && text[at] <= '9'; ++at) {
            if (clockLength < sizeof clock)
                clock[clockLength++] = text[at];
        }
    }
    int64_t ms = 0;
    if (!ParseHhmmss(std::string_view(clock, clockLength), ms))
        return false;
    int64_t offsetMinutes = 0;
    const std::string_view zone = text.substr(at);
    if (!zone.empty() && zone != "Z" && zone != "z") {
        int hh = 0, mm = 0;
        const bool sign = zone[0] == '+' || zone[0] == '-';
        const bool read = sign && zone.size() >= 3 && Digits(zone, 1, 2, hh) &&
                          (zone.size() == 3 || (zone.size() == 5 && Digits(zone, 3, 2, mm)) ||
                           (zone.size() == 6 && zone[3] == ':' && Digits(zone, 4, 2, mm)));
        if (!read || hh > 23 || mm > 59)
            return false;
        offsetMinutes = (zone[0] == '-' ? -1 : 1) * (hh * 60 + mm);
    }
    if (month < 1 || month > 12 || day < 1)
        return false;
    const TDateTime date = EncodeDate(year, month, day);
    if (DecodeDateTime(date).day != day)
        return false;
    constexpr int64_t kMsPerDayInt = 86400000;
    const int64_t total = static_cast<int64_t>(date) * kMsPerDayInt + ms - offsetMinutes * 60000;
    utcDay = total >= 0 ? total / kMsPerDayInt : -((-total + kMsPerDayInt - 1) / kMsPerDayInt);
    msOfDay = total - utcDay * kMsPerDayInt;
    return true;
}

struct GpxLogDecoder::State {
    explicit State(const MtkTarget& t) : target(t) {}
    ~State() {
        if (parser != nullptr)
            XML_ParserFree(parser);
    }

    void Start(const XML_Char* name, const XML_Char** attributes);
    void End();
    void Text(const XML_Char* text, int length);
    void EndPoint();
    void EndSegment();
    void Stop(std::string why);

    MtkTarget target;
    XML_Parser parser = nullptr;
    bool stopped = false;
    bool finished = false;
    std::vector<Role> open;  // the roles of the open elements, outermost first
    std::string text;
    bool textTooLong = false;
    Point point;
    bool segmentFresh = false;  // no point of the open segment stored yet
    int segmentFirst = 0;
    std::vector<bool> needsSpeed;  // per stored point of the open segment
    GpxLogStats stats;
};

void GpxLogDecoder::State::Stop(std::string why) {
    if (stopped)
        return;
    stopped = true;
    stats.xmlError = std::move(why);
    XML_StopParser(parser, XML_FALSE);
}

void GpxLogDecoder::State::Start(const XML_Char* name, const XML_Char** attributes) {
    const std::string_view local = LocalName(name);
    Role role = Role::Other;
    if (open.empty()) {
        if (local != "gpx") {
            Stop("the document is no GPX");
            return;
        }
        stats.gpxRoot = true;
        role = Role::Gpx;
    } else {
        const Role parent = open.back();
        if (parent == Role::Gpx && local == "trk") {
            role = Role::Trk;
        } else if (parent == Role::Trk && local == "trkseg") {
            role = Role::Trkseg;
            segmentFresh = true;
            segmentFirst = target.log.LogItemNum;
            needsSpeed.clear();
        } else if (parent == Role::Trkseg && local == "trkpt") {
            role = Role::Trkpt;
            point = Point{};
            bool hasLat = false, hasLon = false;
            for (const XML_Char** a = attributes; a[0] != nullptr; a += 2) {
                const std::string_view attribute = LocalName(a[0]);
                if (attribute == "lat")
                    hasLat = ParseDecimal(Trimmed(a[1]), point.lat);
                else if (attribute == "lon")
                    hasLon = ParseDecimal(Trimmed(a[1]), point.lon);
            }
            point.hasPosition = hasLat && hasLon && point.lat >= -90 && point.lat <= 90 &&
                                point.lon >= -180 && point.lon <= 180;
        } else if (parent == Role::Trkpt && local == "ele") {
            role = Role::Ele;
        } else if (parent == Role::Trkpt && local == "time") {
            role = Role::Time;
        } else if (parent == Role::Trkpt && local == "sat") {
            role = Role::Sat;
        } else if (parent == Role::Trkpt && local == "fix") {
            role = Role::Fix;
        } else if ((parent == Role::Trkpt || parent == Role::InPoint) && local == "speed") {
            role = Role::Speed;
        } else if (parent == Role::Trkpt || parent == Role::InPoint) {
            role = Role::InPoint;
        }
    }
    if (HoldsText(role)) {
        text.clear();
        textTooLong = false;
        // Only the text of these elements is wanted: the handler is set for
        // them alone, so the blanks between all other elements cost nothing.
        XML_SetCharacterDataHandler(parser, [](void* user, const XML_Char* data, int length) {
            static_cast<State*>(user)->Text(data, length);
        });
    }
    open.push_back(role);
}

void GpxLogDecoder::State::Text(const XML_Char* data, int length) {
    if (textTooLong)
        return;
    if (text.size() + static_cast<size_t>(length) > kMaxElementText) {
        textTooLong = true;
        return;
    }
    text.append(data, static_cast<size_t>(length));
}

void GpxLogDecoder::State::End() {
    if (open.empty())
        return;
    const Role role = open.back();
    open.pop_back();
    if (HoldsText(role))
        XML_SetCharacterDataHandler(parser, nullptr);
    const std::string_view value = textTooLong ? std::string_view() : Trimmed(text);
    switch (role) {
        case Role::Ele:
            point.hasEle =
                ParseDecimal(value, point.ele) && std::fabs(point.ele) <= kMaxTextLogHeightM;
            break;
        case Role::Time:
            point.hasTime = ParseGpxTime(value, point.utcDay, point.msOfDay);
            break;
        case Role::Sat:
            point.hasSat = ParseCount(value, 255, point.sat);
            break;
        case Role::Fix:
            point.noFix = value == "none";
            break;
        case Role::Speed:
            point.hasSpeed = ParseDecimal(value, point.mps) && point.mps >= 0 &&
                             point.mps * 3.6 <= kMaxTextLogKmh;
            break;
        case Role::Trkpt:
            EndPoint();
            break;
        case Role::Trkseg:
            EndSegment();
            break;
        default:
            break;
    }
}

void GpxLogDecoder::State::EndPoint() {
    const Point& p = point;
    if (!p.hasPosition || !p.hasTime) {
        ++stats.unreadPoints;
        return;
    }
    if (p.noFix) {
        ++stats.invalidPoints;
        return;
    }
    TLogItem fix;
    fix.DtTm = LocalDateTimeOfUtc(p.utcDay, p.msOfDay, target.localTimeBase);
    fix.Ido = p.lat;
    fix.Kdo = p.lon;
    fix.Elv = static_cast<float>(p.hasEle ? p.ele : 0);
    fix.Spd = static_cast<float>(p.hasSpeed ? p.mps * 3.6 : 0);
    fix.sat_used = static_cast<uint8_t>(p.hasSat ? p.sat : kUnknownSatellites);
    fix.sat_view = fix.sat_used;
    fix.ms = static_cast<uint16_t>(p.msOfDay % 1000);
    if (!AppendLogFix(target.log, fix, segmentFresh))
        return;
    segmentFresh = false;
    needsSpeed.push_back(!p.hasSpeed);
}

void GpxLogDecoder::State::EndSegment() {
    SpeedsFromTrack(target.log, segmentFirst, target.log.LogItemNum, needsSpeed);
    needsSpeed.clear();
    segmentFirst = target.log.LogItemNum;
}

GpxLogDecoder::GpxLogDecoder(const MtkTarget& target) : state_(std::make_unique<State>(target)) {
    State& s = *state_;
    s.parser = XML_ParserCreate(nullptr);
    if (s.parser == nullptr) {
        s.stopped = true;
        s.stats.xmlError = "no memory for the XML parser";
        return;
    }
    XML_SetUserData(s.parser, &s);
    XML_SetElementHandler(
        s.parser,
        [](void* user, const XML_Char* name, const XML_Char** attributes) {
            static_cast<State*>(user)->Start(name, attributes);
        },
        [](void* user, const XML_Char*) { static_cast<State*>(user)->End(); });
}

GpxLogDecoder::~GpxLogDecoder() = default;

namespace {

std::string XmlErrorText(XML_Parser parser) {
    return StrFormat("line %lu: %s", static_cast<unsigned long>(XML_GetCurrentLineNumber(parser)),
                     XML_ErrorString(XML_GetErrorCode(parser)));
}

}  // namespace

bool GpxLogDecoder::Feed(std::string_view chunk) {
    State& s = *state_;
    if (s.stopped)
        return false;
    // Chunks are bounded far below the parser's int length.
    if (XML_Parse(s.parser, chunk.data(), static_cast<int>(chunk.size()), XML_FALSE) ==
            XML_STATUS_ERROR &&
        !s.stopped) {
        s.stopped = true;
        s.stats.xmlError = XmlErrorText(s.parser);
    }
    return !s.stopped;
}

GpxLogStats GpxLogDecoder::Finish() {
    State& s = *state_;
    if (!s.finished) {
        s.finished = true;
        if (!s.stopped && XML_Parse(s.parser, "", 0, XML_TRUE) == XML_STATUS_ERROR && !s.stopped) {
            s.stopped = true;
            s.stats.xmlError = XmlErrorText(s.parser);
        }
        // A document cut inside a segment: its points keep what they have.
        if (!s.needsSpeed.empty())
            s.EndSegment();
        if (s.stats.gpxRoot) {
            DiagnosticList& diagnostics = s.target.diagnostics;
            if (!s.stats.xmlError.empty())
                diagnostics.Insert("GPX: read up to " + s.stats.xmlError);
            if (s.stats.unreadPoints > 0)
                diagnostics.Insert(StrFormat("GPX: %lld track points without position or time",
                                             static_cast<long long>(s.stats.unreadPoints)));
            if (s.stats.invalidPoints > 0)
                diagnostics.Insert(StrFormat("GPX: %lld track points without a fix skipped",
                                             static_cast<long long>(s.stats.invalidPoints)));
        }
    }
    return s.stats;
}

GpxLogStats DecodeGpxText(const MtkTarget& target, std::string_view text) {
    GpxLogDecoder decoder(target);
    while (!text.empty()) {
        const std::string_view chunk = text.substr(0, kTextChunkBytes);
        text.remove_prefix(chunk.size());
        if (!decoder.Feed(chunk))
            break;
    }
    return decoder.Finish();
}

void ReadGpxLog(LogSession& session, const std::filesystem::path& path,
                const LoadLogOptions& /*options*/, LoadLogResult& result) {
    session.log.Reset();
    GpxLogDecoder decoder({session.log, session.diagnostics, session.LocalTimeBase});
    const std::string ioError =
        StreamFileChunks(path, [&decoder](std::string_view chunk) { return decoder.Feed(chunk); });
    const GpxLogStats stats = decoder.Finish();
    FinishTextLog(session.log, stats.Recognised(), ioError, result);
}

}  // namespace qv
