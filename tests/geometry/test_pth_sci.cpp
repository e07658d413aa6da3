#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

#include "core/text_file.h"
#include "geometry/plane.h"
#include "geometry/pth_file.h"
#include "geometry/sci_file.h"
#include "laps/cln_file.h"
#include "support/temp_dir.h"
#include "synth/circuit_files.h"
#include "synth/drive.h"

namespace qv {
namespace {

using test::ReadText;
using test::TempDir;
using test::WriteText;

// --- Shared text file helpers ---------------------------------------------

TEST(TextFileTest, LinesSplitAtEveryKindOfLineEnd) {
    EXPECT_TRUE(SplitTextLines("").empty());
    EXPECT_EQ(SplitTextLines("a"), (std::vector<std::string>{"a"}));
    EXPECT_EQ(SplitTextLines("a\r\n"), (std::vector<std::string>{"a"}));
    EXPECT_EQ(SplitTextLines("a\r\nb\nc\rd"), (std::vector<std::string>{"a", "b", "c", "d"}));
    // Empty lines inside the text are lines; only the final line end adds none.
    EXPECT_EQ(SplitTextLines("a\r\n\r\nb\r\n\r\n"), (std::vector<std::string>{"a", "", "b", ""}));
    EXPECT_EQ(SplitTextLines("\n\r"), (std::vector<std::string>{"", ""}));
    EXPECT_EQ(SplitTextLines("\xEF\xBB\xBF"
                             "1\r\n2"),
              (std::vector<std::string>{"1", "2"}));
}

TEST(TextFileTest, ReadingRefusesMissingFoldersAndOversizedFiles) {
    TempDir dir;
    EXPECT_FALSE(ReadTextLines(dir / "missing.txt").ok);
    const TextFileRead folder = ReadTextLines(dir.path());
    EXPECT_FALSE(folder.ok);
    EXPECT_FALSE(folder.error.empty());

    WriteText(dir / "a.txt", "12345\r\n6789");
    EXPECT_FALSE(ReadTextLines(dir / "a.txt", 10).ok);
    const TextFileRead fits = ReadTextLines(dir / "a.txt", 11);
    ASSERT_TRUE(fits.ok);
    EXPECT_EQ(fits.lines, (std::vector<std::string>{"12345", "6789"}));
}

TEST(TextFileTest, SixDecimalsAndJoinedLines) {
    EXPECT_EQ(FormatFixed6(138.9268L), "138.926800");
    EXPECT_EQ(FormatFixed6(-0.0000016L), "-0.000002");
    EXPECT_EQ(FormatFixed6(35.1234566L), "35.123457");
    EXPECT_EQ(FormatFixed6(0), "0.000000");
    EXPECT_EQ(FormatFixed6(1e20L), "100000000000000000000.000000");
    EXPECT_EQ(JoinCrLf({"1", "", "x"}), "1\r\n\r\nx\r\n");
    EXPECT_EQ(JoinCrLf({}), "");
}

TEST(TextFileTest, IntegersWithFallback) {
    EXPECT_EQ(TextToIntDef("2", 1), 2);
    EXPECT_EQ(TextToIntDef(" -3 \r", 1), -3);
    EXPECT_EQ(TextToIntDef("+4", 1), 4);
    EXPECT_EQ(TextToIntDef("+-4", 1), 1);
    EXPECT_EQ(TextToIntDef("", 7), 7);
    EXPECT_EQ(TextToIntDef("2.0", 7), 7);
    EXPECT_EQ(TextToIntDef("2x", 7), 7);
    EXPECT_EQ(TextToIntDef("2147483647", 7), 2147483647);
    EXPECT_EQ(TextToIntDef("2147483648", 7), 7);
}

// --- Track map files ------------------------------------------------------

TEST(PthFileTest, BlocksBecomePolylinesWithLongitudeFirst) {
    TrackMapStore store;
    ParsePthLines({"ignored,1,2", "<path>", "138.5,35.25", "138.75,35.5,extra", "</path>", "139,36",
                   "<path>", "1,2", "</path>"},
                  store);
    ASSERT_EQ(store.TrackMapNum(), 2);
    ASSERT_EQ(store.TrackMap[0].ElmNum(), 2);
    EXPECT_EQ(store.TrackMap[0].Elm[0].Kdo, 138.5L);
    EXPECT_EQ(store.TrackMap[0].Elm[0].Ido, 35.25L);
    EXPECT_EQ(store.TrackMap[0].Elm[1].Kdo, 138.75L);
    EXPECT_EQ(store.TrackMap[0].Elm[1].Ido, 35.5L);
    ASSERT_EQ(store.TrackMap[1].ElmNum(), 1);
    EXPECT_EQ(store.TrackMap[1].Elm[0].Kdo, 1);
    EXPECT_EQ(store.TrackMap[1].Elm[0].Ido, 2);
}

TEST(PthFileTest, MalformedLinesInsideABlock) {
    TrackMapStore store;
    // "<path>" inside a block is a one-field line; a bad number reads 0; an
    // unclosed block keeps its points.
    ParsePthLines({"<path>", "<path>", "abc,35", "", "7", "1.5,", "</path>,9", "2,3"}, store);
    ASSERT_EQ(store.TrackMapNum(), 1);
    const std::vector<TPathElmRec>& e = store.TrackMap[0].Elm;
    ASSERT_EQ(e.size(), 4u);
    EXPECT_EQ(e[0].Kdo, 0);
    EXPECT_EQ(e[0].Ido, 35);
    EXPECT_EQ(e[1].Kdo, 1.5L);
    EXPECT_EQ(e[1].Ido, 0);
    EXPECT_EQ(e[2].Kdo, 0);  // "</path>,9" is no closing tag
    EXPECT_EQ(e[2].Ido, 9);
    EXPECT_EQ(e[3].Kdo, 2);
}

TEST(PthFileTest, FileWithoutBlocksEmptiesTheMap) {
    TempDir dir;
    WriteText(dir / "none.pth", "138.1,35.1\r\n138.2,35.2\r\n");
    TrackMapStore store;
    ParsePthLines({"<path>", "1,2", "</path>"}, store);
    ASSERT_TRUE(ReadPthFile(dir / "none.pth", store).ok);
    EXPECT_EQ(store.TrackMapNum(), 0);
}

TEST(PthFileTest, UnreadableFileKeepsTheLoadedMap) {
    TempDir dir;
    TrackMapStore store;
    ParsePthLines({"<path>", "1,2", "</path>"}, store);
    const PthReadResult r = ReadPthFile(dir / "gone.pth", store);
    EXPECT_FALSE(r.ok);
    EXPECT_FALSE(r.error.empty());
    EXPECT_EQ(store.TrackMapNum(), 1);
}

TEST(PthFileTest, WrittenTextAndRoundTrip) {
    TrackMapStore store;
    store.TrackMap.resize(2);
    store.TrackMap[0].Elm = {{35.1234564L, 138.9876546L}, {-33.5L, -70.25L}};
    // An empty polyline is written as an empty block and read back as one.
    TempDir dir;
    const auto path = dir / "map.pth";
    ASSERT_TRUE(WritePthFile(path, store).ok);
    EXPECT_EQ(ReadText(path),
              "<path>\r\n138.987655,35.123456\r\n-70.250000,-33.500000\r\n</path>\r\n"
              "<path>\r\n</path>\r\n");

    TrackMapStore back;
    ASSERT_TRUE(ReadPthFile(path, back).ok);
    ASSERT_EQ(back.TrackMapNum(), 2);
    ASSERT_EQ(back.TrackMap[0].ElmNum(), 2);
    EXPECT_EQ(back.TrackMap[1].ElmNum(), 0);
    EXPECT_NEAR(static_cast<double>(back.TrackMap[0].Elm[0].Ido), 35.123456, 1e-12);
    EXPECT_NEAR(static_cast<double>(back.TrackMap[0].Elm[0].Kdo), 138.987655, 1e-12);
    EXPECT_EQ(FormatPthText(back), FormatPthText(store));
}

TEST(PthFileTest, FailedWriteLeavesNoFile) {
    TempDir dir;
    TrackMapStore store;
    store.TrackMap.resize(1);
    const WriteResult w = WritePthFile(dir / "no" / "such" / "map.pth", store);
    EXPECT_FALSE(w.ok);
    EXPECT_FALSE(w.error.empty());
    EXPECT_FALSE(std::filesystem::exists(dir / "no"));
}

// --- Sector files ---------------------------------------------------------

TEST(SciFileTest, FieldsGoToTheirGateMembers) {
    GateTable gates;
    ParseSectLines({"35.1,138.2,35.3,138.4,2", "1,2,3,4"}, gates);
    ASSERT_EQ(gates.SectCount, 2);
    const SectGate& g = gates.SectGates[0];
    EXPECT_EQ(g.Ido1, 35.1L);
    EXPECT_EQ(g.Kdo1, 138.2L);
    EXPECT_EQ(g.Ido2, 35.3L);
    EXPECT_EQ(g.Kdo2, 138.4L);
    EXPECT_EQ(g.PassNo, 2);
    EXPECT_EQ(gates.SectGates[1].PassNo, 1);
    EXPECT_EQ(gates.SectGates[1].Kdo2, 4);
}

TEST(SciFileTest, ShortLinesSkippedAndAtMostFourGates) {
    GateTable gates;
    gates.SectCount = 3;
    ParseSectLines(
        {"", "1,2,3", "a,b,c,d,e", "1,2,3,4,", "5,6,7,8,0", "9,9,9,9,-2", "2,2,2,2,3", "4,4,4,4,4"},
        gates);
    ASSERT_EQ(gates.SectCount, 4);
    // Unparsable numbers read 0; a pass number that no count can reach reads 1.
    EXPECT_EQ(gates.SectGates[0].Ido1, 0);
    EXPECT_EQ(gates.SectGates[0].Kdo2, 0);
    EXPECT_EQ(gates.SectGates[0].PassNo, 1);
    EXPECT_EQ(gates.SectGates[1].PassNo, 1);
    EXPECT_EQ(gates.SectGates[2].PassNo, 1);
    EXPECT_EQ(gates.SectGates[2].Ido1, 5);
    EXPECT_EQ(gates.SectGates[3].PassNo, 1);
    EXPECT_EQ(gates.SectGates[3].Ido1, 9);
}

TEST(SciFileTest, FileWithoutGatesEmptiesTheTable) {
    GateTable gates;
    ParseSectLines({"1,2,3,4,1"}, gates);
    ParseSectLines({"only,three,fields", "x"}, gates);
    EXPECT_EQ(gates.SectCount, 0);
}

TEST(SciFileTest, WrittenTextAndRoundTrip) {
    GateTable gates;
    gates.SectGates[0] = {138.9268L, 138.9270L, 35.3712L, 35.3714L, 1};
    gates.SectGates[1] = {-1.0000006L, 2, -3, 4, 3};
    gates.SectCount = 2;
    TempDir dir;
    const auto path = dir / "s.sci";
    ASSERT_TRUE(WriteSectFile(path, gates).ok);
    EXPECT_EQ(ReadText(path),
              "35.371200,138.926800,35.371400,138.927000,1\r\n"
              "-3.000000,-1.000001,4.000000,2.000000,3\r\n");

    GateTable back;
    ASSERT_TRUE(ReadSectFile(path, back).ok);
    ASSERT_EQ(back.SectCount, 2);
    EXPECT_NEAR(static_cast<double>(back.SectGates[0].Kdo2), 138.927, 1e-12);
    EXPECT_EQ(back.SectGates[1].PassNo, 3);
    EXPECT_EQ(FormatSectText(back), FormatSectText(gates));
}

TEST(SciFileTest, UnreadableFileKeepsTheTableAndOutOfRangeCountIsClamped) {
    TempDir dir;
    GateTable gates;
    gates.SectCount = 1;
    gates.SectGates[0].Ido1 = 5;
    EXPECT_FALSE(ReadSectFile(dir / "gone.sci", gates).ok);
    EXPECT_EQ(gates.SectCount, 1);
    EXPECT_EQ(gates.SectGates[0].Ido1, 5);

    gates.SectCount = 9;
    EXPECT_EQ(SplitTextLines(FormatSectText(gates)).size(), 4u);
    gates.SectCount = -1;
    EXPECT_EQ(FormatSectText(gates), "");
}

// --- The demo circuit's files ---------------------------------------------

// The segments of the closed centre line that the segment a-b crosses.
std::vector<size_t> CentreLineCrossings(const synth::Circuit& c, Point2 a, Point2 b) {
    std::vector<size_t> crossed;
    for (size_t i = 0; i < c.points.size(); ++i) {
        const synth::LatLon& p = c.points[i];
        const synth::LatLon& q = c.points[(i + 1) % c.points.size()];
        Point2 at;
        if (CrossPoint(a, b, {p.lon, p.lat}, {q.lon, q.lat}, at))
            crossed.push_back(i);
    }
    return crossed;
}

TEST(CircuitFilesTest, DemoCircuitFilesReadBack) {
    const synth::Circuit circuit = synth::DemoCircuit();
    TempDir dir;
    const synth::CircuitFilesResult written = synth::WriteCircuitFiles(circuit, dir.path(), "demo");
    ASSERT_TRUE(written.ok) << written.error;

    TrackMapStore map;
    ASSERT_TRUE(ReadPthFile(written.paths.pth, map).ok);
    ASSERT_EQ(map.TrackMapNum(), 2);
    const size_t n = circuit.points.size();
    for (const TPathRec& edge : map.TrackMap) {
        ASSERT_EQ(edge.Elm.size(), n + 1);
        EXPECT_EQ(edge.Elm.front().Ido, edge.Elm.back().Ido);
        EXPECT_EQ(edge.Elm.front().Kdo, edge.Elm.back().Kdo);
    }
    // The edges lie 6 m to either side: 12 m apart, the centre between them.
    for (size_t i = 0; i < n; i += 97) {
        const TPathElmRec& l = map.TrackMap[0].Elm[i];
        const TPathElmRec& r = map.TrackMap[1].Elm[i];
        EXPECT_NEAR(static_cast<double>(StepDistKm(l.Ido, l.Kdo, r.Ido, r.Kdo, l.Ido)), 0.012,
                    2e-4);
        const synth::LatLon& c = circuit.points[i];
        EXPECT_NEAR(static_cast<double>(StepDistKm(l.Ido, l.Kdo, c.lat, c.lon, c.lat)), 0.006,
                    2e-4);
    }

    LineState lines;
    const ClnReadResult cln = ReadClnFile(written.paths.cln, lines, ClnRally::FromFile);
    ASSERT_TRUE(cln.ok);
    EXPECT_EQ(cln.kind, ClnKind::ControlLine);
    EXPECT_NEAR(static_cast<double>(lines.first[0].lat), circuit.lineA.lat, 1e-6);
    EXPECT_NEAR(static_cast<double>(lines.first[1].lon), circuit.lineB.lon, 1e-6);
    // The line runs through the first point: it touches the two segments
    // that meet there and no other.
    EXPECT_EQ(CentreLineCrossings(circuit, {lines.first[0].lon, lines.first[0].lat},
                                  {lines.first[1].lon, lines.first[1].lat}),
              (std::vector<size_t>{0, n - 1}));

    GateTable gates;
    ASSERT_TRUE(ReadSectFile(written.paths.sci, gates).ok);
    ASSERT_EQ(gates.SectCount, 3);
    for (int k = 0; k < gates.SectCount; ++k) {
        const SectGate& g = gates.SectGates[static_cast<size_t>(k)];
        SCOPED_TRACE(k);
        EXPECT_EQ(g.PassNo, 1);
        EXPECT_NEAR(static_cast<double>(StepDistKm(g.Ido1, g.Kdo1, g.Ido2, g.Kdo2, g.Ido1)), 0.030,
                    1e-4);
        // Each gate lies across the track once, so a lap passes it exactly once.
        EXPECT_EQ(CentreLineCrossings(circuit, {g.Kdo1, g.Ido1}, {g.Kdo2, g.Ido2}).size(), 1u);
    }
}

}  // namespace
}  // namespace qv
