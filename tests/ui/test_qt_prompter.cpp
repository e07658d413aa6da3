#include <gtest/gtest.h>

#include "decode/file_kinds.h"
#include "ui/qt_prompter.h"

namespace {

TEST(QtPrompter, TurnsOurFiltersIntoQtNameFilters) {
    EXPECT_EQ(qv::ui::QtNameFilters("CSV files|*.csv|All|*.a;*.b"),
              QStringLiteral("CSV files (*.csv);;All (*.a *.b)"));
    // The open-log filter has eight entries; each keeps all its patterns.
    const QStringList filters = qv::ui::QtNameFilters(qv::OpenLogFilter()).split(";;");
    ASSERT_EQ(filters.size(), 8);
    EXPECT_EQ(filters[6], QStringLiteral("Quorvane GPS ble Z files (*.bnz4 *.bonz)"));
    EXPECT_EQ(filters[7],
              QStringLiteral("Other GPS logs (NMEA, GPX, VBO) (*.nmea *.txt *.log *.gpx *.vbo)"));
    EXPECT_TRUE(qv::ui::QtNameFilters("").isEmpty());
    // A dangling description without patterns is dropped, not shown empty.
    EXPECT_EQ(qv::ui::QtNameFilters("Text|*.txt|Odd"), QStringLiteral("Text (*.txt)"));
}

TEST(QtPrompter, MessageLineBreaksBecomeNewlines) {
    EXPECT_EQ(qv::ui::MessageText("Failed to communicate GPS module.\rAborted processing."),
              QStringLiteral("Failed to communicate GPS module.\nAborted processing."));
    EXPECT_EQ(qv::ui::MessageText("a\r\nb"), QStringLiteral("a\nb"));
}

}  // namespace
