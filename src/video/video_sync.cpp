#include "video/video_sync.h"

#include <cmath>
#include <cstdio>

namespace qv {
namespace {

constexpr double kUsPerDay = 86400.0 * 1000000.0;

int64_t TruncUs(double seconds) {
    return static_cast<int64_t>(std::trunc(seconds * 1000000.0));
}

// A date-time holds about a microsecond of precision, so the difference of
// two is taken to the nearest microsecond rather than truncated.
int64_t DaysToUs(TDateTime days) {
    return std::llround(days * kUsPerDay);
}

void SetSyncEnd(VideoSyncState& s, const SlotALap& lap) {
    s.syncEnd = s.syncStart + TruncUs(lap.lastSec);
    if (s.syncEnd > s.duration)
        s.syncEnd = s.duration;
}

}  // namespace

bool SyncVideoAt(VideoSyncState& s, const SlotALap& lap, Float80 playTime, int64_t currentPts) {
    if (!lap.occupied)
        return false;
    if (std::llround(static_cast<double>(playTime) * 1000.0) > std::llround(lap.lastSec * 1000.0))
        return false;
    s.syncVideoTime = currentPts;
    s.syncDateTime = lap.startDtTm + static_cast<double>(playTime) / kSecondsPerDay;
    s.videoStartTime = s.syncDateTime - static_cast<double>(s.syncVideoTime) / kUsPerDay;
    s.videoEndTime = s.videoStartTime + static_cast<double>(s.duration) / kUsPerDay;
    s.syncStart = s.syncVideoTime - TruncUs(static_cast<double>(playTime));
    SetSyncEnd(s, lap);
    s.syncOn = true;
    return true;
}

void ReanchorVideo(VideoSyncState& s, const SlotALap& lap) {
    if (!lap.occupied || !s.loaded() || !s.syncOn)
        return;
    s.syncStart = s.syncVideoTime - DaysToUs(s.syncDateTime - lap.startDtTm);
    SetSyncEnd(s, lap);
}

void AnchorVideoAt(VideoSyncState& s, const SlotALap& lap, TDateTime videoStart) {
    s.videoStartTime = videoStart;
    s.syncVideoTime = 0;
    s.videoEndTime = videoStart + static_cast<double>(s.duration) / kUsPerDay;
    s.syncDateTime = videoStart;
    if (lap.occupied) {
        s.syncStart = DaysToUs(lap.startDtTm - videoStart);
        SetSyncEnd(s, lap);
    } else {
        s.syncStart = -1;
        s.syncEnd = -1;
    }
    s.syncOn = true;
}

int64_t BackStepAt(int64_t currentPts) {
    const int64_t step = (currentPts + 100000) / 100000 * 100000;
    return step < 330000 ? 330000 : step;
}

int VideoBarFillRight(int64_t currentPts, int64_t duration, int width) {
    const int64_t tenths = duration / 100000;
    if (tenths <= 0)
        return 4;
    return 4 + static_cast<int>(currentPts / 100000 * (width - 8) / tenths);
}

std::optional<int64_t> VideoBarClickTime(int64_t duration, int width, int x) {
    if (width <= 8 || x < 4 || x > width - 4)
        return std::nullopt;
    return duration * (x - 4) / (width - 8);
}

std::string VideoTimeText(int64_t currentPts, int64_t duration) {
    char text[96];
    std::snprintf(text, sizeof text, "%f / %f sec", currentPts / 1e6, duration / 1e6);
    return text;
}

std::string VideoStartText(const VideoSyncState& s) {
    return FormatDateTime("yyyy/mm/dd hh:nn:ss.zz", s.videoStartTime) + " ->";
}

std::string VideoStartHint(const VideoSyncState& s) {
    return FormatDateTime("yyyy/mm/dd hh:nn:ss.zz", s.videoStartTime) + " - " +
           FormatDateTime("hh:nn:ss.zz", s.videoEndTime);
}

std::string VsyFileText(const std::string& videoPath, TDateTime videoStart) {
    return videoPath + "\r\n" + FormatDateTime("yyyy/mm/dd hh:nn:ss.zzz", videoStart) + "\r\n";
}

std::optional<VsyContents> ParseVsyLines(const std::vector<std::string>& lines) {
    if (lines.size() != 2)
        return std::nullopt;
    return VsyContents{lines[0], lines[1]};
}

std::optional<TDateTime> ParseVideoStart(const std::string& text) {
    DateTimeParts p;
    int used = 0;
    const int fields = std::sscanf(text.c_str(), " %d/%d/%d %d:%d:%d%n", &p.year, &p.month, &p.day,
                                   &p.hour, &p.minute, &p.second, &used);
    if (fields != 6)
        return std::nullopt;
    const char* rest = text.c_str() + used;
    if (*rest == '.') {
        int ms = 0;
        int digits = 0;
        for (++rest; *rest >= '0' && *rest <= '9' && digits < 3; ++rest, ++digits)
            ms = ms * 10 + (*rest - '0');
        for (int k = digits; k < 3; ++k)
            ms *= 10;
        if (digits == 0)
            return std::nullopt;
        p.ms = ms;
    }
    while (*rest == ' ')
        ++rest;
    // The text ends at its end, not at a NUL inside it; the year is one the
    // file can write back; the day exists in its month.
    if (*rest != '\0' || rest != text.c_str() + text.size() || p.year < 1 || p.year > 9999 ||
        p.month < 1 || p.month > 12 || p.day < 1 || p.day > 31 || p.hour < 0 || p.hour > 23 ||
        p.minute < 0 || p.minute > 59 || p.second < 0 || p.second > 59)
        return std::nullopt;
    const TDateTime start = EncodeDateTime(p);
    const DateTimeParts back = DecodeDateTime(start);
    if (back.year != p.year || back.month != p.month || back.day != p.day)
        return std::nullopt;
    return start;
}

VideoStatus StatusOf(const VideoSyncState& s, int64_t currentPts, bool playing, bool paused) {
    VideoStatus v;
    v.duration = s.duration;
    v.syncOn = s.syncOn;
    v.syncStart = s.syncStart;
    v.syncEnd = s.syncEnd;
    v.currentTime = currentPts;
    v.playing = playing;
    v.paused = paused;
    v.backStep = s.backStep;
    return v;
}

}  // namespace qv
