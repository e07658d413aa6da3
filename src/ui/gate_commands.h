#pragma once
// The Graph page's sector gate buttons and its KML button: each forwards to
// its engine command and, when the gate table changed, runs the gate
// refresh.

#include <QObject>
#include <filesystem>
#include <functional>
#include <memory>
#include <vector>

#include "app/gate_buttons.h"
#include "app/session.h"
#include "core/prompter.h"
#include "geometry/gate_editing.h"
#include "laps/circuit_index.h"
#include "presentation/steps.h"

class QBoxLayout;
class QWidget;

namespace qv::ui {

class PlaybackController;

class GateCommands : public QObject {
    Q_OBJECT
  public:
    GateCommands(Session& session, PlaybackController& playback, Prompter& prompter,
                 std::function<void(const StepList&)> runSteps, QWidget* parent);
    ~GateCommands() override;

    // The six gate buttons and the KML button, appended to `layout`.
    void AddButtons(QWidget* strip, QBoxLayout* layout);

    // Replacements for the modal dialogs (tests); null restores the Qt ones.
    void SetDialogs(GateDialogs* dialogs);
    void SetCircuitChooser(CircuitChooser* chooser);
    // The sector file index of the circuit search (the window's, built at
    // start-up); without one "Find sector gates" finds nothing.
    void SetSectorIndex(std::vector<TPthClnDat>* index);
    // Shows a written file in the desktop's file browser.
    void SetShowInFileBrowser(std::function<void(const std::filesystem::path&)> show);

    void SpeedButtonSetSectClick();
    void SpeedButtonEdSectClick();
    void SpeedButtonClrSectClick();
    void SpeedButtonLdSectClick();
    void SpeedButtonSvSectClick();
    void SpeedButtonSelSectClick();
    void SpeedButtonGoogleEarthClick();
    // The dialogs in use, which "Remove all lap data" shares.
    GateDialogs& Dialogs() { return *dialogs_; }

  private:
    GateButtonContext Context();
    void Run(const StepList& steps);
    std::vector<TPthClnDat>& SectorIndex();

    Session& session_;
    PlaybackController& playback_;
    Prompter& prompter_;
    std::function<void(const StepList&)> runSteps_;
    QWidget* parent_;
    std::unique_ptr<GateDialogs> qtDialogs_;
    GateDialogs* dialogs_;
    std::unique_ptr<CircuitChooser> qtChooser_;
    CircuitChooser* chooser_;
    // The sector files of the circuit index built at start-up.
    std::vector<TPthClnDat>* sectorIndex_ = nullptr;
    std::vector<TPthClnDat> noIndex_;
    std::function<void(const std::filesystem::path&)> showInFileBrowser_;
};

}  // namespace qv::ui
