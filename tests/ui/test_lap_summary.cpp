// The achievable best lap, the consistency line and the lap-time plot of
// the Data page on the demo log.
#include <gtest/gtest.h>

#include <QLabel>
#include <QRegularExpression>

#include "presentation/lap_time_plot.h"
#include "ui/views/lap_time_plot_view.h"
#include "ui/views/scene_painter.h"
#include "ui/window_fixture.h"

namespace qv::test {
namespace {

// "m:ss.zzz" or "ss.zzz" as seconds.
double Seconds(const QString& text) {
    double seconds = 0;
    for (const QString& part : text.split(':'))
        seconds = seconds * 60 + part.toDouble();
    return seconds;
}

class LapSummaryTest : public ::testing::Test, public WindowFixture {};

TEST_F(LapSummaryTest, AchievableLapAndConsistencyFollowTheList) {
    OpenDemoLog();
    const int rows = LapGrid()->model()->rowCount();
    ASSERT_GE(rows, 4);
    int fastest = 0;
    for (int r = 1; r < rows; ++r) {
        if (Seconds(Cell(r, 4)) < Seconds(Cell(fastest, 4)))
            fastest = r;
    }

    const QString line = Child<QLabel>("LabelAchievable")->text();
    const QRegularExpression form(
        "^Achievable best lap ([0-9:.]+): ([-+][0-9.]+) s to the best lap (\\d{4}) "
        "\\(([0-9:.]+)\\)");
    const QRegularExpressionMatch m = form.match(line);
    ASSERT_TRUE(m.hasMatch()) << line.toStdString();
    EXPECT_EQ(m.captured(3), Cell(fastest, 1));
    EXPECT_EQ(m.captured(4), Cell(fastest, 4));
    const double achievable = Seconds(m.captured(1));
    EXPECT_LE(achievable, Seconds(Cell(fastest, 4)));
    EXPECT_NEAR(m.captured(2).toDouble(), achievable - Seconds(Cell(fastest, 4)), 0.0015);
    // The demo has sector gates, so the sum of best sectors is compared too.
    EXPECT_TRUE(line.contains(" to the sum of best sectors (")) << line.toStdString();

    const QString consistency = Child<QLabel>("LabelConsistency")->text();
    EXPECT_TRUE(consistency.startsWith("Consistency: ")) << consistency.toStdString();
    EXPECT_TRUE(consistency.contains(QString(" of %1 within 107 % of the best").arg(rows)))
        << consistency.toStdString();

    // Every lap's time cell carries both lines as its tooltip.
    for (int r = 0; r < rows; ++r) {
        const QString tip = Cell(r, 4, Qt::ToolTipRole);
        EXPECT_TRUE(tip.contains(line)) << r;
        EXPECT_TRUE(tip.contains(consistency)) << r;
    }
    EXPECT_TRUE(Cell(0, 3, Qt::ToolTipRole).isEmpty());

    prompter.answers.push_back(true);
    Click("SpeedButtonClrDt");
    ASSERT_EQ(session->laps.LapNum(), 0);
    EXPECT_TRUE(Child<QLabel>("LabelAchievable")->text().isEmpty());
    EXPECT_TRUE(Cell(0, 4, Qt::ToolTipRole).isEmpty());
}

TEST(LapTimePlotView, PaintsTheBestLapRedAndTheOthersBlue) {
    const std::vector<double> times{95, 60.4, 59.25, 61, 60.1};
    const std::vector<std::string> names{"0000", "0001", "0002", "0003", "0004"};
    const QSize size(400, 150);
    const QImage image = ui::LapTimePlotView().Render(times, names, size, 1);
    const LapTimePlotLayout l =
        LapTimePlotLayoutFor(times, ui::ViewTextMetrics(), size.width(), size.height());
    ASSERT_EQ(l.points.size(), times.size());
    for (size_t k = 0; k < l.points.size(); ++k) {
        const LapTimePoint& p = l.points[k];
        const QColor c = image.pixelColor(p.at.x, p.at.y);
        if (static_cast<int>(k) == l.best) {
            EXPECT_EQ(c, QColor(255, 0, 0)) << k;
        } else if (!p.aboveScale) {
            EXPECT_EQ(c, QColor(0, 0, 160)) << k;
        }
    }
}

}  // namespace
}  // namespace qv::test
