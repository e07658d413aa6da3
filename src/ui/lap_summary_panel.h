#pragma once
// Under the Data page's detail tables: the achievable best lap, the
// consistency of the flying laps and the lap-time plot of the lap list.

#include <QWidget>
#include <string>

#include "dynamics/lap_list_summary.h"

class QLabel;

namespace qv {
struct Session;
}

namespace qv::ui {

class LapTimePlotBox;

class LapSummaryPanel : public QWidget {
  public:
    explicit LapSummaryPanel(QWidget* parent = nullptr);

    // Works the figures out again when the listed laps or the gates changed
    // since the last call; reading every lap file is too slow to repeat on
    // each change of the slots.
    void Refresh(const Session& session);
    const LapListSummary& Summary() const { return summary_; }
    // The achievable-lap and consistency lines, for the lap list's tooltip.
    QString TipText() const;

  private:
    QLabel* achievable_ = nullptr;
    QLabel* consistency_ = nullptr;
    LapTimePlotBox* plot_ = nullptr;
    LapListSummary summary_;
    std::string key_;
    bool computed_ = false;
};

}  // namespace qv::ui
