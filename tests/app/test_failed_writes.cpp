// Every file the program writes, on a disk that fills up part way through
// the write: the previous file stays as it was, no scratch file is left,
// the user is told the platform's message (or, for the silent start-up
// copies, nothing), and the same command works once there is room again.

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <functional>
#include <ostream>
#include <memory>
#include <string>
#include <vector>

#include "app/analysis.h"
#include "app/graph_picture.h"
#include "app/kml_command.h"
#include "app/session_lifetime.h"
#include "app/startup.h"
#include "app/step_runner.h"
#include "core/display_format.h"
#include "device/download_save.h"
#include "dynamics/sector_extract.h"
#include "exchange/lap_csv.h"
#include "exchange/nmea_export.h"
#include "exchange/png_writer.h"
#include "geometry/gate_editing.h"
#include "laps/cln_file.h"
#include "laps/lap_extraction.h"
#include "laps/lap_file.h"
#include "laps/lap_file_io.h"
#include "laps/lap_save.h"
#include "laps/log_block_rules.h"
#include "laps/track_map_commands.h"
#include "support/child_run.h"
#include "support/scripted_prompter.h"
#include "support/temp_dir.h"
#include "synth/circuit_files.h"
#include "synth/drive.h"
#include "synth/drive_log.h"
#include "synth/flash_images.h"

namespace qv {
namespace {

namespace fs = std::filesystem;
using test::ReadText;
using test::WriteText;

constexpr TDateTime kBase = 25569.0;
constexpr const char* kMissing = "<missing>";

// Three laps of the demo circuit with two sector gates and a track map, the
// first two laps in slots A and B; the program's folders under one scratch
// folder.
class WriterFixture {
  public:
    WriterFixture() : session(std::make_unique<Session>(kBase)) {
        session->folders.TempFolder = dir / "temp";
        fs::create_directories(dir / "temp");
        fs::create_directories(dir / "out");
        session->settings.MinLapDist = 0.25;
        const synth::Circuit circuit = synth::DemoCircuit();
        synth::DriveOptions options;
        options.laps = 3;
        synth::LoadDriveIntoLog(synth::SynthesizeDrive(circuit, options), session->log, kBase);
        session->lines = synth::CircuitControlLine(circuit);
        session->gates = synth::CircuitGates(circuit, 2);
        session->trackMap = synth::CircuitTrackMap(circuit);
        ExtractLaps(*session);
        RefreshLapList(*session);
        ShowLapInSlot(*session, 1);
        ShowLapInSlot(*session, 2);
        RunSteps(*session, {{StepKind::kCalcSectors}}, nullptr);
        sources.dataDirOverride = (dir / "data").string();
        sources.documentsOverride = (dir / "docs").string();
        sources.shippedOverride = (dir / "shipped").string();
    }

    fs::path Out(const std::string& name) const { return dir / "out" / name; }

    // The save dialog answers `target`, and a replace question Yes.
    void Answer(const fs::path& target) {
        prompter.shown.clear();
        prompter.files = {target.string()};
        prompter.answers = {true, true};
    }

    // The error messages shown, then `windowTells` (what the window shows
    // of a returned error) when there is one.
    std::vector<std::string> Told(const std::string& windowTells = "") const {
        std::vector<std::string> told;
        for (const auto& s : prompter.shown) {
            if (s.kind == "inform" && s.icon == MessageIcon::Error)
                told.push_back(s.text);
        }
        if (!windowTells.empty())
            told.push_back(windowTells);
        return told;
    }

    test::TempDir dir;
    std::unique_ptr<Session> session;
    test::ScriptedPrompter prompter;
    FolderSources sources;
};

struct WriterCase {
    const char* name;
    std::function<fs::path(WriterFixture&)> target;
    std::string previous;  // the target's content beforehand; empty: no file
    std::function<std::vector<std::string>(WriterFixture&, const fs::path&)> run;
    bool told = true;  // false: a silent start-up copy
    std::function<void(WriterFixture&)> prepare = nullptr;
};

// Test logs name the case instead of dumping its bytes.
void PrintTo(const WriterCase& c, std::ostream* out) {
    *out << c.name;
}

// Every regular file below `folder` with its content.
std::string FilesBelow(const fs::path& folder) {
    std::vector<std::string> files;
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
        if (entry.is_regular_file())
            files.push_back(fs::relative(entry.path(), folder).string() + "=" +
                            ReadText(entry.path()));
    }
    std::sort(files.begin(), files.end());
    std::string text;
    for (const std::string& f : files)
        text += f + "\n";
    return text;
}

std::string ContentOrMissing(const fs::path& path) {
    return fs::exists(path) ? ReadText(path) : std::string(kMissing);
}

std::string Joined(const std::vector<std::string>& texts) {
    std::string joined;
    for (const std::string& t : texts)
        joined += t + "\n";
    return joined;
}

FolderTree TreeOf(const WriterFixture& f) {
    return ResolveFolderTree(f.sources).tree;
}

const std::vector<WriterCase>& Cases() {
    static const std::vector<WriterCase> cases = {
        {"RawLog", [](WriterFixture& f) { return f.Out("QV4_log.bnx4"); }, "previous raw log",
         [](WriterFixture& f, const fs::path& target) {
             const synth::FlashImage image = synth::MakeQv4FlashImage();
             std::copy(image.bytes.begin(), image.bytes.end(), f.session->RawLogBuf.data());
             f.Answer(target);
             const DownloadSaveResult r =
                 FinishDownload(*f.session, f.prompter, LoggerModel::QV4,
                                StrFormat("%zX", image.usedBytes), kBase + 19000);
             return f.Told(r.error);  // the device page shows it
         }},
        {"LapDataFile", [](WriterFixture& f) { return f.Out("lap.dtb"); }, "previous lap",
         [](WriterFixture& f, const fs::path& target) {
             f.Answer(target);
             return f.Told(SpeedButtonSvRunClick(*f.session, f.prompter, {1, true}).error);
         }},
        {"AllLapDataFiles",
         [](WriterFixture& f) {
             return f.Out(ProposedLapFileName(f.session->laps.LapRows.front()));
         },
         "previous lap",
         [](WriterFixture& f, const fs::path&) {
             f.Answer(f.Out("any.dtb"));
             return f.Told(SpeedButtonSvAllRunClick(*f.session, f.prompter).error);
         }},
        {"SectorLapFile", [](WriterFixture& f) { return f.Out("sector.dtb"); }, "previous sector",
         [](WriterFixture& f, const fs::path& target) {
             f.Answer(target);
             Session& s = *f.session;
             const DetailTables tables = SetSectGrid(SlotReadouts(s), s.gates.UsedCount());
             ExtractSectorLap(s, s.sectRes, tables, DetailTableKind::Sector, 0, 1, f.prompter);
             return f.Told();
         }},
        {"LogSelection", [](WriterFixture& f) { return f.Out("selection.dtb"); },
         "previous selection",
         [](WriterFixture& f, const fs::path& target) {
             f.Answer(target);
             // The log-block dialog shows the returned error.
             return f.Told(SaveRecord(f.session->log, f.prompter, f.session->folders).error);
         }},
        {"TempLapFileOfExtraction", [](WriterFixture& f) { return f.dir / "temp/temp0003.dtb"; },
         "",
         [](WriterFixture& f, const fs::path&) {
             f.prompter.shown.clear();
             return f.Told(ExtractLaps(*f.session).error);
         }},
        {"TempLapFileOfDroppedFile", [](WriterFixture& f) { return f.dir / "temp/temp0003.dtb"; },
         "",
         [](WriterFixture& f, const fs::path&) {
             f.prompter.shown.clear();
             return f.Told(LoadLapFileToGrigBin(*f.session, f.dir / "dropped.dtb").error);
         },
         true,
         [](WriterFixture& f) {
             fs::copy_file(TempLapFilePath(f.session->folders, 0), f.dir / "dropped.dtb");
         }},
        {"SectorGates", [](WriterFixture& f) { return f.Out("gates.sci"); }, "previous gates",
         [](WriterFixture& f, const fs::path& target) {
             f.Answer(target);
             SaveSectGates(f.session->gates, f.session->folders.sectorFolder, f.prompter);
             return f.Told();
         }},
        {"ControlLine", [](WriterFixture& f) { return f.Out("line.cln"); }, "previous line",
         [](WriterFixture& f, const fs::path& target) {
             f.Answer(target);
             SaveControlLine(f.prompter, f.session->lines, f.session->folders);
             return f.Told();
         }},
        {"TrackMap", [](WriterFixture& f) { return f.Out("map.pth"); }, "previous map",
         [](WriterFixture& f, const fs::path& target) {
             f.Answer(target);
             return f.Told(SaveTrackMap(f.session->trackMap, f.session->folders, f.prompter).error);
         }},
        {"GeneratedTrackMap", [](WriterFixture& f) { return f.Out("generated.pth"); },
         "previous map",
         [](WriterFixture& f, const fs::path& target) {
             f.Answer(target);
             return f.Told(
                 GenerateTrackMap(f.session->laps.LapDt, f.session->folders, f.prompter).error);
         }},
        {"LapCsv", [](WriterFixture& f) { return f.Out("lap.csv"); }, "previous csv",
         [](WriterFixture& f, const fs::path& target) {
             f.Answer(target);
             SpeedButtonCsv2Click(*f.session, f.prompter, 1, true, false);
             return f.Told();
         }},
        {"ListCsv", [](WriterFixture& f) { return f.Out("list.csv"); }, "previous csv",
         [](WriterFixture& f, const fs::path& target) {
             f.Answer(target);
             SpeedButtonCsvClick(*f.session, f.prompter, 1);
             return f.Told();
         }},
        {"Kml", [](WriterFixture& f) { return f.Out("laps.kml"); }, "previous kml",
         [](WriterFixture& f, const fs::path& target) {
             f.Answer(target);
             SpeedButtonGoogleEarthClick(*f.session, f.prompter);
             return f.Told();
         }},
        {"Nmea", [](WriterFixture& f) { return f.Out("lap.nmea"); }, "previous nmea",
         [](WriterFixture& f, const fs::path& target) {
             f.Answer(target);
             NmeaExportState state;
             SpeedButtonNMEAClick(*f.session, f.prompter, state, 1, true);
             return f.Told();
         }},
        {"GraphPicture", [](WriterFixture& f) { return f.Out("graph.png"); }, "previous png",
         [](WriterFixture& f, const fs::path& target) {
             f.Answer(target);
             const std::optional<fs::path> path = ChooseGraphPicturePath(*f.session, f.prompter);
             if (!path)
                 return std::vector<std::string>{"no path"};
             const std::vector<uint8_t> white(32 * 32 * 4, 0xFF);
             // The graph page shows the returned error.
             return f.Told(
                 WritePngFile(*path, {32, 32, 32 * 4, PixelLayout::kRgba, white.data()}).error);
         }},
        {"SettingsAtShutdown", [](WriterFixture& f) { return f.dir / "data/quorvane.ini"; },
         "22.5\r\n",
         [](WriterFixture& f, const fs::path&) {
             f.prompter.shown.clear();
             StartupResult startup;
             startup.tree = TreeOf(f);
             ShutDownSession(*f.session, startup, {}, f.prompter);
             return f.Told();
         }},
        {"DefaultSettingsAtStartUp", [](WriterFixture& f) { return f.dir / "data/quorvane.ini"; },
         "",
         [](WriterFixture& f, const fs::path&) {
             f.prompter.shown.clear();
             StartUp(f.sources, f.session->settings, f.session->folders, f.prompter);
             return f.Told();
         }},
        {"SettingsMovedAtStartUp", [](WriterFixture& f) { return f.dir / "data/quorvane.ini"; },
         "22.5\r\n",
         [](WriterFixture& f, const fs::path&) {
             f.prompter.shown.clear();
             StartUp(f.sources, f.session->settings, f.session->folders, f.prompter);
             return f.Told();
         },
         true,
         [](WriterFixture& f) {
             WriteText(f.dir / "docs/Quorvane/quorvane.ini", "7.5\r\n0.300\r\n8.0\r\n");
         }},
        {"VersionMarker", [](WriterFixture& f) { return f.dir / "data/quorvver.txt"; },
         "Ver 4.6.9\r\n",
         [](WriterFixture& f, const fs::path& target) {
             f.prompter.shown.clear();
             WriteVersionMarker(target);
             return f.Told();
         },
         false},
        {"ShippedCopy", [](WriterFixture& f) { return f.dir / "docs/Quorvane/Circuit/track.pth"; },
         "the user's edit",
         [](WriterFixture& f, const fs::path&) {
             f.prompter.shown.clear();
             CopyShippedFolders(TreeOf(f), true);
             return f.Told();
         },
         false,
         [](WriterFixture& f) {
             WriteText(f.dir / "shipped/Circuit/track.pth", "the shipped track map, version 2");
         }},
    };
    return cases;
}

class FailedWriteTest : public ::testing::TestWithParam<WriterCase> {};

TEST_P(FailedWriteTest, KeepsThePreviousFileTellsAndWorksAgain) {
    const WriterCase& c = GetParam();
    WriterFixture f;
    if (c.prepare)
        c.prepare(f);
    const fs::path target = c.target(f);
    if (!c.previous.empty())
        WriteText(target, c.previous);
    const std::string filesBefore = FilesBelow(f.dir.path());

    // Long enough for no file the program writes: each write stops part way.
    const test::ChildRun run = test::RunInChild([&] {
        test::LimitFileSize(8);
        std::vector<std::string> fields;
        fields.push_back(Joined(c.run(f, target)));
        test::LiftFileSizeLimit();
        fields.push_back(FilesBelow(f.dir.path()));
        fields.push_back(Joined(c.run(f, target)));
        fields.push_back(ContentOrMissing(target));
        return fields;
    });
    ASSERT_TRUE(run.exitedNormally);
    ASSERT_EQ(run.fields.size(), 4u);
    const std::string fileTooLarge = std::strerror(EFBIG);
    if (c.told) {
        const std::string& told = run.fields[0];
        EXPECT_EQ(std::count(told.begin(), told.end(), '\n'), 1) << told;
        EXPECT_NE(told.find(fileTooLarge + "\n"), std::string::npos) << told;
    } else {
        EXPECT_EQ(run.fields[0], "");
    }
    EXPECT_EQ(run.fields[1], filesBefore);  // nothing replaced, nothing left behind
    // With room again, the same session writes the file.
    EXPECT_EQ(run.fields[2], "");
    EXPECT_NE(run.fields[3], kMissing);
    EXPECT_NE(run.fields[3], c.previous);
}

INSTANTIATE_TEST_SUITE_P(Writers, FailedWriteTest, ::testing::ValuesIn(Cases()),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace qv
