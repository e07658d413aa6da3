#pragma once
// The session report as display lists, one per page: a summary of the lap
// list, the laps, the sector table of the slots, the speed graph and the
// course map of the slots, and the corner table. The graphs are the views'
// own scenes, so paper shows what the window shows; a painter only replays
// the pages.

#include <string>
#include <vector>

#include "app/session.h"
#include "dynamics/lap_list_summary.h"
#include "presentation/report_layout.h"
#include "presentation/scene.h"

namespace qv {

inline constexpr const char* kReportTitle = "Session report";
inline constexpr const char* kProgramName = "Quorvane";

// "Quorvane Ver 4.7.0e", the footer of every page.
std::string ProgramNameAndVersion();

struct ReportDocument {
    Paper paper = Paper::kA4;
    PageFrame frame;
    std::vector<ReportPage> layout;  // where each page's blocks stand
    std::vector<Scene> pages;
};

// `summary` is the lap list's (SummarizeLapList); the figures of laps
// whose files are gone are left out rather than failing the report.
ReportDocument BuildReport(const Session& session, const LapListSummary& summary, Paper paper,
                           const TextMetrics& metrics);

// A table as the report shows it: header row first.
using ReportTable = std::vector<std::vector<std::string>>;

// The laps of the list: number, date, time, lap time, its ±, top speed,
// distance and the sector times when there are gates.
ReportTable LapListReportTable(const Session& session);

// The sector table of the slots turned on its side, one line per column of
// the window's table and one column per slot, so that five sectors fit the
// width of a page. Empty without gates or laps in the slots.
ReportTable SectorReportTable(const Session& session);

// The summary's lines: track, date, logger, best and ideal lap, the
// achievable best lap and the consistency of the flying laps.
std::vector<std::string> ReportSummaryLines(const Session& session, const LapListSummary& summary);

}  // namespace qv
