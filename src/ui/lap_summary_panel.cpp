#include "ui/lap_summary_panel.h"

#include <QLabel>
#include <QPainter>
#include <QVBoxLayout>
#include <utility>

#include "app/session.h"
#include "core/display_format.h"
#include "ui/views/lap_time_plot_view.h"

namespace qv::ui {

constexpr int kPlotHeight = 150;

class LapTimePlotBox : public QWidget {
  public:
    explicit LapTimePlotBox(QWidget* parent) : QWidget(parent) {
        setObjectName(QStringLiteral("PaintBoxLapTimes"));
        setMinimumHeight(kPlotHeight);
        setMaximumHeight(kPlotHeight);
    }
    void SetLaps(const LapListSummary& summary) {
        seconds_ = summary.lapSeconds;
        names_ = summary.lapNames;
        update();
    }

  protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.drawImage(0, 0, view_.Render(seconds_, names_, size(), devicePixelRatioF()));
    }

  private:
    LapTimePlotView view_;
    std::vector<double> seconds_;
    std::vector<std::string> names_;
};

namespace {

// What the figures depend on: each listed lap and the sector gates.
std::string SummaryKey(const Session& session) {
    std::string key;
    const LapStore& laps = session.laps;
    for (size_t r = 0; r < laps.LapRows.size() && r < laps.LapList.size(); ++r) {
        const LapRow& row = laps.LapRows[r];
        key += row[1] + ' ' + row[2] + ' ' + row[3] + ' ' + row[4] + ' ' + row[6] + '\n';
    }
    const GateTable& gates = session.gates;
    key += StrFormat("%d", gates.SectCount);
    for (int k = 0; k < gates.SectCount && k < static_cast<int>(gates.SectGates.size()); ++k) {
        const SectGate& g = gates.SectGates[static_cast<size_t>(k)];
        key += StrFormat(" %.9Lf,%.9Lf,%.9Lf,%.9Lf,%d", Float80(g.Ido1), Float80(g.Kdo1),
                         Float80(g.Ido2), Float80(g.Kdo2), g.PassNo);
    }
    return key;
}

}  // namespace

LapSummaryPanel::LapSummaryPanel(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("PanelLapSummary"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 2, 4, 2);
    layout->setSpacing(2);
    achievable_ = new QLabel(this);
    achievable_->setObjectName(QStringLiteral("LabelAchievable"));
    consistency_ = new QLabel(this);
    consistency_->setObjectName(QStringLiteral("LabelConsistency"));
    for (QLabel* label : {achievable_, consistency_}) {
        label->setTextInteractionFlags(Qt::TextSelectableByMouse);
        // A long line is cut at the window's edge rather than widening it.
        label->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    }
    plot_ = new LapTimePlotBox(this);
    layout->addWidget(achievable_);
    layout->addWidget(consistency_);
    layout->addWidget(plot_);
}

void LapSummaryPanel::Refresh(const Session& session) {
    std::string key = SummaryKey(session);
    if (computed_ && key == key_)
        return;
    key_ = std::move(key);
    computed_ = true;
    summary_ = SummarizeLapList(session.laps, session.folders, session.gates);
    // The tooltip holds the whole line where the page is too narrow for it.
    for (auto [label, text] : {std::pair{achievable_, AchievableText(summary_)},
                               std::pair{consistency_, ConsistencyText(summary_)}}) {
        label->setText(QString::fromStdString(text));
        label->setToolTip(label->text());
    }
    plot_->SetLaps(summary_);
}

QString LapSummaryPanel::TipText() const {
    const std::string a = AchievableText(summary_), c = ConsistencyText(summary_);
    if (a.empty())
        return {};
    return QString::fromStdString(a + "\n" + c);
}

}  // namespace qv::ui
