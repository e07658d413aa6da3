#include "app/library_page_model.h"

#include <algorithm>
#include <charconv>
#include <filesystem>

#include "core/display_format.h"

namespace qv {

const std::array<const char*, kLibraryColumnCount> kLibraryColumnTitles{
    "Track / session", "Logger", "Laps", "Best lap", "Ideal lap", "PB", "File"};

const std::array<const char*, kLibraryLapColumnCount> kLibraryLapColumnTitles{
    "Lap", "Lap time", "±", "Top speed", "Distance", "Sectors", "Kind"};

namespace {

std::string LapTimeText(const std::optional<double>& seconds) {
    return seconds ? FormatSeconds(*seconds) : std::string();
}

// "yyyy/mm/dd" with a real calendar day; nothing otherwise.
std::optional<TDateTime> ParseDay(const std::string& text) {
    int parts[3] = {0, 0, 0};
    const char* p = text.data();
    const char* end = p + text.size();
    for (int i = 0; i < 3; ++i) {
        const auto [next, ec] = std::from_chars(p, end, parts[i]);
        if (ec != std::errc() || next == p)
            return std::nullopt;
        p = next;
        if (i < 2) {
            if (p == end || *p != '/')
                return std::nullopt;
            ++p;
        }
    }
    if (p != end)
        return std::nullopt;
    const int year = parts[0], month = parts[1], day = parts[2];
    if (year < 1900 || year > 9999 || month < 1 || month > 12 || day < 1 || day > 31)
        return std::nullopt;
    const TDateTime date = EncodeDate(year, month, day);
    // EncodeDate rolls 2024/02/30 over into March: not a day of February.
    const DateTimeParts back = DecodeDateTime(date);
    if (back.month != month || back.day != day)
        return std::nullopt;
    return date;
}

std::string Trimmed(const std::string& text) {
    const size_t b = text.find_first_not_of(" \t");
    if (b == std::string::npos)
        return {};
    const size_t e = text.find_last_not_of(" \t");
    return text.substr(b, e - b + 1);
}

}  // namespace

std::string TrackCaption(const LibraryTrack& track) {
    if (track.named && !track.name.empty())
        return track.name;
    return StrFormat("Unnamed track near %.5f, %.5f", track.lat, track.lon);
}

LibraryTrackRow MakeTrackRow(const LibraryTrack& track,
                             const std::vector<LibrarySession>& sessions) {
    LibraryTrackRow row;
    row.trackId = track.id;
    row.named = track.named && !track.name.empty();
    row.cells[0] = TrackCaption(track);
    row.cells[2] = StrFormat("%zu sessions", sessions.size());
    std::optional<double> trackBest;
    for (const LibrarySession& s : sessions) {
        LibrarySessionRow r;
        r.sessionId = s.id;
        r.personalBest = s.personalBest;
        r.missing = s.missing;
        r.cells[0] = FormatDateTime("yyyy/mm/dd hh:nn", s.startLocal);
        r.cells[1] = s.loggerKind;
        r.cells[2] = std::to_string(s.lapCount);
        r.cells[3] = LapTimeText(s.bestLapSec);
        r.cells[4] = LapTimeText(s.idealLapSec);
        r.cells[5] = s.personalBest ? kPersonalBestMark : "";
        const std::string name = std::filesystem::path(s.path).filename().string();
        r.cells[6] = s.missing ? name + " " + kMissingMark : name;
        if (s.bestLapSec && (!trackBest || *s.bestLapSec < *trackBest))
            trackBest = s.bestLapSec;
        row.sessions.push_back(std::move(r));
    }
    row.cells[3] = LapTimeText(trackBest);
    return row;
}

LibraryFilterParse ParseLibraryFilter(const LibraryFilterTexts& texts) {
    LibraryFilterParse parse;
    const std::string from = Trimmed(texts.from), to = Trimmed(texts.to);
    if (!from.empty()) {
        parse.filter.from = ParseDay(from);
        if (!parse.filter.from) {
            parse.error = kMsgFilterDate;
            return parse;
        }
    }
    if (!to.empty()) {
        const std::optional<TDateTime> day = ParseDay(to);
        if (!day) {
            parse.error = kMsgFilterDate;
            return parse;
        }
        parse.filter.to = *day + 1;  // up to the end of that day
    }
    if (parse.filter.from && parse.filter.to && *parse.filter.from >= *parse.filter.to) {
        parse.error = kMsgFilterOrder;
        return parse;
    }
    if (texts.logger != kAnyLogger)
        parse.filter.loggerKind = texts.logger;
    return parse;
}

bool FilterIsEmpty(const SessionFilter& filter) {
    return !filter.from && !filter.to && filter.loggerKind.empty();
}

std::vector<LibraryTrackRow> BuildLibraryTree(SessionLibrary& library,
                                              const SessionFilter& filter) {
    std::vector<LibraryTrackRow> rows;
    const bool everything = FilterIsEmpty(filter);
    for (const LibraryTrack& track : library.Tracks()) {
        const std::vector<LibrarySession> sessions = library.Sessions(track.id, filter);
        if (sessions.empty() && !everything)
            continue;
        rows.push_back(MakeTrackRow(track, sessions));
    }
    return rows;
}

std::vector<std::string> LoggerChoices(SessionLibrary& library) {
    std::vector<std::string> choices{kAnyLogger};
    for (const std::string& kind : library.LoggerKinds())
        choices.push_back(kind);
    return choices;
}

std::vector<LibraryLapRow> MakeLapRows(const std::vector<LibraryLap>& laps) {
    std::vector<LibraryLapRow> rows;
    std::optional<size_t> fastest;
    for (size_t i = 0; i < laps.size(); ++i) {
        const LibraryLap& lap = laps[i];
        if (lap.flying && (!fastest || lap.lapSec < laps[*fastest].lapSec))
            fastest = i;
        LibraryLapRow row;
        row.lapId = lap.id;
        row.number = lap.number;
        row.cells[0] = std::to_string(lap.number);
        row.cells[1] = FormatSeconds(lap.lapSec);
        row.cells[2] = StrFormat("%.0f ms", lap.uncertaintyMs);
        row.cells[3] = StrFormat("%.2f", lap.topSpeedKmh);
        row.cells[4] = StrFormat("%.3f", lap.distKm);
        std::string sectors;
        for (const double s : lap.sectorSec)
            sectors += (sectors.empty() ? "" : "  ") + StrFormat("%.3f", s);
        row.cells[5] = sectors;
        row.cells[6] = lap.flying ? "flying" : "out/in";
        rows.push_back(std::move(row));
    }
    if (fastest)
        rows[*fastest].sessionBest = true;
    return rows;
}

std::vector<ProgressPoint> ProgressPoints(const std::vector<BestPoint>& history) {
    std::vector<ProgressPoint> points;
    points.reserve(history.size());
    for (const BestPoint& b : history)
        points.push_back({b.startLocal, b.bestLapSec, b.bestFiveAverageSec});
    return points;
}

}  // namespace qv
