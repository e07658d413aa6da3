#include "app/settings_file.h"
#include "app/window_language.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/text_file.h"
#include "support/temp_dir.h"

namespace qv {
namespace {

namespace fs = std::filesystem;
using test::ReadText;
using test::TempDir;
using test::WriteText;

constexpr const char* kDefaultText = "15.0\r\n0.200\r\n8.0\r\n0\r\n0\r\n1\r\n0\r\n4\r\n0\r\n";

void ExpectDefaults(const Settings& s) {
    const Settings d;
    EXPECT_EQ(s.sectorGateHalfLength, d.sectorGateHalfLength);
    EXPECT_EQ(s.MinLapDist, d.MinLapDist);
    EXPECT_EQ(s.MinLapTime, d.MinLapTime);
    EXPECT_TRUE(s.SpeedInKmh);
    EXPECT_TRUE(s.DistInKm);
    EXPECT_TRUE(s.diffTimeGraphShown);
    EXPECT_FALSE(s.elevationGraphShown);
    EXPECT_FALSE(s.driftGraphShown);
    EXPECT_EQ(s.MinSatNum, 4);
}

TEST(SettingsLines, DefaultsAreWrittenAsTheNineDefaultLines) {
    EXPECT_EQ(FormatSettingsText(Settings{}), kDefaultText);
    ExpectDefaults(ParseSettingsLines({"15.0", "0.2", "8.0", "0", "0", "1", "0", "4", "0"}));
}

TEST(SettingsLines, AllNineLinesAreRead) {
    const Settings s = ParseSettingsLines({"12.5", "1.234", "30.5", "0", "0", "0", "1", "7", "1"});
    EXPECT_DOUBLE_EQ(s.sectorGateHalfLength, 12.5);
    EXPECT_DOUBLE_EQ(s.MinLapDist, 1.234);
    EXPECT_DOUBLE_EQ(s.MinLapTime, 30.5);
    EXPECT_FALSE(s.diffTimeGraphShown);
    EXPECT_TRUE(s.elevationGraphShown);
    EXPECT_EQ(s.MinSatNum, 7);
    EXPECT_TRUE(s.driftGraphShown);
}

TEST(SettingsLines, MissingLinesKeepTheirDefaults) {
    const Settings three = ParseSettingsLines({"20.0", "0.5", "12.0"});
    EXPECT_DOUBLE_EQ(three.sectorGateHalfLength, 20.0);
    EXPECT_DOUBLE_EQ(three.MinLapDist, 0.5);
    EXPECT_DOUBLE_EQ(three.MinLapTime, 12.0);
    Settings rest = three;
    rest.sectorGateHalfLength = 15.0;
    rest.MinLapDist = 0.2;
    rest.MinLapTime = 8.0;
    ExpectDefaults(rest);

    ExpectDefaults(ParseSettingsLines({}));
    // Lines past the last known one are not settings.
    const Settings longer =
        ParseSettingsLines({"15.0", "0.2", "8.0", "0", "0", "1", "0", "4", "1", "junk", "0"});
    EXPECT_TRUE(longer.driftGraphShown);
}

TEST(SettingsLines, ValuesOutsideTheirRangeFallBackToTheDefault) {
    struct Case {
        std::string text;
        bool accepted;
    };
    const std::vector<Case> sector = {{"1", true},    {"30", true},    {"1.0", true},
                                      {"0.9", false}, {"30.1", false}, {"45", false},
                                      {"0", false},   {"-5", false},   {"abc", false},
                                      {"", false},    {"nan", false},  {"1e400", false}};
    for (const Case& c : sector) {
        const Settings s = ParseSettingsLines({c.text});
        EXPECT_DOUBLE_EQ(s.sectorGateHalfLength, c.accepted ? std::stod(c.text) : 15.0)
            << "line 1 \"" << c.text << "\"";
    }
    const std::vector<Case> dist = {{"0.001", true},   {"9.999", true}, {"0", false},
                                    {"0.0009", false}, {"10", false},   {"x", false}};
    for (const Case& c : dist) {
        const Settings s = ParseSettingsLines({"15.0", c.text});
        EXPECT_DOUBLE_EQ(s.MinLapDist, c.accepted ? std::stod(c.text) : 0.2)
            << "line 2 \"" << c.text << "\"";
    }
    const std::vector<Case> time = {{"1", true},      {"99.9", true}, {"0.99", false},
                                    {"99.95", false}, {"100", false}, {"8,5", false}};
    for (const Case& c : time) {
        const Settings s = ParseSettingsLines({"15.0", "0.2", c.text});
        EXPECT_DOUBLE_EQ(s.MinLapTime, c.accepted ? std::stod(c.text) : 8.0)
            << "line 3 \"" << c.text << "\"";
    }
}

TEST(SettingsLines, OnlyAOneShowsAGraph) {
    for (const char* text : {"0", "2", "yes", "", "11", "-1", "1.0"}) {
        const Settings s =
            ParseSettingsLines({"15.0", "0.2", "8.0", "0", "0", text, text, "4", text});
        EXPECT_FALSE(s.diffTimeGraphShown) << '"' << text << '"';
        EXPECT_FALSE(s.elevationGraphShown) << '"' << text << '"';
        EXPECT_FALSE(s.driftGraphShown) << '"' << text << '"';
    }
    const Settings s = ParseSettingsLines({"15.0", "0.2", "8.0", "0", "0", "1", " 1", "4", "1 "});
    EXPECT_TRUE(s.diffTimeGraphShown);
    EXPECT_TRUE(s.elevationGraphShown);
    EXPECT_TRUE(s.driftGraphShown);
}

TEST(SettingsLines, OnlyAZeroTenthLineKeepsLogsOutOfTheLibrary) {
    const std::vector<std::string> nine{"15.0", "0.2", "8.0", "0", "0", "1", "0", "4", "0"};
    EXPECT_TRUE(ParseSettingsLines(nine).libraryAutoAdd);
    for (const auto& [text, on] : {std::pair{"0", false}, std::pair{" 0 ", false},
                                   std::pair{"1", true}, std::pair{"junk", true}}) {
        std::vector<std::string> lines = nine;
        lines.push_back(text);
        EXPECT_EQ(ParseSettingsLines(lines).libraryAutoAdd, on) << '"' << text << '"';
    }
    Settings off;
    off.libraryAutoAdd = false;
    EXPECT_EQ(FormatSettingsText(off), std::string(kDefaultText) + "0\r\n");
}

TEST(SettingsLines, AnEleventhLineForcesTheWindowLanguage) {
    const std::vector<std::string> ten{"15.0", "0.2", "8.0", "0", "0", "1", "0", "4", "0", "0"};
    struct Case {
        const char* line;
        WindowLanguage language;
    };
    for (const Case& c : {Case{"en", WindowLanguage::English},
                          Case{" ja\t", WindowLanguage::Japanese}, Case{"", WindowLanguage::System},
                          Case{"de", WindowLanguage::System}, Case{"EN", WindowLanguage::System}}) {
        std::vector<std::string> lines = ten;
        lines.push_back(c.line);
        const Settings s = ParseSettingsLines(lines);
        EXPECT_EQ(s.windowLanguage, c.language) << '"' << c.line << '"';
        EXPECT_FALSE(s.libraryAutoAdd) << '"' << c.line << '"';
    }
    EXPECT_EQ(ParseSettingsLines(ten).windowLanguage, WindowLanguage::System);

    // The tenth line is written as it reads when the eleventh must follow it.
    struct Written {
        WindowLanguage language;
        bool libraryAutoAdd;
        const char* tail;
    };
    for (const Written& w : {Written{WindowLanguage::System, true, ""},
                             Written{WindowLanguage::English, true, "1\r\nen\r\n"},
                             Written{WindowLanguage::Japanese, false, "0\r\nja\r\n"}}) {
        Settings s;
        s.windowLanguage = w.language;
        s.libraryAutoAdd = w.libraryAutoAdd;
        const std::string text = FormatSettingsText(s);
        EXPECT_EQ(text, std::string(kDefaultText) + w.tail);
        const Settings back = ParseSettingsLines(SplitTextLines(text));
        EXPECT_EQ(back.windowLanguage, w.language);
        EXPECT_EQ(back.libraryAutoAdd, w.libraryAutoAdd);
    }
}

TEST(WindowLanguage, OnlyAJapaneseLocaleOrTheJapaneseSettingKeepsTheSourceTexts) {
    struct Case {
        WindowLanguage setting;
        const char* locale;
        bool english;
    };
    const Case cases[] = {
        {WindowLanguage::System, "C.UTF-8", true},
        {WindowLanguage::System, "C", true},
        {WindowLanguage::System, "en_US.UTF-8", true},
        {WindowLanguage::System, "en_US", true},
        {WindowLanguage::System, "de_DE.UTF-8", true},
        {WindowLanguage::System, "de_DE@euro", true},
        {WindowLanguage::System, "ja_JP.UTF-8", false},
        {WindowLanguage::System, "ja_JP", false},
        {WindowLanguage::System, "ja", false},
        {WindowLanguage::System, "", true},
        {WindowLanguage::English, "ja_JP.UTF-8", true},
        {WindowLanguage::English, "C.UTF-8", true},
        {WindowLanguage::Japanese, "C.UTF-8", false},
        {WindowLanguage::Japanese, "en_US.UTF-8", false},
        {WindowLanguage::Japanese, "de_DE.UTF-8", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(UsesEnglishTranslation(c.setting, c.locale), c.english)
            << c.locale << " setting " << static_cast<int>(c.setting);
}

TEST(SettingsLines, MinimumSatellitesIsAnIntegerOrFour) {
    const auto sats = [](const std::string& text) {
        return ParseSettingsLines({"15.0", "0.2", "8.0", "0", "0", "1", "0", text}).MinSatNum;
    };
    EXPECT_EQ(sats("6"), 6);
    EXPECT_EQ(sats(" 12 "), 12);
    EXPECT_EQ(sats("0"), 0);
    EXPECT_EQ(sats("six"), 4);
    EXPECT_EQ(sats("6.5"), 4);
    EXPECT_EQ(sats(""), 4);
    EXPECT_EQ(sats("99999999999"), 4);
}

TEST(SettingsLines, WritingUsesTheFixedDecimalsAndReadsBackTheSame) {
    Settings s;
    s.sectorGateHalfLength = 7.25;
    s.MinLapDist = 1.5;
    s.MinLapTime = 42.0;
    s.diffTimeGraphShown = false;
    s.elevationGraphShown = true;
    s.MinSatNum = 9;
    s.driftGraphShown = true;
    const std::string text = FormatSettingsText(s);
    EXPECT_EQ(text, "7.2\r\n1.500\r\n42.0\r\n0\r\n0\r\n0\r\n1\r\n9\r\n1\r\n");

    // A value within its range never rounds to text that reads as outside it.
    const Settings edge = ParseSettingsLines({"29.99", "9.999", "99.9"});
    EXPECT_EQ(FormatSettingsText(ParseSettingsLines(SplitTextLines(FormatSettingsText(edge)))),
              FormatSettingsText(edge));
    EXPECT_EQ(FormatSettingsText(edge).substr(0, 19), "30.0\r\n9.999\r\n99.9\r\n");
}

TEST(SettingsFile, MissingOrEmptyFileIsReplacedByTheDefaults) {
    TempDir dir;
    const fs::path path = dir / "quorvane.ini";
    Settings s;
    s.MinLapTime = 50;
    s.MinSatNum = 11;
    SettingsLoad load = LoadSettingsFile(path, s);
    EXPECT_EQ(load.source, SettingsSource::DefaultsWritten);
    EXPECT_TRUE(load.error.empty());
    ExpectDefaults(s);
    EXPECT_EQ(ReadText(path), kDefaultText);

    WriteText(path, "");
    s.MinSatNum = 11;
    load = LoadSettingsFile(path, s);
    EXPECT_EQ(load.source, SettingsSource::DefaultsWritten);
    ExpectDefaults(s);
    EXPECT_EQ(ReadText(path), kDefaultText);
}

TEST(SettingsFile, AnExistingFileIsReadWithAnyLineEnds) {
    TempDir dir;
    const fs::path path = dir / "quorvane.ini";
    WriteText(path, "20.0\n0.350\n12.5\n0\n0\n0\n1\n5\n1\n");
    Settings s;
    const SettingsLoad load = LoadSettingsFile(path, s);
    EXPECT_EQ(load.source, SettingsSource::File);
    EXPECT_DOUBLE_EQ(s.sectorGateHalfLength, 20.0);
    EXPECT_DOUBLE_EQ(s.MinLapDist, 0.35);
    EXPECT_DOUBLE_EQ(s.MinLapTime, 12.5);
    EXPECT_FALSE(s.diffTimeGraphShown);
    EXPECT_TRUE(s.elevationGraphShown);
    EXPECT_EQ(s.MinSatNum, 5);
    EXPECT_TRUE(s.driftGraphShown);
    // Reading does not rewrite the file.
    EXPECT_EQ(ReadText(path), "20.0\n0.350\n12.5\n0\n0\n0\n1\n5\n1\n");
}

TEST(SettingsFile, AnUnreadableFileGivesDefaultsAndIsLeftAlone) {
    TempDir dir;
    const fs::path path = dir / "quorvane.ini";
    fs::create_directory(path);
    WriteText(path / "keep", "x");
    Settings s;
    s.MinSatNum = 11;
    const SettingsLoad load = LoadSettingsFile(path, s);
    EXPECT_EQ(load.source, SettingsSource::DefaultsOnly);
    EXPECT_FALSE(load.error.empty());
    ExpectDefaults(s);
    EXPECT_TRUE(fs::exists(path / "keep"));
}

TEST(SettingsMigration, MovesTheOldFileOverTheCurrentOne) {
    TempDir dir;
    const fs::path from = dir / "old.ini";
    const fs::path to = dir / "new.ini";
    WriteText(from, "20.0\r\n");
    WriteText(to, "10.0\r\n");
    const MigrationResult r = MigrateSettingsFile(from, to);
    EXPECT_TRUE(r.moved);
    EXPECT_TRUE(r.error.empty());
    EXPECT_FALSE(fs::exists(from));
    EXPECT_EQ(ReadText(to), "20.0\r\n");
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 1);

    const MigrationResult again = MigrateSettingsFile(from, to);  // nothing left to move
    EXPECT_FALSE(again.moved);
    EXPECT_TRUE(again.error.empty());
    EXPECT_EQ(ReadText(to), "20.0\r\n");
}

TEST(SettingsMigration, AFailedCopyKeepsTheOldFile) {
    TempDir dir;
    const fs::path from = dir / "old.ini";
    WriteText(from, "20.0\r\n");
    WriteText(dir / "plain", "not a folder");
    const MigrationResult r = MigrateSettingsFile(from, dir / "plain" / "new.ini");
    EXPECT_FALSE(r.moved);
    EXPECT_FALSE(r.error.empty());
    EXPECT_EQ(ReadText(from), "20.0\r\n");
}

TEST(ConfigDialog, ShowsTheSettingsAsTheUserEditsThem) {
    const ConfigTexts d = ConfigTextsFrom(Settings{});
    EXPECT_EQ(d.sectorLength, kDefaultSectorLengthText);
    EXPECT_EQ(d.lapLength, kDefaultLapLengthText);
    EXPECT_EQ(d.lapTime, kDefaultLapTimeText);

    Settings s;
    s.sectorGateHalfLength = 2.25;
    s.MinLapDist = 0.2005;  // fractions of a metre are dropped
    s.MinLapTime = 61.04;
    const ConfigTexts t = ConfigTextsFrom(s);
    EXPECT_EQ(t.sectorLength, "2.2");
    EXPECT_EQ(t.lapLength, "200");
    EXPECT_EQ(t.lapTime, "61.0");
}

TEST(ConfigDialog, EveryWholeMetreLapLengthSurvivesOkUnchanged) {
    // km x 1000 in binary falls a hair short for many lengths (2.01 km);
    // pressing OK without an edit must not shorten the setting.
    for (int metres = 1; metres <= 9999; ++metres) {
        Settings s;
        ConfigTexts texts = ConfigTextsFrom(s);
        texts.lapLength = std::to_string(metres);
        ASSERT_TRUE(AcceptConfigTexts(texts, s)) << metres;
        const ConfigTexts shown = ConfigTextsFrom(s);
        ASSERT_EQ(shown.lapLength, std::to_string(metres));
        ASSERT_EQ(FormatFixed(s.MinLapDist, 3), FormatFixed(metres / 1000.0, 3));
        Settings again = s;
        ASSERT_TRUE(AcceptConfigTexts(shown, again));
        ASSERT_EQ(again.MinLapDist, s.MinLapDist) << metres;
    }
}

TEST(ConfigDialog, OkTakesValuesOnlyWhenAllThreeAreInRange) {
    struct Case {
        ConfigTexts texts;
        bool accepted;
    };
    const std::vector<Case> cases = {
        {{"1.0", "1", "1.0"}, true},       {{"30", "9999", "99.9"}, true},
        {{" 12.5 ", "+450", "20"}, true},  {{"0.9", "200", "8.0"}, false},
        {{"30.1", "200", "8.0"}, false},   {{"abc", "200", "8.0"}, false},
        {{"15.0", "0", "8.0"}, false},     {{"15.0", "10000", "8.0"}, false},
        {{"15.0", "200.5", "8.0"}, false}, {{"15.0", "2e2", "8.0"}, false},
        {{"15.0", "", "8.0"}, false},      {{"15.0", "200", "0.5"}, false},
        {{"15.0", "200", "99.95"}, false}, {{"15.0", "200", "eight"}, false},
    };
    for (const Case& c : cases) {
        Settings s;
        s.MinSatNum = 6;
        s.driftGraphShown = true;
        const bool ok = AcceptConfigTexts(c.texts, s);
        EXPECT_EQ(ok, c.accepted) << c.texts.sectorLength << " / " << c.texts.lapLength << " / "
                                  << c.texts.lapTime;
        if (ok) {
            EXPECT_DOUBLE_EQ(s.sectorGateHalfLength, std::stod(c.texts.sectorLength));
            EXPECT_DOUBLE_EQ(s.MinLapDist, std::stoi(c.texts.lapLength) / 1000.0);
            EXPECT_DOUBLE_EQ(s.MinLapTime, std::stod(c.texts.lapTime));
        } else {
            EXPECT_EQ(s.sectorGateHalfLength, 15.0);
            EXPECT_EQ(s.MinLapDist, 0.2);
            EXPECT_EQ(s.MinLapTime, 8.0);
        }
        EXPECT_EQ(s.MinSatNum, 6);
        EXPECT_TRUE(s.driftGraphShown);
    }
}

}  // namespace
}  // namespace qv
