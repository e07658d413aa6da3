#include <gtest/gtest.h>

#include "app/library_page_model.h"
#include "library_fixture.h"

namespace qv {
namespace {

LibrarySession Planted(int64_t id, TDateTime start, std::optional<double> best,
                       std::optional<double> ideal, bool pb, bool missing) {
    LibrarySession s;
    s.id = id;
    s.path = "/logs/run" + std::to_string(id) + ".bnx4";
    s.loggerKind = "bnx4";
    s.startLocal = start;
    s.lapCount = static_cast<int>(id) + 3;
    s.bestLapSec = best;
    s.idealLapSec = ideal;
    s.personalBest = pb;
    s.missing = missing;
    return s;
}

TEST(LibraryPageModel, SessionRowsCarryTheirFiguresAndMarks) {
    LibraryTrack track;
    track.id = 7;
    track.name = "Suzuka East";
    track.named = true;
    const TDateTime day = EncodeDate(2024, 5, 1) + EncodeTime(9, 30, 0, 0);
    const std::vector<LibrarySession> sessions{
        Planted(1, day, 65.432, 64.9, false, false),
        Planted(2, day + 3, 64.1, 63.95, true, false),
        Planted(3, day + 9, std::nullopt, std::nullopt, false, true),
    };
    const LibraryTrackRow row = MakeTrackRow(track, sessions);
    EXPECT_EQ(row.trackId, 7);
    EXPECT_TRUE(row.named);
    EXPECT_EQ(row.cells[0], "Suzuka East");
    EXPECT_EQ(row.cells[2], "3 sessions");
    EXPECT_EQ(row.cells[3], "1:04.100");  // the track's best over its sessions
    ASSERT_EQ(row.sessions.size(), 3u);

    struct Expect {
        const char* when;
        const char* laps;
        const char* best;
        const char* ideal;
        const char* pb;
        const char* file;
        bool personalBest, missing;
    };
    const Expect expected[] = {
        {"2024/05/01 09:30", "4", "1:05.432", "1:04.900", "", "run1.bnx4", false, false},
        {"2024/05/04 09:30", "5", "1:04.100", "1:03.950", "PB", "run2.bnx4", true, false},
        {"2024/05/10 09:30", "6", "", "", "", "run3.bnx4 (missing)", false, true},
    };
    for (size_t i = 0; i < 3; ++i) {
        SCOPED_TRACE(i);
        const LibrarySessionRow& r = row.sessions[i];
        const Expect& e = expected[i];
        EXPECT_EQ(r.sessionId, static_cast<int64_t>(i + 1));
        EXPECT_EQ(r.cells[0], e.when);
        EXPECT_EQ(r.cells[1], "bnx4");
        EXPECT_EQ(r.cells[2], e.laps);
        EXPECT_EQ(r.cells[3], e.best);
        EXPECT_EQ(r.cells[4], e.ideal);
        EXPECT_EQ(r.cells[5], e.pb);
        EXPECT_EQ(r.cells[6], e.file);
        EXPECT_EQ(r.personalBest, e.personalBest);
        EXPECT_EQ(r.missing, e.missing);
    }
}

TEST(LibraryPageModel, AnUnnamedTrackIsCaptionedByWhereItLies) {
    LibraryTrack track;
    track.lat = 35.3712345;
    track.lon = 138.9271;
    EXPECT_EQ(TrackCaption(track), "Unnamed track near 35.37123, 138.92710");
    track.name = "Fuji";
    track.named = true;
    EXPECT_EQ(TrackCaption(track), "Fuji");
    EXPECT_FALSE(MakeTrackRow(LibraryTrack{}, {}).named);
}

TEST(LibraryPageModel, TheFilterReadsDaysAndKeepsTheLastOne) {
    const TDateTime may1 = EncodeDate(2024, 5, 1);
    struct Case {
        LibraryFilterTexts texts;
        std::optional<TDateTime> from, to;
        std::string logger;
        std::string error;
    };
    const Case cases[] = {
        {{"", "", kAnyLogger}, std::nullopt, std::nullopt, "", ""},
        {{"2024/05/01", "", kAnyLogger}, may1, std::nullopt, "", ""},
        {{" 2024/05/01 ", "2024/05/01", "vbo"}, may1, may1 + 1, "vbo", ""},
        {{"", "2024/2/29", kAnyLogger}, std::nullopt, EncodeDate(2024, 3, 1), "", ""},
        {{"2024/02/30", "", kAnyLogger}, std::nullopt, std::nullopt, "", kMsgFilterDate},
        {{"", "2024-05-01", kAnyLogger}, std::nullopt, std::nullopt, "", kMsgFilterDate},
        {{"2024/05/01x", "", kAnyLogger}, std::nullopt, std::nullopt, "", kMsgFilterDate},
        {{"2024/05", "", kAnyLogger}, std::nullopt, std::nullopt, "", kMsgFilterDate},
        {{"2024/05/02", "2024/05/01", kAnyLogger}, may1 + 1, may1 + 1, "", kMsgFilterOrder},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.texts.from + " | " + c.texts.to);
        const LibraryFilterParse parse = ParseLibraryFilter(c.texts);
        EXPECT_EQ(parse.error, c.error);
        if (!c.error.empty())
            continue;
        EXPECT_EQ(parse.filter.from, c.from);
        EXPECT_EQ(parse.filter.to, c.to);
        EXPECT_EQ(parse.filter.loggerKind, c.logger);
        EXPECT_EQ(FilterIsEmpty(parse.filter), !c.from && !c.to && c.logger.empty());
    }
}

TEST(LibraryPageModel, TheSessionBestIsItsFastestFlyingLap) {
    const auto lap = [](int number, double sec, bool flying) {
        LibraryLap l;
        l.id = 100 + number;
        l.number = number;
        l.lapSec = sec;
        l.flying = flying;
        l.uncertaintyMs = 12.4;
        l.topSpeedKmh = 150.456;
        l.distKm = 2.5;
        return l;
    };
    // The in-lap is cut short and faster, but it is no lap of the circuit.
    const std::vector<LibraryLap> laps{lap(1, 80.0, false), lap(2, 66.2, true), lap(3, 65.9, true),
                                       lap(4, 40.0, false)};
    const std::vector<LibraryLapRow> rows = MakeLapRows(laps);
    ASSERT_EQ(rows.size(), 4u);
    for (size_t i = 0; i < rows.size(); ++i)
        EXPECT_EQ(rows[i].sessionBest, i == 2) << i;
    EXPECT_EQ(rows[2].cells[1], "1:05.900");
    EXPECT_EQ(rows[2].cells[2], "12 ms");
    EXPECT_EQ(rows[2].cells[3], "150.46");
    EXPECT_EQ(rows[0].cells[6], "out/in");
    EXPECT_EQ(rows[2].cells[6], "flying");
    EXPECT_TRUE(MakeLapRows({lap(1, 80.0, false)}).front().sessionBest == false);
}

TEST(LibraryPageModel, TheTreeOfARealLibraryFollowsTheFilter) {
    test::LibraryFixture f;
    f.Import({f.logs});
    SessionLibrary& library = f.Open();
    const std::vector<LibraryTrackRow> all = BuildLibraryTree(library, {});
    ASSERT_EQ(all.size(), 1u);
    ASSERT_EQ(all[0].sessions.size(), 2u);
    int pbs = 0;
    for (const LibrarySessionRow& r : all[0].sessions)
        pbs += r.personalBest ? 1 : 0;
    EXPECT_EQ(pbs, 1);
    const std::vector<std::string> loggers = LoggerChoices(library);
    ASSERT_EQ(loggers.size(), 3u);
    EXPECT_EQ(loggers[0], kAnyLogger);

    SessionFilter one;
    one.loggerKind = "bonz";
    const std::vector<LibraryTrackRow> bonz = BuildLibraryTree(library, one);
    ASSERT_EQ(bonz.size(), 1u);
    ASSERT_EQ(bonz[0].sessions.size(), 1u);
    EXPECT_EQ(bonz[0].sessions[0].cells[1], "bonz");

    // A range with no session leaves no track.
    SessionFilter none;
    none.from = EncodeDate(2100, 1, 1);
    EXPECT_TRUE(BuildLibraryTree(library, none).empty());

    const std::vector<ProgressPoint> points = ProgressPoints(library.BestHistory(all[0].trackId));
    ASSERT_EQ(points.size(), 2u);
    EXPECT_LE(points[0].date, points[1].date);
    for (const ProgressPoint& p : points)
        EXPECT_GE(p.bestFiveAverageSec, p.bestLapSec);
}

}  // namespace
}  // namespace qv
