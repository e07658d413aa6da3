#pragma once
// The course map's circuit tool bar: open, find, generate, nudge, save and
// remove the track map, each forwarded to its engine command; a change of
// the track map repaints the course map. `PanelViewCir` shows and hides all
// of them but "Find track map".

#include <QObject>
#include <functional>
#include <memory>
#include <vector>

#include "app/session.h"
#include "core/prompter.h"
#include "laps/circuit_index.h"
#include "laps/track_map_commands.h"
#include "presentation/steps.h"

class QBoxLayout;
class QToolButton;
class QWidget;

namespace qv::ui {

class TrackMapCommands : public QObject {
    Q_OBJECT
  public:
    TrackMapCommands(Session& session, Prompter& prompter,
                     std::function<void(const StepList&)> runSteps, QWidget* parent);
    ~TrackMapCommands() override;

    // The nine buttons, appended to `layout`.
    void AddButtons(QWidget* strip, QBoxLayout* layout);
    // The buttons `PanelViewCir` governs, as the presentation state says.
    void ShowTools();

    // A replacement for the circuit dialog (tests); null restores the Qt one.
    void SetCircuitChooser(CircuitChooser* chooser);
    // The track-map index of the circuit search, built at start-up.
    void SetTrackMapIndex(std::vector<TPthClnDat>* index);

    void SpeedButtonPathClick();
    void SpeedButtonSelCircuitClick();
    void SpeedButtonMkPthClick();
    void Nudge(NudgeDirection direction);
    void SpeedButtonPathSaveClick();
    void SpeedButtonClrPthClick();

  private:
    void Changed(bool changed);
    void Tell(const WriteResult& saved);

    Session& session_;
    Prompter& prompter_;
    std::function<void(const StepList&)> runSteps_;
    std::unique_ptr<CircuitChooser> qtChooser_;
    CircuitChooser* chooser_;
    std::vector<TPthClnDat>* index_ = nullptr;
    std::vector<TPthClnDat> noIndex_;
    std::vector<QToolButton*> tools_;
};

}  // namespace qv::ui
