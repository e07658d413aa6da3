#pragma once
// Where the session report puts its parts: the paper, the page frame, and
// the flow of titled blocks down the pages. Tables break between rows and
// repeat their header row on the next page; figures move whole to the next
// page when they do not fit, as do tables that fit on a page of their own. Units are pixels at 96
// per inch, the views' own, so a view's geometry drawn on paper is the one drawn on screen.

#include <string>
#include <string_view>
#include <vector>

#include "presentation/scene.h"

namespace qv {

inline constexpr int kReportDpi = 96;

enum class Paper { kA4, kLetter };

// Letter where the locale's territory is the US or Canada, A4 elsewhere.
// The first non-empty of LC_ALL, LC_PAPER and LANG decides, as the C
// library chooses a locale category.
Paper PaperForLocale(std::string_view lcAll, std::string_view lcPaper, std::string_view lang);

struct PageFrame {
    int width = 0, height = 0;                     // the sheet
    int left = 0, top = 0, right = 0, bottom = 0;  // the body, right and bottom excluded
    int footerTop = 0;                             // the footer line's top
};

PageFrame PageFrameFor(Paper paper, int lineHeight);

enum class ReportBlockKind {
    kSummary,
    kLapTable,
    kLapTimePlot,
    kSectorTable,
    kSpeedGraph,
    kCourseMap,
    kCornerTable
};

// What a block needs before it is placed: a title line, then either
// `rows` table rows (the header row among them, first) of `rowHeight`, or a
// figure of `height`. A figure whose height is 0 fills the body's width as
// a square, no taller than the body.
struct ReportBlockRequest {
    ReportBlockKind kind = ReportBlockKind::kSummary;
    int rows = 0;
    int rowHeight = 0;
    int height = 0;
    bool table = false;
};

struct PlacedBlock {
    ReportBlockKind kind = ReportBlockKind::kSummary;
    int left = 0, top = 0, right = 0, bottom = 0;  // title included
    int contentTop = 0;                            // below the title
    // For tables: the body rows [firstRow, endRow) shown here, counted
    // after the header row, which every piece repeats.
    int firstRow = 0, endRow = 0;
    bool continued = false;  // a later piece of a table that began earlier
};

struct ReportPage {
    std::vector<PlacedBlock> blocks;
};

// The blocks in order down the pages. `titleHeight` is the height of a
// block's title line; blocks are `gap` apart.
std::vector<ReportPage> LayoutReport(const PageFrame& frame,
                                     const std::vector<ReportBlockRequest>& blocks, int titleHeight,
                                     int gap);

// `view`'s items moved by (dx, dy) onto `page`, its background first when
// it differs from the page's.
void PlaceScene(Scene& page, const Scene& view, int dx, int dy);

// `text` broken at spaces into lines no wider than `width`; a word wider
// than that stands on a line of its own.
std::vector<std::string> WrapText(const std::string& text, const TextMetrics& metrics, int fontSize,
                                  int width);

// "Page 2 of 5".
std::string PageNumberText(int page, int pages);

}  // namespace qv
