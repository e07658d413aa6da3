#include "app/kml_command.h"
#include "app/session.h"
#include "exchange/kml_export.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <memory>

#include "laps/lap_file.h"
#include "support/scripted_prompter.h"
#include "support/temp_dir.h"
#include "support/test_paths.h"

namespace qv {
namespace {

TLapElmRec Sample(double lat, double lon, double elv) {
    TLapElmRec s;
    s.Ido = lat;
    s.Kdo = lon;
    s.Elv = elv;
    return s;
}

TLapDtRec Lap(const std::string& name, std::vector<TLapElmRec> samples) {
    TLapDtRec lap;
    lap.DtName = name;
    lap.Elm = std::move(samples);
    lap.ElmNum = static_cast<int32_t>(lap.Elm.size());
    return lap;
}

std::string Folder(const std::string& name, const std::string& colour, const std::string& coords) {
    return "<Folder>\r\n<name>\r\n" + name +
           "\r\n</name>\r\n<Placemark>\r\n<Style>\r\n<LineStyle>\r\n<color>" + colour +
           "</color>\r\n<width>4</width>\r\n</LineStyle>\r\n</Style>\r\n<LineString>\r\n"
           "<tessellate>1</tessellate>\r\n<coordinates>\r\n" +
           coords + "</coordinates>\r\n</LineString>\r\n</Placemark>\r\n</Folder>\r\n";
}

const std::string kHead =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n"
    "<kml xmlns=\"http://www.opengis.net/kml/2.2\">\r\n<Document>\r\n<name>\r\n";
const std::string kTail = "</Document>\r\n</kml>\r\n";

// xmllint against the OGC schema, offline.
bool ValidKml(const std::string& text) {
    test::TempDir dir;
    const std::filesystem::path file = dir / "trace.kml";
    std::ofstream(file, std::ios::binary) << text;
    const std::string command = "xmllint --nonet --noout --schema '" + test::TestDataDir() +
                                "/kml22/ogckml22.xsd' '" + file.string() + "' >'" +
                                (dir / "log").string() + "' 2>&1";
    const int status = std::system(command.c_str());
    if (status != 0) {
        std::ifstream log(dir / "log");
        ADD_FAILURE() << std::string(std::istreambuf_iterator<char>(log), {});
    }
    return status == 0;
}

TEST(KmlTextTest, OneLapByteForByte) {
    const TLapDtRec a = Lap("0003", {Sample(35.5, 139.75, 12.9), Sample(-33.25, -70.125, -3.7)});
    const std::string text = KmlText("Suzuka", {&a, nullptr, nullptr, nullptr});
    EXPECT_EQ(text, kHead + "Suzuka\r\n</name>\r\n" +
                        Folder("0003", "af0000ff",
                               "139.7500000,35.5000000,12\r\n-70.1250000,-33.2500000,-3\r\n") +
                        kTail);
    EXPECT_TRUE(ValidKml(text));
}

TEST(KmlTextTest, SlotsAAndCGiveTwoFoldersRedThenTeal) {
    const TLapDtRec a = Lap("0001", {Sample(35, 139, 0)});
    const TLapDtRec c = Lap("0002", {Sample(35.1, 139.1, 1)});
    const std::string text = KmlText("x", {&a, nullptr, &c, nullptr});
    EXPECT_EQ(text, kHead + "x\r\n</name>\r\n" +
                        Folder("0001", "af0000ff", "139.0000000,35.0000000,0\r\n") +
                        Folder("0002", "af808000", "139.1000000,35.1000000,1\r\n") + kTail);
    EXPECT_TRUE(ValidKml(text));
}

TEST(KmlTextTest, SlotColoursAreAlphaBlueGreenRed) {
    EXPECT_EQ(KmlColour(0), "af0000ff");
    EXPECT_EQ(KmlColour(1), "afff0000");
    EXPECT_EQ(KmlColour(2), "af808000");
    EXPECT_EQ(KmlColour(3), "af008080");
}

TEST(KmlTextTest, DocumentNameIsUtf8OfItsUnits) {
    EXPECT_EQ(KmlDocumentName("caf\xC3\xA9"), "caf\xC3\xA9");      // é = 233: bytes 195, 169
    EXPECT_EQ(KmlDocumentName("\xE9t\xE9"), "\xC3\xA9t\xC3\xA9");  // not UTF-8: bytes as characters
    EXPECT_EQ(KmlDocumentName("\xE3\x82\xB9"), "\xE3\x82\xB9");    // ス, three bytes
    EXPECT_EQ(KmlDocumentName("\xF0\x9F\x8F\x81"), "\xF0\x9F\x8F\x81");
    EXPECT_EQ(KmlDocumentName(""), "");
}

TEST(KmlTextTest, EveryKindWeWriteIsValidKml) {
    const TLapDtRec empty = Lap("", {});
    const TLapDtRec odd = Lap("a&b <c>", {Sample(0, 0, 1e12), Sample(-90, 180, -1e12)});
    const TLapDtRec one = Lap("0009", {Sample(89.9999999, -179.9999999, 8848.9)});
    EXPECT_TRUE(ValidKml(KmlText("", {&empty, nullptr, nullptr, nullptr})));
    EXPECT_TRUE(
        ValidKml(KmlText(KmlDocumentName("R&D <\xC3\xA9t\xC3\xA9>"), {&odd, &one, &empty, &one})));
    EXPECT_TRUE(ValidKml(KmlText("none", {nullptr, nullptr, nullptr, nullptr})));
    const std::string escaped = KmlText("R&D", {&odd, nullptr, nullptr, nullptr});
    EXPECT_NE(escaped.find("\r\nR&amp;D\r\n"), std::string::npos);
    EXPECT_NE(escaped.find("\r\na&amp;b &lt;c&gt;\r\n"), std::string::npos);
}

class KmlCommandTest : public ::testing::Test {
  protected:
    KmlCommandTest() : session(std::make_unique<Session>(25569.0)) {
        session->folders.csvFolder = "/start";
    }
    test::TempDir dir;
    std::unique_ptr<Session> session;
    test::ScriptedPrompter prompter;
};

TEST_F(KmlCommandTest, NothingWithoutALapInSlotA) {
    const KmlSaveResult r = SpeedButtonGoogleEarthClick(*session, prompter);
    EXPECT_FALSE(r.written);
    EXPECT_TRUE(prompter.shown.empty());
}

TEST_F(KmlCommandTest, WritesTheSlotsAndRemembersTheFolder) {
    session->laps.LapDt.push_back(Lap("0000", {Sample(35, 139, 5)}));
    session->laps.LapDt.push_back(Lap("0001", {Sample(35, 139, 5)}));
    prompter.files.push_back((dir / "trace.txt").string());
    const KmlSaveResult r = SpeedButtonGoogleEarthClick(*session, prompter);
    ASSERT_TRUE(r.written) << r.error;
    EXPECT_EQ(r.path, dir / "trace.kml");
    ASSERT_EQ(prompter.shown.size(), 1u);
    EXPECT_EQ(prompter.shown[0].request.title, "Save trace as KML file");
    EXPECT_EQ(prompter.shown[0].request.filter, "KLM files|*.kml");
    EXPECT_EQ(prompter.shown[0].request.initialFolder, "/start");
    EXPECT_EQ(prompter.shown[0].request.proposedName, "");
    EXPECT_EQ(session->folders.csvFolder, dir.path());
    EXPECT_FALSE(session->presentation.dialogOpen);
    const std::vector<uint8_t> bytes = test::ReadBytes(r.path);
    const std::string text(bytes.begin(), bytes.end());
    EXPECT_EQ(text, KmlText("trace", OccupiedSlots(session->laps)));
    EXPECT_NE(text.find("afff0000"), std::string::npos);
}

TEST_F(KmlCommandTest, ReplaceAnsweredNoKeepsTheOldFile) {
    session->laps.LapDt.push_back(Lap("0000", {Sample(35, 139, 5)}));
    test::WriteBytes(dir / "old.kml", {'o', 'l', 'd'});
    prompter.files.push_back((dir / "old.kml").string());
    prompter.answers.push_back(false);
    EXPECT_FALSE(SpeedButtonGoogleEarthClick(*session, prompter).written);
    EXPECT_EQ(prompter.Messages(),
              std::vector<std::string>{(dir / "old.kml").string() +
                                       " already exists.\rDo you want to replace it ?"});
    EXPECT_EQ(test::ReadBytes(dir / "old.kml"), (std::vector<uint8_t>{'o', 'l', 'd'}));
    EXPECT_FALSE(session->presentation.dialogOpen);
}

TEST_F(KmlCommandTest, UnwritableFolderGivesThePlatformMessage) {
    session->laps.LapDt.push_back(Lap("0000", {Sample(35, 139, 5)}));
    prompter.files.push_back((dir / "no" / "such" / "t.kml").string());
    const KmlSaveResult r = SpeedButtonGoogleEarthClick(*session, prompter);
    EXPECT_FALSE(r.written);
    EXPECT_EQ(r.error, "No such file or directory");
    EXPECT_EQ(prompter.Messages(), std::vector<std::string>{"No such file or directory"});
}

}  // namespace
}  // namespace qv
