#include "laps/log_block_rules.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "core/date_time.h"
#include "core/save_path.h"
#include "core/text_utils.h"
#include "geometry/plane.h"
#include "laps/lap_file_io.h"

namespace qv {
namespace {

Float80 DegToRad(Float80 deg) {
    return deg / 180 * kPi;
}

// Pixels truncate toward zero, as every view of the program does.
int Trunc(Float80 v) {
    return static_cast<int>(v);
}

// Rounding leaves a position converted from pixel x a hair below x; the
// nudge makes it map back to the same pixel instead of its neighbour.
constexpr Float80 kPixelNudge = 1e-7L;

int UsableExtent(int box) {
    int usable = box - 49;
    if (usable < 0)
        usable = box - 34;
    usable = std::max(usable, 0);
    return usable / 16 * 16;
}

void Widen(TLogRect& rect, const TLogItem& fix) {
    rect.IdoMin = std::min<Float80>(rect.IdoMin, fix.Ido);
    rect.IdoMax = std::max<Float80>(rect.IdoMax, fix.Ido);
    rect.KdoMin = std::min<Float80>(rect.KdoMin, fix.Kdo);
    rect.KdoMax = std::max<Float80>(rect.KdoMax, fix.Kdo);
}

// Moves [lo, hi] inside [min, max] without changing its size where it
// fits, then clips it.
void KeepInside(Float80& lo, Float80& hi, Float80 min, Float80 max) {
    if (lo < min) {
        hi += min - lo;
        lo = min;
    }
    if (hi > max) {
        lo -= hi - max;
        hi = max;
    }
    lo = std::max(lo, min);
    hi = std::min(hi, max);
}

}  // namespace

void PreselectLogBlocks(LogStore& log, TDateTime now) {
    const TDateTime year2000 = EncodeDate(2000, 1, 1);
    for (size_t i = 0; i < log.LogBlocks.size(); ++i) {
        TLogBlock& block = log.LogBlocks[i];
        block.Act = block.DtTm > year2000 && block.DtTm <= now &&
                    (i == 0 || block.DtTm >= log.LogBlocks[i - 1].DtTm);
    }
}

void ApplyBlockTicks(LogStore& log) {
    const int blocks = log.LogBlockNum();
    TLogRect active;
    TLogRect all;
    bool anyActive = false;
    for (int i = 0; i < log.LogItemNum; ++i) {
        TLogItem& fix = log.LogItems[i];
        fix.Act = fix.BlkIdx >= 0 && fix.BlkIdx < blocks && log.LogBlocks[fix.BlkIdx].Act;
        Widen(all, fix);
        if (fix.Act) {
            Widen(active, fix);
            anyActive = true;
        }
    }
    log.LogRect = anyActive ? active : all;
}

void SetAllBlocks(LogStore& log, bool ticked) {
    for (TLogBlock& block : log.LogBlocks)
        block.Act = ticked;
    ApplyBlockTicks(log);
}

std::optional<ActiveRange> FindActiveRange(const LogStore& log) {
    int first = -1;
    int last = -1;
    for (int i = 0; i < log.LogItemNum; ++i) {
        if (!log.LogItems[i].Act)
            continue;
        if (first < 0)
            first = i;
        last = i;
    }
    if (first < 0)
        return std::nullopt;
    return ActiveRange{first, last};
}

int FirstForbiddenNameChar(std::string_view name) {
    if (name.empty())
        return 0;
    const size_t at = name.find_first_of(kForbiddenNameChars);
    return at == std::string_view::npos ? -1 : static_cast<int>(at);
}

std::string LogNameLabel(const std::string& logName) {
    constexpr size_t kLabelBytes = 20;
    size_t cut = std::min(kLabelBytes, logName.size());
    // A cut inside a UTF-8 sequence would show a broken character.
    while (cut > 0 && cut < logName.size() &&
           (static_cast<unsigned char>(logName[cut]) & 0xC0) == 0x80)
        --cut;
    return logName.substr(0, cut);
}

MapProjection ProjectMap(const ViewRect& view, int boxWidth, int boxHeight) {
    MapProjection p;
    p.view = view;
    const int usableW = UsableExtent(boxWidth);
    const int usableH = UsableExtent(boxHeight);
    const Float80 northSouth = EarthRadius * kPi * (view.IdoMax - view.IdoMin) / 180;
    const Float80 eastWest =
        std::cos(DegToRad(view.IdoMin)) * EarthRadius * kPi * (view.KdoMax - view.KdoMin) / 180;
    p.width = usableW;
    p.height = usableH;
    // A view without extent (one fix) has no aspect ratio to keep.
    if (northSouth > 0 && eastWest > 0) {
        if (usableH < Trunc(usableW * northSouth / eastWest)) {
            p.height = usableH;
            p.width = Trunc(usableH * eastWest / northSouth);
        } else {
            p.width = usableW;
            p.height = Trunc(usableW * northSouth / eastWest);
        }
    }
    p.left = (boxWidth - usableW) / 2 + (usableW - p.width) / 2;
    p.top = (boxHeight - usableH) / 2 + (usableH - p.height) / 2;
    return p;
}

int MapProjection::X(Float80 lon) const {
    const Float80 extent = view.KdoMax - view.KdoMin;
    if (!(extent > 0))
        return left;
    return left + Trunc((lon - view.KdoMin) / extent * width + kPixelNudge);
}

int MapProjection::Y(Float80 lat) const {
    const Float80 extent = view.IdoMax - view.IdoMin;
    if (!(extent > 0))
        return top + height;
    return top + height - Trunc((lat - view.IdoMin) / extent * height + kPixelNudge);
}

Float80 MapProjection::Lon(int x) const {
    if (width == 0)
        return view.KdoMin;
    return view.KdoMin + (view.KdoMax - view.KdoMin) * (x - left) / width;
}

Float80 MapProjection::Lat(int y) const {
    if (height == 0)
        return view.IdoMin;
    return view.IdoMin + (view.IdoMax - view.IdoMin) * (1 - static_cast<Float80>(y - top) / height);
}

ViewRect ZoomView(const ViewRect& view, const ViewRect& bounds, Float80 lat, Float80 lon,
                  bool wheelUp) {
    const bool coversBounds = view.IdoMin <= bounds.IdoMin && view.IdoMax >= bounds.IdoMax &&
                              view.KdoMin <= bounds.KdoMin && view.KdoMax >= bounds.KdoMax;
    if (!wheelUp && coversBounds)
        return view;
    const Float80 half = wheelUp ? 0.45L : 0.55L;
    const Float80 halfLat = (view.IdoMax - view.IdoMin) * half;
    const Float80 halfLon = (view.KdoMax - view.KdoMin) * half;
    ViewRect next{lat - halfLat, lat + halfLat, lon - halfLon, lon + halfLon};
    KeepInside(next.IdoMin, next.IdoMax, bounds.IdoMin, bounds.IdoMax);
    KeepInside(next.KdoMin, next.KdoMax, bounds.KdoMin, bounds.KdoMax);
    return next;
}

void LineEditor::SelectTool(LineTool tool) {
    tool_ = tool;
    if (tool == LineTool::Control)
        lines_.Rally = false;
}

void LineEditor::SetRally(bool ticked) {
    lines_.Rally = ticked;
    if (ticked && tool_ == LineTool::Control)
        tool_ = LineTool::Start;
}

void LineEditor::EraseLines() {
    switch (tool_) {
        case LineTool::Control:
            lines_.controlLineSet = lines_.startLineSet = lines_.finishLineSet = false;
            break;
        case LineTool::Start:
            lines_.startLineSet = false;
            break;
        case LineTool::Finish:
            lines_.finishLineSet = false;
            break;
        case LineTool::Zoom:
            break;
    }
}

Line* LineEditor::EditedLine() {
    if (tool_ == LineTool::Finish)
        return &lines_.finish;
    if (tool_ == LineTool::Zoom)
        return nullptr;
    return &lines_.first;
}

bool* LineEditor::EditedFlag() {
    switch (tool_) {
        case LineTool::Control:
            return &lines_.controlLineSet;
        case LineTool::Start:
            return &lines_.startLineSet;
        case LineTool::Finish:
            return &lines_.finishLineSet;
        case LineTool::Zoom:
            break;
    }
    return nullptr;
}

void LineEditor::Press(int x, int y, const MapProjection& projection) {
    pressX_ = dragX_ = x;
    pressY_ = dragY_ = y;
    if (tool_ == LineTool::Zoom) {
        drag_ = Drag::ZoomRect;
        return;
    }
    Line& line = *EditedLine();
    if (*EditedFlag()) {
        auto near = [&](const LinePoint& end) {
            return std::abs(projection.X(end.lon) - x) <= kGrabPixels &&
                   std::abs(projection.Y(end.lat) - y) <= kGrabPixels;
        };
        if (near(line[0])) {
            drag_ = Drag::FirstEnd;
            return;
        }
        if (near(line[1])) {
            drag_ = Drag::SecondEnd;
            return;
        }
    }
    // A new line replaces the lines it cannot coexist with.
    lines_.controlLineSet = false;
    if (tool_ == LineTool::Control)
        lines_.startLineSet = lines_.finishLineSet = false;
    *EditedFlag() = false;
    drag_ = Drag::NewLine;
}

std::optional<ViewRect> LineEditor::Release(int x, int y, const MapProjection& projection) {
    const Drag drag = drag_;
    drag_ = Drag::None;
    dragX_ = x;
    dragY_ = y;
    const LinePoint at{projection.Lat(y), projection.Lon(x)};
    switch (drag) {
        case Drag::None:
            break;
        case Drag::ZoomRect: {
            if (x == pressX_ || y == pressY_)
                break;
            const Float80 lat0 = projection.Lat(pressY_);
            const Float80 lon0 = projection.Lon(pressX_);
            return ViewRect{std::min(lat0, at.lat), std::max(lat0, at.lat), std::min(lon0, at.lon),
                            std::max(lon0, at.lon)};
        }
        case Drag::NewLine: {
            if (x == pressX_ && y == pressY_)
                break;
            const LinePoint from{projection.Lat(pressY_), projection.Lon(pressX_)};
            // A view without extent (a log of one fix) maps every pixel to
            // one point, and a line of one point would count as crossed on
            // every step of a lap.
            if (from.lat == at.lat && from.lon == at.lon)
                break;
            Line& line = *EditedLine();
            line[0] = from;
            line[1] = at;
            *EditedFlag() = true;
            break;
        }
        case Drag::FirstEnd:
        case Drag::SecondEnd: {
            Line& line = *EditedLine();
            // Moving an end of the log's own line keeps it the log's.
            const bool logLine = tool_ == LineTool::Control && lines_.logLine &&
                                 lines_.controlLineSet && line == *lines_.logLine;
            line[drag == Drag::FirstEnd ? 0 : 1] = at;
            if (logLine)
                lines_.logLine = line;
            const bool coincide = projection.X(line[0].lon) == projection.X(line[1].lon) &&
                                  projection.Y(line[0].lat) == projection.Y(line[1].lat);
            if (coincide)
                *EditedFlag() = false;
            break;
        }
    }
    return std::nullopt;
}

std::optional<LineEditor::Rubber> LineEditor::RubberLine(const MapProjection& projection) const {
    const Line* line = tool_ == LineTool::Finish ? &lines_.finish : &lines_.first;
    auto pixelX = [&](int end) { return projection.X((*line)[end].lon); };
    auto pixelY = [&](int end) { return projection.Y((*line)[end].lat); };
    switch (drag_) {
        case Drag::NewLine:
            return Rubber{pressX_, pressY_, dragX_, dragY_};
        case Drag::FirstEnd:
            return Rubber{dragX_, dragY_, pixelX(1), pixelY(1)};
        case Drag::SecondEnd:
            return Rubber{pixelX(0), pixelY(0), dragX_, dragY_};
        case Drag::None:
        case Drag::ZoomRect:
            break;
    }
    return std::nullopt;
}

bool SetMarkerFromText(LineState& lines, std::string_view text) {
    std::vector<std::string> parts;
    SplitAtChar(parts, text, ',');
    if (parts.size() != 2)
        return false;
    lines.marker = LinePoint{TextToFloat(parts[0]), TextToFloat(parts[1])};
    lines.markerSet = true;
    return true;
}

void ShiftLog(LogStore& log, const ViewRect& view, int boxWidth, int boxHeight,
              ShiftDirection direction) {
    double dLat = 0;
    double dLon = 0;
    switch (direction) {
        case ShiftDirection::East:
        case ShiftDirection::West:
            if (boxWidth <= 0)
                return;
            dLon = static_cast<double>((view.KdoMax - view.KdoMin) / boxWidth);
            if (direction == ShiftDirection::West)
                dLon = -dLon;
            break;
        case ShiftDirection::North:
        case ShiftDirection::South:
            if (boxHeight <= 0)
                return;
            dLat = static_cast<double>((view.IdoMax - view.IdoMin) / boxHeight);
            if (direction == ShiftDirection::South)
                dLat = -dLat;
            break;
    }
    for (int i = 0; i < log.LogItemNum; ++i) {
        log.LogItems[i].Ido += dLat;
        log.LogItems[i].Kdo += dLon;
    }
}

std::vector<TLapElmRec> SelectionAsLapSamples(const LogStore& log) {
    std::vector<TLapElmRec> samples;
    const std::optional<ActiveRange> range = FindActiveRange(log);
    if (!range || range->first == range->last)
        return samples;
    const TLogItem& start = log.LogItems[range->first];
    Float80 dist = 0;
    const TLogItem* previous = nullptr;
    for (int i = range->first; i <= range->last; ++i) {
        const TLogItem& fix = log.LogItems[i];
        if (!fix.Act)
            continue;
        if (previous != nullptr) {
            dist += StepDistKm(previous->Ido, previous->Kdo, fix.Ido, fix.Kdo, fix.Ido);
        }
        TLapElmRec& s = samples.emplace_back();
        s.DtTm = fix.DtTm;
        s.Tm = fix.DtTm - start.DtTm;
        s.Sec = static_cast<Float80>(s.Tm) * 86400;
        s.Ido = fix.Ido;
        s.Kdo = fix.Kdo;
        s.Elv = fix.Elv;
        s.Spd = fix.Spd;
        Float80 dir = static_cast<Float80>(fix.Dir) + 180;
        if (dir > 360)
            dir -= 360;
        s.Dir = dir;
        s.Dist = dist;
        s.UseSat = fix.sat_used;
        previous = &fix;
    }
    return samples;
}

SaveRecordResult SaveRecord(const LogStore& log, Prompter& prompter, Folders& folders) {
    SaveRecordResult result;
    const std::vector<TLapElmRec> samples = SelectionAsLapSamples(log);
    if (samples.empty())
        return result;
    std::string title;
    for (const TLogBlock& block : log.LogBlocks) {
        if (block.Act) {
            title = block.Title;
            break;
        }
    }
    FileDialogRequest request;
    request.title = "Save record as...";
    request.filter = "Quorvane Data files|*.dtb";
    request.proposedName = "LOG_" + title + ".dtb";
    request.initialFolder = folders.lastLogFolder.string();
    const std::optional<std::string> chosen = prompter.ChooseSaveFile(request);
    if (!chosen)
        return result;
    const std::optional<std::filesystem::path> path = ConfirmSavePath(prompter, *chosen, ".dtb");
    if (!path)
        return result;
    const WriteResult written = WriteLapFile(*path, samples);
    result.saved = written.ok;
    result.error = written.error;
    return result;
}

CloseDecision OnDialogOk(const LineState& lines, Prompter& prompter) {
    if (lines.controlLineSet || lines.startLineSet || lines.finishLineSet) {
        return CloseDecision::CloseWithOk;
    }
    return prompter.AskYesNo(kMsgControlLineNotSet, MessageIcon::Information)
               ? CloseDecision::FindCircuit
               : CloseDecision::CloseWithOk;
}

}  // namespace qv
