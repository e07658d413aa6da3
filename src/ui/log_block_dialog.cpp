#include "app/session.h"

#include "ui/log_block_dialog.h"

#include <QButtonGroup>
#include <QHBoxLayout>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include "core/date_time.h"
#include "laps/cln_file.h"
#include "laps/log_block_track_map.h"
#include "laps/suggest_line.h"
#include "ui/edit_name_dialog.h"
#include "ui/log_block_map.h"
#include "ui/mark_dialog.h"
#include "ui/record_list.h"

namespace qv::ui {

constexpr int kSidePanelWidth = 193;

LogBlockDialog::LogBlockDialog(QWidget* parent, LapSession& session, Prompter& prompter,
                               CircuitIndex& index, CircuitChooser& chooser,
                               const std::string& logName)
    : QDialog(parent),
      session_(session),
      prompter_(prompter),
      index_(index),
      chooser_(chooser),
      editor_(session.lines),
      view_(session.log.LogRect),
      offer_(session.lines) {
    setObjectName("TOKBottomDlgMb");
    setWindowTitle("Set control line, start/finish");
    setWindowFlag(Qt::WindowMaximizeButtonHint);

    map_ = new LogBlockMap(this, session_, editor_, view_);
    auto* middle = new QHBoxLayout;
    middle->addWidget(map_, 1);
    middle->addWidget(BuildSidePanel(logName));

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addWidget(BuildToolBar());
    layout->addLayout(middle, 1);
    layout->addWidget(BuildBottomBar());

    if (session_.lines.Rally)
        editor_.SetRally(true);
    SyncControls();

    connect(map_, &LogBlockMap::CursorMoved, this, [this](double lat, double lon) {
        cursorLabel_->setText(QString::asprintf("%.6f , %.6f", lat, lon));
    });
    connect(map_, &LogBlockMap::LinesChanged, this, [this] {
        offer_.LinesChanged();
        ShowLogLine();
    });
    connect(records_, &RecordList::TicksChanged, this, &LogBlockDialog::OnTicksChanged);
    connect(records_, &RecordList::RenameRequested, this, &LogBlockDialog::RenameRun);
    resize(1000, 700);
}

QToolButton* LogBlockDialog::AddButton(QWidget* bar, const char* name, const QString& caption,
                                       const char* hint) {
    auto* button = new QToolButton(bar);
    button->setObjectName(name);
    button->setText(caption);
    button->setToolTip(hint);
    button->setAutoRaise(true);
    bar->layout()->addWidget(button);
    return button;
}

QToolButton* LogBlockDialog::Button(const QString& name) const {
    return findChild<QToolButton*>(name);
}

QWidget* LogBlockDialog::BuildToolBar() {
    auto* bar = new QWidget(this);
    auto* row = new QHBoxLayout(bar);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(2);

    connect(AddButton(bar, "SpeedButtonRstZoom", "Full", "Cancel zoom"), &QToolButton::clicked,
            this, [this] {
                view_ = session_.log.LogRect;
                map_->RedrawTraces();
            });

    auto* tools = new QButtonGroup(bar);
    const struct {
        const char* name;
        const char* caption;
        const char* hint;
        LineTool tool;
    } toolButtons[] = {
        {"SpeedButtonRect", "Zoom", "Zoom in by specifying a range", LineTool::Zoom},
        {"SpeedButtonCtrl", "Control", "Control line", LineTool::Control},
        {"SpeedButtonSta", "Start", "Start", LineTool::Start},
        {"SpeedButtonFin", "Finish", "Finish", LineTool::Finish},
    };
    for (const auto& t : toolButtons) {
        QToolButton* button = AddButton(bar, t.name, t.caption, t.hint);
        button->setCheckable(true);
        tools->addButton(button);
        const LineTool tool = t.tool;
        connect(button, &QToolButton::clicked, this, [this, tool] {
            editor_.SelectTool(tool);
            SyncControls();
        });
    }
    connect(AddButton(bar, "SpeedButtonDel", "Erase", "Erase control line, start/finish"),
            &QToolButton::clicked, this, [this] {
                editor_.EraseLines();
                offer_.Refuse();
                ShowLogLine();
                map_->update();
            });
    connect(AddButton(bar, "SpeedButtonMark", "Mark", "mark"), &QToolButton::clicked, this, [this] {
        const std::optional<std::string> text = RunMarkDialog(this);
        if (text && SetMarkerFromText(session_.lines, *text))
            map_->update();
    });
    connect(AddButton(bar, "SpeedButtonSelCircuit", "Find", "Find control line and track map"),
            &QToolButton::clicked, this, [this] { RunCircuitSelection(true); });
    connect(AddButton(bar, "SpeedButtonLoad", "Open line", "Open control line"),
            &QToolButton::clicked, this, [this] {
                const OpenControlLineResult opened =
                    OpenControlLine(prompter_, session_.lines, session_.folders);
                if (opened.kind == ClnKind::ControlLine)
                    editor_.SelectTool(LineTool::Control);
                offer_.LinesChanged();
                SyncControls();
                ShowLogLine();
                map_->update();
            });
    connect(AddButton(bar, "SpeedButtonSave", "Save line", "Save control line"),
            &QToolButton::clicked, this, [this] {
                if (SaveLogBlockLines(prompter_, session_.lines, session_.folders))
                    ShowLogLine();
            });

    rallyBox_ = new QCheckBox("Rally", bar);
    rallyBox_->setObjectName("CheckBoxRallySta");
    rallyBox_->setToolTip("Start = HH:NN:00.0");
    row->addWidget(rallyBox_);
    connect(rallyBox_, &QCheckBox::toggled, this, [this](bool ticked) {
        editor_.SetRally(ticked);
        SyncControls();
    });
    stopBox_ = new QCheckBox("Show \"stop\"", bar);
    stopBox_->setObjectName("CheckBoxViewStop");
    row->addWidget(stopBox_);
    connect(stopBox_, &QCheckBox::toggled, this, [this](bool ticked) {
        session_.lines.ShowStop = ticked;
        map_->RedrawTraces();
    });

    AddButton(bar, "SpeedButtonHint", "Tips", "Tips")->hide();
    connect(AddButton(bar, "SpeedButtonLdCourse", "Track map", "Open track map"),
            &QToolButton::clicked, this, [this] {
                if (SpeedButtonLdCourseClick(prompter_, session_.trackMap, session_.folders).opened)
                    map_->RedrawTraces();
            });
    const struct {
        const char* name;
        const char* caption;
        const char* hint;
        ShiftDirection direction;
    } shifts[] = {
        {"SpeedButtonAE", "\u2192", "Correct log traces to the right", ShiftDirection::East},
        {"SpeedButtonAW", "\u2190", "Correct log traces to the left", ShiftDirection::West},
        {"SpeedButtonAN", "\u2191", "Correct log traces upwards", ShiftDirection::North},
        {"SpeedButtonAS", "\u2193", "Correct log traces downwards", ShiftDirection::South},
    };
    for (const auto& s : shifts) {
        const ShiftDirection direction = s.direction;
        connect(AddButton(bar, s.name, QString::fromUtf8(s.caption), s.hint), &QToolButton::clicked,
                this, [this, direction] { Shift(direction); });
    }
    for (const bool tick : {true, false}) {
        QToolButton* button = tick ? AddButton(bar, "SpeedButtonAllSel", "All", "Sellect all")
                                   : AddButton(bar, "SpeedButtonAllRel", "None", "Deselect all");
        connect(button, &QToolButton::clicked, this, [this, tick] {
            SetAllBlocks(session_.log, tick);
            records_->Reload();
            OnTicksChanged();
        });
    }
    connect(AddButton(bar, "SpeedButtonSvAsDtb", "Save record", "Save record"),
            &QToolButton::clicked, this, [this] {
                const LogStore& log = session_.log;
                for (int k = 0; k < log.LogBlockNum(); ++k) {
                    if (log.LogBlocks[static_cast<size_t>(k)].Act) {
                        records_->setCurrentRow(k);
                        break;
                    }
                }
                const SaveRecordResult saved = SaveRecord(log, prompter_, session_.folders);
                if (!saved.error.empty())
                    prompter_.Inform(saved.error, MessageIcon::Error);
            });
    connect(AddButton(bar, "SpeedButtonEdiRecName", "Rename", "Edit record name"),
            &QToolButton::clicked, this, [this] { RenameRun(records_->SelectedRun()); });
    row->addStretch(1);
    return bar;
}

QWidget* LogBlockDialog::BuildSidePanel(const std::string& logName) {
    auto* panel = new QWidget(this);
    panel->setFixedWidth(kSidePanelWidth);
    auto* column = new QVBoxLayout(panel);
    column->setContentsMargins(0, 0, 0, 0);
    auto* name = new QLabel(QString::fromStdString(LogNameLabel(logName)), panel);
    name->setObjectName("LabelLogName");
    name->setToolTip(QString::fromStdString(logName));
    QFont bold = name->font();
    bold.setBold(true);
    name->setFont(bold);
    column->addWidget(name);
    records_ = new RecordList(panel, session_.log);
    column->addWidget(records_, 1);
    for (const char* text : {"Record list", "Recorded date and time", "YYYYMMDD_HHNN"})
        column->addWidget(new QLabel(text, panel));
    return panel;
}

QWidget* LogBlockDialog::BuildBottomBar() {
    auto* bar = new QWidget(this);
    auto* row = new QHBoxLayout(bar);
    row->setContentsMargins(0, 0, 0, 0);
    cursorLabel_ = new QLabel(bar);
    cursorLabel_->setObjectName("LabelIK");
    cursorLabel_->setMinimumWidth(220);
    row->addWidget(cursorLabel_);
    const struct {
        const char* text;
        const char* colour;
    } legend[] = {{"- : traces", "red"}, {"- : 2 km/h or less", "blue"}, {"\u25CB : Stopped", ""}};
    for (const auto& entry : legend) {
        auto* label = new QLabel(QString::fromUtf8(entry.text), bar);
        if (*entry.colour != '\0')
            label->setStyleSheet(QString("color: %1").arg(entry.colour));
        row->addWidget(label);
        row->addSpacing(12);
    }
    suggestionLabel_ = new QLabel(bar);
    suggestionLabel_->setObjectName("LabelSuggestedLine");
    suggestionLabel_->hide();
    row->addWidget(suggestionLabel_);
    takeButton_ = new QPushButton("Take suggested line", bar);
    takeButton_->setObjectName("TakeSuggestedLineBtn");
    takeButton_->hide();
    row->addWidget(takeButton_);
    connect(takeButton_, &QPushButton::clicked, this, [this] {
        offer_.Take();
        ShowLogLine();
        map_->update();
    });
    row->addStretch(1);
    auto* ok = new QPushButton("OK", bar);
    ok->setObjectName("OKBtn");
    ok->setDefault(true);
    auto* cancel = new QPushButton("Cancel", bar);
    cancel->setObjectName("CancelBtn");
    row->addWidget(ok);
    row->addWidget(cancel);
    connect(ok, &QPushButton::clicked, this, &LogBlockDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &LogBlockDialog::reject);
    return bar;
}

void LogBlockDialog::SyncControls() {
    const char* down = "SpeedButtonCtrl";
    switch (editor_.Tool()) {
        case LineTool::Zoom:
            down = "SpeedButtonRect";
            break;
        case LineTool::Start:
            down = "SpeedButtonSta";
            break;
        case LineTool::Finish:
            down = "SpeedButtonFin";
            break;
        case LineTool::Control:
            break;
    }
    Button(down)->setChecked(true);
    const QSignalBlocker rally(rallyBox_);
    rallyBox_->setChecked(session_.lines.Rally);
    const QSignalBlocker stop(stopBox_);
    stopBox_->setChecked(session_.lines.ShowStop);
}

void LogBlockDialog::OnTicksChanged() {
    view_ = session_.log.LogRect;
    map_->RedrawTraces();
}

void LogBlockDialog::RenameRun(int run) {
    if (run < 0 || run >= session_.log.LogBlockNum())
        return;
    TLogBlock& block = session_.log.LogBlocks[static_cast<size_t>(run)];
    const std::optional<std::string> name =
        RunEditNameDialog(this, "Edit record name", block.Title);
    if (!name)
        return;
    block.Title = *name;
    records_->Reload();
}

void LogBlockDialog::Shift(ShiftDirection direction) {
    ShiftLog(session_.log, view_, map_->width(), map_->height(), direction);
    map_->RedrawTraces();
}

SelCircuitResult LogBlockDialog::RunCircuitSelection(bool manual) {
    CircuitCandidates candidates;
    const SelCircuitResult result =
        ReqSelCircuit(session_, index_, candidates, prompter_, chooser_, manual);
    if (result.controlLineLoaded && session_.lines.controlLineSet)
        editor_.SelectTool(LineTool::Control);
    offer_.LinesChanged();
    SyncControls();
    ShowLogLine();
    map_->RedrawTraces();
    return result;
}

void LogBlockDialog::ShowLogLine() {
    const std::optional<SuggestedLine>& pending = offer_.Pending();
    map_->ShowSuggestion(pending ? std::optional<Line>(pending->line) : std::nullopt);
    takeButton_->setVisible(pending.has_value());
    QString text;
    if (pending) {
        text =
            QString(
                "Suggested control line: %1 laps of about %2. OK takes it for this log; "
                "Erase refuses it.")
                .arg(pending->laps)
                .arg(QString::fromStdString(FormatSeconds(static_cast<double>(pending->lapSec))));
    } else if (IsLogLine(session_.lines)) {
        text = offer_.FromFile() ? "Control line from the log file, for this log only; save it to "
                                   "keep it."
                                 : "Suggested control line, for this log only; save it to keep it.";
    }
    suggestionLabel_->setText(text);
    suggestionLabel_->setVisible(!text.isEmpty());
}

void LogBlockDialog::accept() {
    if (offer_.Ok(prompter_) == CloseDecision::CloseWithOk) {
        QDialog::accept();
        return;
    }
    RunCircuitSelection(true);
}

void LogBlockDialog::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (autoSelectionDone_)
        return;
    autoSelectionDone_ = true;
    QTimer::singleShot(0, this, [this] {
        offer_.Offer(session_, RunCircuitSelection(false).outcome, /*suggest=*/true);
        ShowLogLine();
        map_->update();
    });
}

}  // namespace qv::ui
