#include "decode/file_kinds.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

#include "core/text_utils.h"

namespace qv {
namespace {

TEST(FileKindsTest, DialogFiltersAreTheTextsTheUserSees) {
    EXPECT_EQ(OpenLogFilter(),
              "Quorvane GPS data files or Record files|*.bnx4;*.binx;*.bin;*.dtb;*.bon4;*.bon;"
              "*.bnz4;*.bonz;*.nmea;*.txt;*.log;*.gpx;*.vbo|Quorvane4 GPS data files|*.bnx4"
              "|Quorvane3 GPS data files|*.binx"
              "|Quorvane GPS data files|*.bin|Quorvane Record files|*.dtb"
              "|Quorvane GPS ble files|*.bon4;*.bon|Quorvane GPS ble Z files|*.bnz4;*.bonz"
              "|Other GPS logs (NMEA, GPX, VBO)|*.nmea;*.txt;*.log;*.gpx;*.vbo");
    EXPECT_EQ(LoadLapFilter(), "Quorvane Data files|*.dtb;*.bon;*.bonz");
}

TEST(FileKindsTest, EveryRowIsFoundByItsExtension) {
    std::set<LogFileKind> logKinds;
    for (const FileKind& kind : FileKinds()) {
        const std::string lower = "run." + std::string(kind.extension);
        const std::string upper = UpperCase(lower);
        SCOPED_TRACE(lower);
        EXPECT_EQ(FindFileKind("." + std::string(kind.extension)), &kind);
        EXPECT_EQ(LogFileKindOf(upper), kind.logKind);
        std::string mixed = lower;  // "run.Bnx4", as a camera or a phone names files
        mixed[4] = UpperCase(mixed.substr(4, 1))[0];
        EXPECT_EQ(LogFileKindOf(mixed), kind.logKind);
        EXPECT_EQ(FindFileKind(mixed.substr(3)), &kind);
        EXPECT_EQ(LapListLoadOf(lower), kind.lapListLoad);
        EXPECT_EQ(LapListLoadOf(upper),
                  kind.lapListExactCase ? LapListLoad::LapDataFile : kind.lapListLoad);
        if (kind.logKind == LogFileKind::Unknown)
            continue;
        // A log kind has one row, a reader, an entry in the open dialog and
        // a line for `info`.
        EXPECT_TRUE(logKinds.insert(kind.logKind).second);
        EXPECT_EQ(FindLogFileKind(kind.logKind), &kind);
        EXPECT_EQ(LogFileKindName(kind.logKind), kind.extension);
        EXPECT_NE(kind.readLog, nullptr);
        EXPECT_FALSE(kind.openLogFilterEntry.empty());
        EXPECT_FALSE(kind.description.empty());
    }
    EXPECT_EQ(logKinds.size(), 13u);
    EXPECT_EQ(FindLogFileKind(LogFileKind::Unknown), nullptr);
    EXPECT_EQ(LapListLoadOf("lap.txt"), LapListLoad::LapDataFile);
    EXPECT_EQ(LapListLoadOf("a/.csv"), LapListLoad::LapDataFile);
}

}  // namespace
}  // namespace qv
