#include <gtest/gtest.h>

#include <QRegularExpression>
#include "decode/file_kinds.h"

#include "ui/qt_prompter.h"
#include "video/video_commands.h"

namespace {

TEST(QtPrompter, TurnsOurFiltersIntoQtNameFilters) {
    // Each pattern in both cases, as Linux's dialogs tell the cases apart.
    EXPECT_EQ(qv::ui::QtNameFilters("CSV files|*.csv|All|*.a;*.B;*.*"),
              QStringLiteral("CSV files (*.csv *.CSV);;All (*.a *.A *.B *.b *.*)"));
    // The open-log filter has eight entries; each keeps all its patterns.
    const QStringList filters = qv::ui::QtNameFilters(qv::OpenLogFilter()).split(";;");
    ASSERT_EQ(filters.size(), 8);
    EXPECT_EQ(filters[6], QStringLiteral("Quorvane GPS ble Z files (*.bnz4 *.BNZ4 *.bonz *.BONZ)"));
    EXPECT_EQ(filters[7], QStringLiteral("Other GPS logs (NMEA, GPX, VBO) (*.nmea *.NMEA *.txt "
                                         "*.TXT *.log *.LOG *.gpx *.GPX *.vbo *.VBO)"));
    EXPECT_TRUE(qv::ui::QtNameFilters("").isEmpty());
    // A dangling description without patterns is dropped, not shown empty.
    EXPECT_EQ(qv::ui::QtNameFilters("Text|*.txt|Odd"), QStringLiteral("Text (*.txt *.TXT)"));
}

// The dialog matches names against the patterns case-sensitively, as Qt's
// file dialogs do on Linux.
TEST(QtPrompter, TheVideoFilterShowsVideoNamesInEitherCase) {
    const QStringList filters = qv::ui::QtNameFilters(qv::kVideoFilter).split(";;");
    ASSERT_EQ(filters.size(), 2);
    EXPECT_EQ(filters[1], QStringLiteral("Any Files (*.*)"));
    ASSERT_TRUE(filters[0].startsWith(QStringLiteral("Video Files (")));
    ASSERT_TRUE(filters[0].endsWith(')'));
    const QStringList patterns =
        filters[0].mid(13, filters[0].size() - 14).split(' ', Qt::SkipEmptyParts);
    EXPECT_EQ(patterns.size(), 40);  // twenty extensions, each in both cases
    const auto shown = [&patterns](const char* name) {
        for (const QString& p : patterns) {
            const QRegularExpression re(QRegularExpression::wildcardToRegularExpression(p));
            if (re.match(QString::fromLatin1(name)).hasMatch())
                return true;
        }
        return false;
    };
    for (const char* name : {"clip.mp4", "CLIP.MP4", "onboard.3gp", "race.rmvb", "RACE.RMVB",
                             "lap.ts", "LAP.WMV", "cam.mpeg"})
        EXPECT_TRUE(shown(name)) << name;
    for (const char* name : {"notes.txt", "clip.mp4.part", "demo.bnx4", "tp"})
        EXPECT_FALSE(shown(name)) << name;
}

TEST(QtPrompter, MessageLineBreaksBecomeNewlines) {
    EXPECT_EQ(qv::ui::MessageText("Failed to communicate GPS module.\rAborted processing."),
              QStringLiteral("Failed to communicate GPS module.\nAborted processing."));
    EXPECT_EQ(qv::ui::MessageText("a\r\nb"), QStringLiteral("a\nb"));
}

}  // namespace
