#include "presentation/report_layout.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "scene_test_support.h"

namespace qv {
namespace {

using scene_test::FixedMetrics;
using scene_test::ItemsOf;

TEST(ReportPaper, LetterOnlyForUsAndCanadaWithLcAllThenLcPaperThenLangDeciding) {
    struct Case {
        const char* lcAll;
        const char* lcPaper;
        const char* lang;
        Paper paper;
    };
    const Case cases[] = {
        {"", "", "en_US.UTF-8", Paper::kLetter},
        {"", "", "fr_CA.UTF-8", Paper::kLetter},
        {"", "", "es_US", Paper::kLetter},
        {"", "", "en_GB.UTF-8", Paper::kA4},
        {"", "", "de_DE.UTF-8@euro", Paper::kA4},
        {"", "", "C.UTF-8", Paper::kA4},
        {"", "", "", Paper::kA4},
        {"", "", "POSIX", Paper::kA4},
        {"", "en_GB.UTF-8", "en_US.UTF-8", Paper::kA4},
        {"", "en_CA.UTF-8", "de_DE.UTF-8", Paper::kLetter},
        {"en_US.UTF-8", "de_DE.UTF-8", "de_DE.UTF-8", Paper::kLetter},
        {"ja_JP.UTF-8", "en_US.UTF-8", "en_US.UTF-8", Paper::kA4},
        // A territory that merely begins like one of the two is not it.
        {"", "", "en_USA", Paper::kA4},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(PaperForLocale(c.lcAll, c.lcPaper, c.lang), c.paper)
            << c.lcAll << " / " << c.lcPaper << " / " << c.lang;
    }
}

TEST(ReportPaper, SheetsAreTheRealPapersAtNinetySixPerInch) {
    struct Case {
        Paper paper;
        double widthInches, heightInches;
    };
    const Case cases[] = {{Paper::kA4, 210 / 25.4, 297 / 25.4}, {Paper::kLetter, 8.5, 11}};
    for (const Case& c : cases) {
        const PageFrame frame = PageFrameFor(c.paper, 14);
        EXPECT_NEAR(frame.width, c.widthInches * kReportDpi, 1.0);
        EXPECT_NEAR(frame.height, c.heightInches * kReportDpi, 1.0);
        // The body and the footer stay on the sheet, the footer below the body.
        EXPECT_GT(frame.left, 0);
        EXPECT_LT(frame.right, frame.width);
        EXPECT_LT(frame.bottom, frame.footerTop);
        EXPECT_LE(frame.footerTop + 14, frame.height);
    }
}

// Every body row of a table shown exactly once, in order, each piece on a
// page of its own after the first, inside the body.
TEST(ReportLayout, LongTablesBreakBetweenRowsAndRepeatTheirHeader) {
    constexpr int kTitle = 20, kRow = 16, kGap = 10;
    struct Case {
        Paper paper;
        int bodyRows;
        int pages;  // the table alone, after a 300-px summary
    };
    const Case cases[] = {
        {Paper::kA4, 0, 1},
        {Paper::kA4, 10, 1},
        {Paper::kA4, 70, 2},
        // Would fit below the summary only in part: whole on the next page.
        {Paper::kA4, 50, 1},
        {Paper::kA4, 200, 4},
        {Paper::kLetter, 200, 4},
        {Paper::kLetter, 30, 1},
    };
    for (const Case& c : cases) {
        const PageFrame frame = PageFrameFor(c.paper, 14);
        const std::vector<ReportBlockRequest> requests = {
            {ReportBlockKind::kSummary, 0, 0, 300, false},
            {ReportBlockKind::kLapTable, c.bodyRows + 1, kRow, 0, true},
            {ReportBlockKind::kCornerTable, 3, kRow, 0, true},
        };
        const std::vector<ReportPage> pages = LayoutReport(frame, requests, kTitle, kGap);
        int next = 0;
        int pieces = 0;
        int lastPage = -1;
        for (size_t p = 0; p < pages.size(); ++p) {
            for (const PlacedBlock& b : pages[p].blocks) {
                EXPECT_GE(b.top, frame.top);
                EXPECT_LE(b.bottom, frame.bottom) << "page " << p;
                EXPECT_EQ(b.left, frame.left);
                EXPECT_EQ(b.right, frame.right);
                if (b.kind != ReportBlockKind::kLapTable)
                    continue;
                EXPECT_EQ(b.firstRow, next);
                EXPECT_EQ(b.continued, pieces > 0);
                EXPECT_EQ(b.contentTop - b.top, kTitle);
                // The header row and the piece's rows.
                EXPECT_EQ(b.bottom - b.contentTop, kRow * (b.endRow - b.firstRow + 1));
                if (pieces > 0) {
                    EXPECT_EQ(static_cast<int>(p), lastPage + 1);
                    EXPECT_EQ(b.top, frame.top);
                }
                next = b.endRow;
                lastPage = static_cast<int>(p);
                ++pieces;
            }
        }
        EXPECT_EQ(next, c.bodyRows) << c.bodyRows << " rows";
        EXPECT_EQ(pieces, c.pages) << c.bodyRows << " rows";
        // The next table follows the last piece, never before it.
        const PlacedBlock& corner = pages.back().blocks.back();
        EXPECT_EQ(corner.kind, ReportBlockKind::kCornerTable);
        EXPECT_GE(static_cast<int>(pages.size()) - 1, lastPage);
    }
}

TEST(ReportLayout, FiguresMoveWholeToTheNextPageAndNeverOutgrowTheBody) {
    const PageFrame frame = PageFrameFor(Paper::kA4, 14);
    const int body = frame.bottom - frame.top;
    struct Case {
        int before;  // height of a figure above
        int height;
        size_t page;  // where the second figure lands
        int placedHeight;
    };
    const Case cases[] = {
        {100, 300, 0, 300},             // fits below
        {body - 200, 300, 1, 300},      // does not: next page, whole
        {100, body * 2, 1, body - 20},  // taller than a page: cut to the body
    };
    for (const Case& c : cases) {
        const std::vector<ReportBlockRequest> requests = {
            {ReportBlockKind::kSummary, 0, 0, c.before, false},
            {ReportBlockKind::kSpeedGraph, 0, 0, c.height, false},
        };
        const std::vector<ReportPage> pages = LayoutReport(frame, requests, 20, 10);
        ASSERT_EQ(pages.size(), c.page + 1) << c.before << " + " << c.height;
        const PlacedBlock& graph = pages[c.page].blocks.back();
        EXPECT_EQ(graph.kind, ReportBlockKind::kSpeedGraph);
        EXPECT_EQ(graph.bottom - graph.contentTop, c.placedHeight);
        EXPECT_LE(graph.bottom, frame.bottom);
    }
}

TEST(ReportLayout, PlacedViewsKeepTheirShapesMovedByTheOffset) {
    Scene view = BlankScene(100, 50);
    view.background = Rgb{0, 0, 0};
    view.Add(SceneLine{{1, 2}, {3, 4}, kBlack});
    view.Add(ScenePolyline{{{0, 0}, {10, 5}}, {kBlack}});
    view.Add(SceneRect{5, 6, 7, 8, kBlack});
    view.Add(SceneEllipse{1, 1, 5, 5, kBlack});
    SceneText text = MakeText({9, 9}, "x", kBlack);
    text.clip = SceneClip{0, 0, 20, 20};
    view.Add(text);

    Scene page = BlankScene(800, 1000);
    PlaceScene(page, view, 40, 300);

    const std::vector<SceneRect> rects = ItemsOf<SceneRect>(page);
    ASSERT_EQ(rects.size(), 2u);
    EXPECT_EQ(rects[0], (SceneRect{40, 300, 140, 350, Rgb{0, 0, 0}}));  // the view's background
    EXPECT_EQ(rects[1], (SceneRect{45, 306, 47, 308, kBlack}));
    EXPECT_EQ(ItemsOf<SceneLine>(page)[0], (SceneLine{{41, 302}, {43, 304}, kBlack}));
    EXPECT_EQ(ItemsOf<ScenePolyline>(page)[0].points,
              (std::vector<ScenePoint>{{40, 300}, {50, 305}}));
    EXPECT_EQ(ItemsOf<SceneEllipse>(page)[0], (SceneEllipse{41, 301, 45, 305, kBlack}));
    const SceneText placed = ItemsOf<SceneText>(page)[0];
    EXPECT_EQ(placed.at, (ScenePoint{49, 309}));
    EXPECT_EQ(placed.clip, (SceneClip{40, 300, 60, 320}));
}

TEST(ReportLayout, WrappedLinesFitTheWidthAndKeepEveryWord) {
    const FixedMetrics metrics;  // 6 px a character
    struct Case {
        std::string text;
        int width;
        std::vector<std::string> lines;
    };
    const Case cases[] = {
        {"short line", 600, {"short line"}},
        {"aaa bbb ccc ddd", 42, {"aaa bbb", "ccc ddd"}},
        {"aaa bbb ccc ddd", 41, {"aaa", "bbb", "ccc", "ddd"}},
        {"overlongword x", 30, {"overlongword", "x"}},
        {"", 100, {""}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(WrapText(c.text, metrics, 9, c.width), c.lines) << c.text;
}

}  // namespace
}  // namespace qv
