#include "ui/track_map_commands.h"

#include <QBoxLayout>
#include <QStyle>
#include <QToolButton>
#include <QWidget>

#include "presentation/dialog_open_scope.h"
#include "ui/circuit_dialog.h"

namespace qv::ui {

TrackMapCommands::TrackMapCommands(Session& session, Prompter& prompter,
                                   std::function<void(const StepList&)> runSteps, QWidget* parent)
    : QObject(parent),
      session_(session),
      prompter_(prompter),
      runSteps_(std::move(runSteps)),
      qtChooser_(std::make_unique<QtCircuitChooser>(parent, CircuitLists{true, false, false})),
      chooser_(qtChooser_.get()) {
    setObjectName(QStringLiteral("TrackMapCommands"));
}

TrackMapCommands::~TrackMapCommands() = default;

void TrackMapCommands::AddButtons(QWidget* strip, QBoxLayout* layout) {
    struct Button {
        const char* name;
        const char* hint;
        const char* text;  // drawn when the style has no fitting icon
        int icon;          // a QStyle::StandardPixmap, or -1
        bool governed;     // shown and hidden by PanelViewCir
        std::function<void()> click;
    };
    const Button buttons[] = {
        {"SpeedButtonPath", "Open track map", "", QStyle::SP_DialogOpenButton, true,
         [this] { SpeedButtonPathClick(); }},
        {"SpeedButtonSelCircuit", "Find track map", "", QStyle::SP_FileDialogContentsView, false,
         [this] { SpeedButtonSelCircuitClick(); }},
        {"SpeedButtonMkPth", "Generate track map", "", QStyle::SP_FileDialogNewFolder, true,
         [this] { SpeedButtonMkPthClick(); }},
        {"SpeedButtonN", "Adjust track map", "\u2191", -1, true,
         [this] { Nudge(NudgeDirection::North); }},
        {"SpeedButtonS", "Adjust track map", "\u2193", -1, true,
         [this] { Nudge(NudgeDirection::South); }},
        {"SpeedButtonE", "Adjust track map", "\u2192", -1, true,
         [this] { Nudge(NudgeDirection::East); }},
        {"SpeedButtonW", "Adjust track map", "\u2190", -1, true,
         [this] { Nudge(NudgeDirection::West); }},
        {"SpeedButtonPathSave", "Save adjusted track map", "", QStyle::SP_DialogSaveButton, true,
         [this] { SpeedButtonPathSaveClick(); }},
        {"SpeedButtonClrPth", "Remove track map", "", QStyle::SP_DialogDiscardButton, true,
         [this] { SpeedButtonClrPthClick(); }},
    };
    for (const Button& b : buttons) {
        auto* button = new QToolButton(strip);
        button->setObjectName(QString::fromLatin1(b.name));
        button->setToolTip(QString::fromLatin1(b.hint));
        button->setAutoRaise(true);
        button->setFocusPolicy(Qt::NoFocus);
        if (b.icon >= 0)
            button->setIcon(
                strip->style()->standardIcon(static_cast<QStyle::StandardPixmap>(b.icon)));
        else
            button->setText(QString::fromUtf8(b.text));
        connect(button, &QToolButton::clicked, this, b.click);
        layout->addWidget(button);
        if (b.governed)
            tools_.push_back(button);
    }
    ShowTools();
}

void TrackMapCommands::ShowTools() {
    for (QToolButton* button : tools_)
        button->setVisible(session_.presentation.circuitMapToolShown);
}

void TrackMapCommands::SetCircuitChooser(CircuitChooser* chooser) {
    chooser_ = chooser != nullptr ? chooser : qtChooser_.get();
}

void TrackMapCommands::SetTrackMapIndex(std::vector<TPthClnDat>* index) {
    index_ = index;
}

void TrackMapCommands::Changed(bool changed) {
    if (changed && runSteps_)
        runSteps_({{StepKind::kRepaintCourseMap}});
}

void TrackMapCommands::Tell(const WriteResult& saved) {
    if (!saved.error.empty())
        prompter_.Inform(saved.error, MessageIcon::Error);
}

void TrackMapCommands::SpeedButtonPathClick() {
    const DialogOpenScope scope(session_.presentation.dialogOpen);
    Changed(OpenTrackMap(session_.trackMap, session_.folders, prompter_));
}

void TrackMapCommands::SpeedButtonSelCircuitClick() {
    std::vector<TPthClnDat>& index = index_ != nullptr ? *index_ : noIndex_;
    Changed(FindTrackMap(session_.laps.LapDt, index, session_.trackMap, session_.folders, prompter_,
                         *chooser_));
}

void TrackMapCommands::SpeedButtonMkPthClick() {
    const DialogOpenScope scope(session_.presentation.dialogOpen);
    Tell(GenerateTrackMap(session_.laps.LapDt, session_.folders, prompter_));
}

void TrackMapCommands::Nudge(NudgeDirection direction) {
    Changed(NudgeTrackMap(session_.trackMap, direction, session_.presentation.mapCentreIdo));
}

void TrackMapCommands::SpeedButtonPathSaveClick() {
    const DialogOpenScope scope(session_.presentation.dialogOpen);
    Tell(SaveTrackMap(session_.trackMap, session_.folders, prompter_));
}

void TrackMapCommands::SpeedButtonClrPthClick() {
    Changed(RemoveTrackMap(session_.trackMap));
}

}  // namespace qv::ui
