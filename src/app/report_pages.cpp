#include "app/report_pages.h"

#include <algorithm>
#include <cmath>

#include "app/analysis.h"
#include "app/corner_commands.h"
#include "app/startup.h"
#include "core/display_format.h"
#include "dynamics/sector_tables.h"
#include "geometry/sector_timing.h"
#include "laps/lap_list_columns.h"
#include "laps/lap_time_uncertainty.h"
#include "presentation/course_overview.h"
#include "presentation/lap_time_plot.h"
#include "presentation/speed_graph.h"

namespace qv {
namespace {

constexpr int kTitleFontSize = 11;
constexpr int kBodyFontSize = 8;
constexpr int kSmallestFontSize = 6;
constexpr int kCellPadding = 8;
constexpr int kBlockGap = 14;
constexpr int kPlotHeight = 200;
constexpr int kGraphHeight = 360;
constexpr int kMapHeight = 420;
constexpr Rgb kInk{0, 0, 0};
constexpr Rgb kRuleGrey{160, 160, 160};
constexpr Rgb kHeaderFill{232, 232, 232};
constexpr Rgb kBestRowFill{255, 244, 200};

// Lap-list columns the report shows besides the ±: number, date, time,
// lap time, top speed, distance.
constexpr int kListColumns[] = {1, 2, 3, 4, 5, 6};
constexpr int kListLapTimeColumn = 4;
constexpr int kListFirstSector = 8;
constexpr int kListLastSector = 12;

int LineHeight(const TextMetrics& metrics, int fontSize) {
    return metrics.Height("Ag", fontSize) + 4;
}

std::optional<size_t> BestLap(const LapListSummary& summary) {
    std::optional<size_t> best;
    for (size_t k = 0; k < summary.lapSeconds.size(); ++k) {
        if (summary.lapSeconds[k] > 0 &&
            (!best || summary.lapSeconds[k] < summary.lapSeconds[*best]))
            best = k;
    }
    return best;
}

// The row of slot A's lap, else the first; none with an empty list.
const LapRow* LeadingRow(const Session& session) {
    const std::vector<LapRow>& rows = session.laps.LapRows;
    if (rows.empty())
        return nullptr;
    if (!session.laps.LapDt.empty()) {
        for (const LapRow& row : rows) {
            if (row[1] == session.laps.LapDt[0].DtName)
                return &row;
        }
    }
    return &rows.front();
}

std::string TrackText(const Session& session) {
    if (!session.lines.controlLineSet && !session.lines.startLineSet)
        return "not known (no control line)";
    const Line& line = session.lines.first;
    return StrFormat("control line at %.5f, %.5f",
                     static_cast<double>((line[0].lat + line[1].lat) / 2),
                     static_cast<double>((line[0].lon + line[1].lon) / 2));
}

std::string LoggerText(const Session& session, const LapRow* row) {
    std::string text = row != nullptr && !(*row)[7].empty() ? "log " + (*row)[7] : "";
    if (!session.laps.LapDt.empty()) {
        const TLapDtRec& lap = session.laps.LapDt[0];
        const double seconds = static_cast<double>(lap.LapTim) * 86400.0;
        if (lap.ElmNum > 1 && seconds > 0) {
            const double hz = std::round((lap.ElmNum - 1) / seconds);
            text += StrFormat("%s%.0f Hz fixes", text.empty() ? "" : ", ", hz);
        }
    }
    return text.empty() ? "not known" : text;
}

// Column widths that fit the texts, at the largest font size from
// `fontSize` down that lets the table fit `width`.
struct TableFit {
    int fontSize = kBodyFontSize;
    std::vector<int> widths;
};

TableFit FitTable(const ReportTable& table, const TextMetrics& metrics, int width) {
    TableFit fit;
    for (int size = kBodyFontSize; size >= kSmallestFontSize; --size) {
        fit.fontSize = size;
        fit.widths.assign(table.empty() ? 0 : table[0].size(), 0);
        for (const std::vector<std::string>& row : table) {
            for (size_t c = 0; c < row.size() && c < fit.widths.size(); ++c)
                fit.widths[c] = std::max(fit.widths[c], metrics.Width(row[c], size) + kCellPadding);
        }
        int total = 0;
        for (int w : fit.widths)
            total += w;
        if (total <= width)
            return fit;
    }
    // Still too wide: every column gets its share and its texts are clipped.
    const int columns = static_cast<int>(fit.widths.size());
    for (int& w : fit.widths)
        w = columns > 0 ? width / columns : width;
    return fit;
}

class PageComposer {
  public:
    PageComposer(const PageFrame& frame, const TextMetrics& metrics)
        : frame_(frame), metrics_(metrics) {}

    void Title(Scene& page, const PlacedBlock& block, const std::string& title) const {
        std::string text = title;
        if (block.continued)
            text += " (continued)";
        page.Add(MakeText({block.left, block.top}, text, kInk, kTitleFontSize));
    }

    void Table(Scene& page, const PlacedBlock& block, const ReportTable& table,
               std::optional<size_t> highlightRow) const {
        if (table.empty())
            return;
        const TableFit fit = FitTable(table, metrics_, block.right - block.left);
        const int rowHeight = LineHeight(metrics_, fit.fontSize);
        int y = block.contentTop;
        const auto drawRow = [&](const std::vector<std::string>& row, std::optional<Rgb> fill) {
            int x = block.left;
            int right = block.left;
            for (int w : fit.widths)
                right += w;
            if (fill)
                page.Add(SceneRect{block.left, y, right, y + rowHeight, *fill});
            for (size_t c = 0; c < row.size() && c < fit.widths.size(); ++c) {
                SceneText text =
                    MakeText({x + kCellPadding / 2, y + 2}, row[c], kInk, fit.fontSize);
                text.clip = SceneClip{x, y, x + fit.widths[c], y + rowHeight};
                page.Add(std::move(text));
                x += fit.widths[c];
            }
            page.Add(SceneLine{
                {block.left, y + rowHeight - 1}, {right - 1, y + rowHeight - 1}, kRuleGrey});
            y += rowHeight;
        };
        drawRow(table[0], kHeaderFill);
        for (int r = block.firstRow; r < block.endRow; ++r) {
            const size_t row = static_cast<size_t>(r) + 1;
            if (row >= table.size())
                break;
            drawRow(table[row], highlightRow && *highlightRow == static_cast<size_t>(r)
                                    ? std::optional<Rgb>(kBestRowFill)
                                    : std::nullopt);
        }
    }

    void Lines(Scene& page, const PlacedBlock& block, const std::vector<std::string>& lines) const {
        const int lineHeight = LineHeight(metrics_, kBodyFontSize + 1);
        int y = block.contentTop;
        for (const std::string& line : lines) {
            SceneText text = MakeText({block.left, y}, line, kInk, kBodyFontSize + 1);
            text.clip = SceneClip{block.left, y, block.right, y + lineHeight};
            page.Add(std::move(text));
            y += lineHeight;
        }
    }

    void Footer(Scene& page, int number, int pages) const {
        const int y = frame_.footerTop;
        page.Add(SceneLine{{frame_.left, y - 4}, {frame_.right - 1, y - 4}, kRuleGrey});
        page.Add(MakeText({frame_.left, y}, ProgramNameAndVersion(), kInk, kBodyFontSize));
        page.Add(MakeText({frame_.right, y}, PageNumberText(number, pages), kInk, kBodyFontSize,
                          TextAnchor::kTopRight));
    }

  private:
    const PageFrame& frame_;
    const TextMetrics& metrics_;
};

ReportTable SplitLines(const std::string& text) {
    ReportTable table;
    size_t from = 0;
    while (from < text.size()) {
        size_t end = text.find('\n', from);
        if (end == std::string::npos)
            end = text.size();
        std::string line = text.substr(from, end - from);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        std::vector<std::string> cells;
        size_t cell = 0;
        while (true) {
            const size_t tab = line.find('\t', cell);
            cells.push_back(
                line.substr(cell, tab == std::string::npos ? std::string::npos : tab - cell));
            if (tab == std::string::npos)
                break;
            cell = tab + 1;
        }
        table.push_back(std::move(cells));
        from = end + 1;
    }
    return table;
}

}  // namespace

std::string ProgramNameAndVersion() {
    std::string text(kProgramName);
    text += ' ';
    text += kVersionText;
    return text;
}

ReportTable LapListReportTable(const Session& session) {
    const LapRow header = session.listHeader[kListLapTimeColumn].empty()
                              ? LapListHeader(session.settings)
                              : session.listHeader;
    std::vector<int> columns(std::begin(kListColumns), std::end(kListColumns));
    if (session.gates.UsedCount() > 0) {
        for (int c = kListFirstSector; c <= kListLastSector; ++c) {
            if (!header[static_cast<size_t>(c)].empty())
                columns.push_back(c);
        }
    }
    const auto rowOf = [&](const LapRow& cells, const std::string& band) {
        std::vector<std::string> row;
        for (int c : columns) {
            row.push_back(cells[static_cast<size_t>(c)]);
            if (c == kListLapTimeColumn)
                row.push_back(band);
        }
        return row;
    };
    ReportTable table;
    table.push_back(rowOf(header, "\u00b1 ms"));
    for (size_t k = 0; k < session.laps.LapRows.size(); ++k) {
        const Float80 band = k < session.laps.LapList.size()
                                 ? session.laps.LapList[k].lapTimeUncertaintyMs
                                 : Float80(-1);
        const std::string text = UncertaintyMsText(band);
        table.push_back(rowOf(session.laps.LapRows[k], text.empty() ? "" : "\u00b1" + text));
    }
    return table;
}

ReportTable SectorReportTable(const Session& session) {
    const int gates = session.gates.UsedCount();
    if (gates == 0 || session.laps.LapDt.empty())
        return {};
    const SectTable sector = SetSectGrid(SlotReadouts(session), gates).sector;
    static const char* const kSlotNames[] = {"A", "B", "C", "D"};
    ReportTable table;
    std::vector<std::string> header{""};
    for (size_t s = 0; s < session.laps.LapDt.size() && s < 4; ++s)
        header.push_back(std::string(kSlotNames[s]) + " [" + session.laps.LapDt[s].DtName + "]");
    header.push_back("Best");
    table.push_back(header);
    for (size_t c = 0; c < sector[0].size(); ++c) {
        if (sector[0][c].empty())
            continue;
        std::vector<std::string> row{sector[0][c]};
        bool any = false;
        for (size_t s = 0; s < session.laps.LapDt.size() && s < 4; ++s) {
            row.push_back(sector[s + 1][c]);
            any |= !row.back().empty();
        }
        row.push_back(sector[kSectTableRows - 1][c]);
        any |= !row.back().empty();
        if (any)
            table.push_back(std::move(row));
    }
    return table.size() > 1 ? table : ReportTable{};
}

std::vector<std::string> ReportSummaryLines(const Session& session, const LapListSummary& summary) {
    const LapRow* lead = LeadingRow(session);
    std::vector<std::string> lines;
    lines.push_back("Track: " + TrackText(session));
    lines.push_back("Date: " + (lead != nullptr ? (*lead)[2] + " " + (*lead)[3] : "not known"));
    lines.push_back("Logger: " + LoggerText(session, lead));
    const std::optional<size_t> best = BestLap(summary);
    if (best) {
        std::string text = "Best lap: " + summary.lapNames[*best] + " " +
                           FormatSectTime(summary.lapSeconds[*best]);
        const std::string band =
            *best < session.laps.LapList.size()
                ? UncertaintyMsText(session.laps.LapList[*best].lapTimeUncertaintyMs)
                : std::string();
        if (!band.empty())
            text += " \u00b1" + band + " ms";
        lines.push_back(text);
    } else {
        lines.push_back("Best lap: no lap listed");
    }
    lines.push_back(summary.sumOfBestSectors > 0
                        ? "Ideal lap (sum of best sectors): " +
                              FormatSectTime(summary.sumOfBestSectors)
                        : std::string("Ideal lap (sum of best sectors): no sector gates"));
    for (const std::string& line : {AchievableText(summary), ConsistencyText(summary)}) {
        if (!line.empty())
            lines.push_back(line);
    }
    return lines;
}

ReportDocument BuildReport(const Session& session, const LapListSummary& summary, Paper paper,
                           const TextMetrics& metrics) {
    ReportDocument doc;
    doc.paper = paper;
    doc.frame = PageFrameFor(paper, LineHeight(metrics, kBodyFontSize));
    const int width = doc.frame.right - doc.frame.left;
    const int titleHeight = LineHeight(metrics, kTitleFontSize) + 2;

    std::vector<std::string> summaryLines;
    for (const std::string& line : ReportSummaryLines(session, summary)) {
        for (std::string& part : WrapText(line, metrics, kBodyFontSize + 1, width))
            summaryLines.push_back(std::move(part));
    }
    const ReportTable lapTable = LapListReportTable(session);
    const ReportTable sectorTable = SectorReportTable(session);
    CornerTable corners = SlotCornerTable(session);
    SortByTimeLost(corners);
    const ReportTable cornerTable =
        corners.rows.empty()
            ? ReportTable{}
            : SplitLines(CornerTableTabText(corners, CornerUnitsOf(session.settings)));
    const bool slotsShown = !session.laps.LapDt.empty();
    const bool plotShown = std::any_of(summary.lapSeconds.begin(), summary.lapSeconds.end(),
                                       [](double s) { return s > 0; });

    const auto tableRequest = [&](ReportBlockKind kind, const ReportTable& table) {
        const TableFit fit = FitTable(table, metrics, width);
        return ReportBlockRequest{kind, static_cast<int>(table.size()),
                                  LineHeight(metrics, fit.fontSize), 0, true};
    };
    std::vector<ReportBlockRequest> requests;
    requests.push_back(
        {ReportBlockKind::kSummary, 0, 0,
         static_cast<int>(summaryLines.size()) * LineHeight(metrics, kBodyFontSize + 1), false});
    requests.push_back(tableRequest(ReportBlockKind::kLapTable, lapTable));
    if (plotShown)
        requests.push_back({ReportBlockKind::kLapTimePlot, 0, 0, kPlotHeight, false});
    if (!sectorTable.empty())
        requests.push_back(tableRequest(ReportBlockKind::kSectorTable, sectorTable));
    if (slotsShown) {
        requests.push_back({ReportBlockKind::kSpeedGraph, 0, 0, kGraphHeight, false});
        requests.push_back({ReportBlockKind::kCourseMap, 0, 0, kMapHeight, false});
    }
    if (!cornerTable.empty())
        requests.push_back(tableRequest(ReportBlockKind::kCornerTable, cornerTable));
    doc.layout = LayoutReport(doc.frame, requests, titleHeight, kBlockGap);

    const std::optional<size_t> best = BestLap(summary);
    const PageComposer compose(doc.frame, metrics);
    for (size_t p = 0; p < doc.layout.size(); ++p) {
        Scene page = BlankScene(doc.frame.width, doc.frame.height);
        for (const PlacedBlock& block : doc.layout[p].blocks) {
            const int w = block.right - block.left;
            const int h = block.bottom - block.contentTop;
            switch (block.kind) {
                case ReportBlockKind::kSummary:
                    compose.Title(page, block, kReportTitle);
                    compose.Lines(page, block, summaryLines);
                    break;
                case ReportBlockKind::kLapTable:
                    compose.Title(page, block, "Laps");
                    compose.Table(page, block, lapTable, best);
                    break;
                case ReportBlockKind::kLapTimePlot:
                    // The plot carries its own caption.
                    PlaceScene(
                        page, LapTimePlotScene(summary.lapSeconds, summary.lapNames, metrics, w, h),
                        block.left, block.contentTop);
                    break;
                case ReportBlockKind::kSectorTable:
                    compose.Title(page, block, "Sectors of the laps in the slots");
                    compose.Table(page, block, sectorTable, std::nullopt);
                    break;
                case ReportBlockKind::kSpeedGraph: {
                    compose.Title(page, block, "Speed and time difference");
                    const SpeedGraphInput in{session.laps.LapDt,
                                             session.presentation,
                                             session.align,
                                             session.sectRes,
                                             session.gates.UsedCount(),
                                             session.settings,
                                             true};
                    PlaceScene(page, SpeedGraphScene(in, metrics, w, h), block.left,
                               block.contentTop);
                    break;
                }
                case ReportBlockKind::kCourseMap: {
                    compose.Title(page, block, "Course map");
                    const CourseOverviewInput in{session.laps.LapDt, session.presentation,
                                                 session.align, session.gates};
                    PlaceScene(page, CourseOverviewPicture(in, w, h), block.left, block.contentTop);
                    break;
                }
                case ReportBlockKind::kCornerTable:
                    compose.Title(page, block, "Corners");
                    compose.Table(page, block, cornerTable, std::nullopt);
                    break;
            }
        }
        compose.Footer(page, static_cast<int>(p) + 1, static_cast<int>(doc.layout.size()));
        doc.pages.push_back(std::move(page));
    }
    return doc;
}

}  // namespace qv
