#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "core/date_time.h"
#include "library/session_library.h"
#include "support/cli_process.h"
#include "support/temp_dir.h"
#include "support/test_paths.h"

namespace qv {
namespace {

namespace fs = std::filesystem;

class LibraryCli : public ::testing::Test {
  protected:
    test::CliOutput Run(const std::string& args) {
        return test::RunCliProcess("library " + args,
                                   "QUORVANE_DATA_DIR='" + (dir / "data").string() +
                                       "' QUORVANE_DOCUMENTS_DIR='" + (dir / "documents").string() +
                                       "' QUORVANE_SHIPPED_DIR='" + test::ShippedDir() + "'");
    }
    fs::path DefaultFile() const { return dir / "data" / kLibraryFileName; }

    test::TempDir dir;
};

// The demo logs go into the program's own library and come back out as the
// library itself lists them.
TEST_F(LibraryCli, DemoLogsGoIntoTheProgramsLibrary) {
    const std::string raw = "'" + test::ShippedDir() + "/Raw'";
    const test::CliOutput added = Run("add " + raw);
    ASSERT_EQ(added.status, 0) << added.err;
    EXPECT_EQ(added.out, "3 added, 0 already there, 0 refused\n");
    EXPECT_EQ(Run("add " + raw).out, "0 added, 3 already there, 0 refused\n");
    ASSERT_TRUE(fs::exists(DefaultFile()));

    const test::CliOutput tracks = Run("tracks");
    ASSERT_EQ(tracks.status, 0) << tracks.err;
    ASSERT_EQ(tracks.lines.size(), 2u);
    EXPECT_EQ(tracks.lines[0], "id,name,sessions,lat,lon");
    EXPECT_EQ(tracks.lines[1].rfind("1,demo,3,", 0), 0u) << tracks.lines[1];

    SessionLibrary library;
    ASSERT_EQ(library.Open(DefaultFile()).state, LibraryOpenState::Ok);
    const std::optional<LibraryTrack> demo = library.FindTrack("demo");
    ASSERT_TRUE(demo.has_value());
    const std::vector<BestPoint> history = library.BestHistory(demo->id);
    ASSERT_EQ(history.size(), 3u);

    const test::CliOutput best = Run("best demo");
    ASSERT_EQ(best.status, 0) << best.err;
    ASSERT_EQ(best.lines.size(), history.size() + 1);
    EXPECT_EQ(best.lines[0], "session,start,best_lap,best_five_average,improved");
    for (size_t k = 0; k < history.size(); ++k) {
        const BestPoint& p = history[k];
        EXPECT_EQ(best.lines[k + 1], std::to_string(p.sessionId) + "," +
                                         FormatDateTime("yyyy-mm-dd hh:nn:ss", p.startLocal) + "," +
                                         FormatSeconds(p.bestLapSec) + "," +
                                         FormatSeconds(p.bestFiveAverageSec) + "," +
                                         (p.improved ? "yes" : "no"));
    }

    const test::CliOutput bnx4 = Run("sessions 1 --logger bnx4");
    ASSERT_EQ(bnx4.lines.size(), 2u) << bnx4.out << bnx4.err;
    EXPECT_NE(bnx4.lines[1].find(",bnx4,"), std::string::npos);
    EXPECT_NE(bnx4.lines[1].find("demo.bnx4"), std::string::npos);
}

TEST_F(LibraryCli, AnotherLibraryFileIsNamedByAnOption) {
    const std::string other = "'" + (dir / "other.sqlite").string() + "'";
    const test::CliOutput added =
        Run("--db " + other + " add '" + test::ShippedDir() + "/Raw/demo.bnx4'");
    ASSERT_EQ(added.status, 0) << added.err;
    EXPECT_EQ(Run("--db " + other + " tracks").lines.size(), 2u);
    EXPECT_EQ(Run("tracks").lines.size(), 1u);  // the program's own library is still empty
}

TEST_F(LibraryCli, HostileTrackNameIsJustAName) {
    ASSERT_EQ(Run("add '" + test::ShippedDir() + "/Raw/demo.bnx4'").status, 0);
    const std::string name = "'; DROP TABLE sessions; --";
    {
        SessionLibrary library;
        ASSERT_EQ(library.Open(DefaultFile()).state, LibraryOpenState::Ok);
        ASSERT_TRUE(library.RenameTrack(1, name).ok);
    }
    const test::CliOutput sessions = Run("sessions \"" + name + "\"");
    ASSERT_EQ(sessions.status, 0) << sessions.err;
    EXPECT_EQ(sessions.lines.size(), 2u);
    const test::CliOutput tracks = Run("tracks");
    ASSERT_EQ(tracks.lines.size(), 2u);
    EXPECT_EQ(tracks.lines[1].rfind("1,'; DROP TABLE sessions; --,1,", 0), 0u) << tracks.lines[1];
}

TEST_F(LibraryCli, WrongUseAndMissingThingsAreTold) {
    struct Case {
        std::string args;
        int status;
    };
    const Case cases[] = {
        {"", 2},
        {"frobnicate", 2},
        {"add", 2},
        {"sessions", 2},
        {"sessions demo --from 2024-13-01", 2},
        {"tracks extra", 2},
        {"sessions nowhere", 1},
        {"add '" + (dir / "nothing.bnx4").string() + "'", 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args);
        const test::CliOutput r = Run(c.args);
        EXPECT_EQ(r.status, c.status);
        EXPECT_FALSE(r.err.empty());
    }
}

}  // namespace
}  // namespace qv
