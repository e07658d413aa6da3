#include <gtest/gtest.h>

#include <QComboBox>
#include <QFileDialog>
#include <QRegularExpression>

#include "decode/file_kinds.h"
#include "ui/dialog_name_filters.h"
#include "ui/qt_prompter.h"
#include "video/video_commands.h"

namespace {

TEST(DialogNameFilters, EachLetterOfAPatternMatchesEitherCase) {
    const struct {
        const char* pattern;
        const char* blind;
    } cases[] = {
        {"*.mp4", "*.[mM][pP]4"},
        {"*.MP4", "*.[mM][pP]4"},
        {"*.3GP", "*.3[gG][pP]"},
        {"*.Dtb", "*.[dD][tT][bB]"},
        {"*.*", "*.*"},
        {"*", "*"},
        {"lap?.csv", "[lL][aA][pP]?.[cC][sS][vV]"},
        {"*.[bB]on", "*.[bB][oO][nN]"},
        {"[]x].a", "[]x].[aA]"},
        {"*.[", "*.["},
        {"*.\xc3\xa9t\xc3\xa9", "*.\xc3\xa9[tT]\xc3\xa9"},
        {"", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(qv::ui::CaseBlindPattern(c.pattern), c.blind) << c.pattern;
}

TEST(DialogNameFilters, TurnOurFiltersIntoQtNameFilters) {
    const struct {
        const char* filter;
        const char* qt;
    } cases[] = {
        {"CSV files|*.csv", "CSV files (*.csv *.[cC][sS][vV])"},
        {"CSV files|*.csv|All|*.a;*.B;*.*",
         "CSV files (*.csv *.[cC][sS][vV]);;All (*.a *.[aA] *.[bB] *.*)"},
        {"Any|*.*", "Any (*.*)"},
        {"Videos|*.MP4;*.mp4;|Any Files|*.*", "Videos (*.MP4 *.[mM][pP]4);;Any Files (*.*)"},
        // A dangling description without patterns is dropped, not shown empty.
        {"Text|*.txt|Odd", "Text (*.txt *.[tT][xX][tT])"},
        {"", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(qv::ui::DialogNameFilters(c.filter), c.qt) << c.filter;
    EXPECT_EQ(qv::ui::QtNameFilters("Lap files|*.dtb"),
              QStringLiteral("Lap files (*.dtb *.[dD][tT][bB])"));
}

// The names a Qt name filter list lets through, matched case-sensitively as
// the native dialogs on Linux match them.
QStringList Shown(const QString& entry, const QStringList& names) {
    const qsizetype open = entry.lastIndexOf('(');
    const QStringList patterns = entry.mid(open + 1, entry.size() - open - 2).split(' ');
    QStringList shown;
    for (const QString& name : names) {
        for (const QString& p : patterns) {
            if (QRegularExpression(QRegularExpression::wildcardToRegularExpression(p))
                    .match(name)
                    .hasMatch()) {
                shown << name;
                break;
            }
        }
    }
    return shown;
}

TEST(DialogNameFilters, TheDialogsShowNamesInAnyCase) {
    const QStringList video = qv::ui::QtNameFilters(qv::kVideoFilter).split(";;");
    ASSERT_EQ(video.size(), 2);
    EXPECT_EQ(video[1], QStringLiteral("Any Files (*.*)"));
    EXPECT_EQ(Shown(video[0], {"clip.mp4", "CLIP.MP4", "Clip.Mp4", "onboard.3Gp", "race.rmvb",
                               "Race.RmVb", "lap.ts", "LAP.WMV", "cam.mpeg", "notes.txt",
                               "clip.mp4.part", "demo.bnx4", "tp"}),
              QStringList({"clip.mp4", "CLIP.MP4", "Clip.Mp4", "onboard.3Gp", "race.rmvb",
                           "Race.RmVb", "lap.ts", "LAP.WMV", "cam.mpeg"}));

    // The open-log filter has eight entries; the Record files' entry lets
    // every lap file through and nothing else.
    const QStringList logs = qv::ui::QtNameFilters(qv::OpenLogFilter()).split(";;");
    ASSERT_EQ(logs.size(), 8);
    EXPECT_TRUE(logs[7].startsWith(QStringLiteral("Other GPS logs (NMEA, GPX, VBO) (")));
    EXPECT_EQ(
        Shown(logs[4], {"lap1.dtb", "LAP1.DTB", "Lap1.Dtb", "lap1.dTB", "lap1.dtbx", "a.bon"}),
        QStringList({"lap1.dtb", "LAP1.DTB", "Lap1.Dtb", "lap1.dTB"}));
    EXPECT_EQ(Shown(logs[0], {"Demo.Bnx4", "run.BONZ", "Track.Gpx", "x.Bin", "x.binz"}),
              QStringList({"Demo.Bnx4", "run.BONZ", "Track.Gpx", "x.Bin"}));
}

// Qt's own dialog lists each entry by the program's description alone.
TEST(DialogNameFilters, QtsOwnDialogShowsTheDescriptionsAsWorded) {
    QFileDialog dialog(nullptr, QStringLiteral("Open log"), QString(),
                       qv::ui::QtNameFilters(qv::OpenLogFilter()));
    dialog.setOptions(qv::ui::kNameFilterOptions | QFileDialog::DontUseNativeDialog);
    const auto* types = dialog.findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
    ASSERT_NE(types, nullptr);
    QStringList shown;
    for (int i = 0; i < types->count(); ++i)
        shown << types->itemText(i);
    EXPECT_EQ(shown,
              QStringList({"Quorvane GPS data files or Record files", "Quorvane4 GPS data files",
                           "Quorvane3 GPS data files", "Quorvane GPS data files",
                           "Quorvane Record files", "Quorvane GPS ble files",
                           "Quorvane GPS ble Z files", "Other GPS logs (NMEA, GPX, VBO)"}));
}

TEST(QtPrompter, MessageLineBreaksBecomeNewlines) {
    EXPECT_EQ(qv::ui::MessageText("Failed to communicate GPS module.\rAborted processing."),
              QStringLiteral("Failed to communicate GPS module.\nAborted processing."));
    EXPECT_EQ(qv::ui::MessageText("a\r\nb"), QStringLiteral("a\nb"));
}

}  // namespace
