#include "laps/find_sector_gates.h"

#include <gtest/gtest.h>

#include "core/atomic_file.h"
#include "geometry/straight_lap.h"
#include "support/scripted_chooser.h"
#include "support/scripted_prompter.h"
#include "support/temp_dir.h"

namespace qv {
namespace {

using test::NorthLap;
using test::ScriptedChooser;
using test::SlotLap;

struct FindFixture {
    test::TempDir dir;
    std::vector<TLapDtRec> slots{SlotLap(NorthLap(5, 1.0))};
    std::vector<TPthClnDat> index;
    GateTable gates;
    int align = 2;
    Folders folders;
    test::ScriptedPrompter prompter;
    ScriptedChooser chooser;

    // A sector file with `count` gates whose point lies `kmNorth` north of
    // the lap's start (a degree of latitude is about 111 km).
    void AddFile(const std::string& name, Float80 kmNorth, int count) {
        std::string text;
        for (int k = 0; k < count; ++k)
            text += "35.000100,138.999900,35.000100,139.000100," + std::to_string(k + 1) + "\r\n";
        const std::filesystem::path path = dir / (name + ".sci");
        ASSERT_TRUE(WriteFileAtomically(path, text).ok);
        TPthClnDat entry;
        entry.FilePath = path.string();
        entry.FileName = name;
        entry.ido = test::kLat0 + kmNorth / 111.13L;
        entry.kdo = test::kLon0;
        index.push_back(entry);
    }

    FindSectOutcome Run(bool playing = false) {
        return FindSectGates(slots, index, gates, align, folders, prompter, chooser, playing);
    }
};

TEST(FindSectGates, NothingNearbyIsReported) {
    FindFixture f;
    f.AddFile("far", 6.0, 2);
    f.gates.SectCount = 1;
    EXPECT_EQ(f.Run(), FindSectOutcome::NotFound);
    ASSERT_EQ(f.prompter.Messages().size(), 1u);
    EXPECT_EQ(f.prompter.Messages()[0], "Sector not found.");
    EXPECT_EQ(f.gates.SectCount, 1);
    EXPECT_EQ(f.align, 2);
}

TEST(FindSectGates, OneCandidateIsLoadedDirectly) {
    FindFixture f;
    f.AddFile("near", 4.0, 3);
    f.AddFile("far", 7.0, 1);
    EXPECT_EQ(f.Run(), FindSectOutcome::Loaded);
    EXPECT_FALSE(f.chooser.seen.has_value());
    EXPECT_EQ(f.gates.SectCount, 3);
    EXPECT_EQ(f.align, 0);
    EXPECT_EQ(f.folders.sectorFolder, f.dir.path());
    EXPECT_TRUE(f.prompter.shown.empty());
}

TEST(FindSectGates, SeveralCandidatesAreChosenFromTheSectorListOnly) {
    FindFixture f;
    f.AddFile("two", 2.0, 2);
    f.AddFile("one", 1.0, 1);
    f.chooser.answer = CircuitChoice{};
    f.chooser.answer->sectorGates = 1;
    EXPECT_EQ(f.Run(), FindSectOutcome::Loaded);
    ASSERT_TRUE(f.chooser.seen.has_value());
    EXPECT_TRUE(f.chooser.seen->trackMaps.empty());
    EXPECT_TRUE(f.chooser.seen->controlLines.empty());
    ASSERT_EQ(f.chooser.seen->sectorGates.size(), 2u);
    EXPECT_EQ(f.chooser.seen->sectorGates[0].Name, "one");  // nearest first
    EXPECT_EQ(f.gates.SectCount, 2);

    f.gates.SectCount = 0;
    f.align = 1;
    f.chooser.answer->sectorGates.reset();  // "-- NONE --"
    EXPECT_EQ(f.Run(), FindSectOutcome::Cancelled);
    f.chooser.answer.reset();
    EXPECT_EQ(f.Run(), FindSectOutcome::Cancelled);
    EXPECT_EQ(f.gates.SectCount, 0);
    EXPECT_EQ(f.align, 1);
}

TEST(FindSectGates, NeedsAReferenceLapAndAFileOnDisk) {
    FindFixture f;
    f.AddFile("near", 1.0, 2);
    EXPECT_EQ(f.Run(true), FindSectOutcome::NotRun);
    f.slots[0] = SlotLap({});
    EXPECT_EQ(f.Run(), FindSectOutcome::NotRun);
    f.slots.clear();
    EXPECT_EQ(f.Run(), FindSectOutcome::NotRun);

    f.slots.push_back(SlotLap(NorthLap(5, 1.0)));
    std::filesystem::remove(f.index[0].FilePath);
    EXPECT_EQ(f.Run(), FindSectOutcome::Missing);
    EXPECT_EQ(f.gates.SectCount, 0);
    EXPECT_EQ(f.align, 2);
    EXPECT_TRUE(f.prompter.shown.empty());
}

}  // namespace
}  // namespace qv
