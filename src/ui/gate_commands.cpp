#include "ui/gate_commands.h"

#include <QBoxLayout>
#include <QDesktopServices>
#include <QPainter>
#include <QPainterPath>
#include <QStyle>
#include <QToolButton>
#include <QUrl>
#include <QWidget>

#include "app/gate_buttons.h"
#include "app/kml_command.h"
#include "exchange/kml_export.h"
#include "ui/circuit_dialog.h"
#include "ui/gate_dialogs.h"
#include "ui/playback_controller.h"

namespace qv::ui {
namespace {

constexpr int kIconSize = 16;

enum class Glyph { Set, Adjust, Remove, Find, Globe };

// A gate drawn across a stretch of track, marked by what the button does.
QIcon GlyphIcon(Glyph glyph) {
    QPixmap pixmap(kIconSize, kIconSize);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing, true);
    if (glyph == Glyph::Globe) {
        p.setPen(QPen(QColor(0, 96, 160), 1.2));
        p.setBrush(QColor(170, 215, 255));
        p.drawEllipse(QRectF(1.5, 1.5, 13, 13));
        p.setBrush(Qt::NoBrush);
        p.drawEllipse(QRectF(5, 1.5, 6, 13));
        p.drawLine(QPointF(1.5, 8), QPointF(14.5, 8));
        p.drawLine(QPointF(3, 4.5), QPointF(13, 4.5));
        p.drawLine(QPointF(3, 11.5), QPointF(13, 11.5));
        return QIcon(pixmap);
    }
    p.setPen(QPen(QColor(160, 160, 160), 3, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(1, 11), QPointF(15, 5));
    p.setPen(QPen(Qt::black, 1.5));
    p.drawLine(QPointF(5, 2), QPointF(9, 14));
    switch (glyph) {
        case Glyph::Set:
            p.setPen(QPen(QColor(0, 150, 0), 2));
            p.drawLine(QPointF(12, 9), QPointF(12, 15));
            p.drawLine(QPointF(9, 12), QPointF(15, 12));
            break;
        case Glyph::Adjust:
            p.fillRect(QRectF(3.5, 0.5, 3, 3), Qt::black);
            p.fillRect(QRectF(7.5, 12.5, 3, 3), Qt::black);
            break;
        case Glyph::Remove:
            p.setPen(QPen(QColor(210, 0, 0), 2));
            p.drawLine(QPointF(10, 9), QPointF(15, 14));
            p.drawLine(QPointF(15, 9), QPointF(10, 14));
            break;
        case Glyph::Find:
            p.setPen(QPen(QColor(0, 64, 192), 1.5));
            p.setBrush(Qt::white);
            p.drawEllipse(QRectF(8, 7, 5, 5));
            p.drawLine(QPointF(12.5, 11.5), QPointF(15, 14.5));
            break;
        case Glyph::Globe:
            break;
    }
    return QIcon(pixmap);
}

void OpenFolderOf(const std::filesystem::path& file) {
    QDesktopServices::openUrl(
        QUrl::fromLocalFile(QString::fromStdString(file.parent_path().string())));
}

}  // namespace

GateCommands::GateCommands(Session& session, PlaybackController& playback, Prompter& prompter,
                           std::function<void(const StepList&)> runSteps, QWidget* parent)
    : QObject(parent),
      session_(session),
      playback_(playback),
      prompter_(prompter),
      runSteps_(std::move(runSteps)),
      parent_(parent),
      qtDialogs_(std::make_unique<QtGateDialogs>(parent, session)),
      dialogs_(qtDialogs_.get()),
      qtChooser_(std::make_unique<QtCircuitChooser>(parent, CircuitLists{false, false, true})),
      chooser_(qtChooser_.get()),
      showInFileBrowser_(&OpenFolderOf) {
    setObjectName(QStringLiteral("GateCommands"));
}

GateCommands::~GateCommands() = default;

void GateCommands::AddButtons(QWidget* strip, QBoxLayout* layout) {
    struct Button {
        const char* name;
        const char* hint;
        void (GateCommands::*handler)();
    };
    static constexpr Button kButtons[] = {
        {"SpeedButtonSetSect", "Set sector gate", &GateCommands::SpeedButtonSetSectClick},
        {"SpeedButtonEdSect", "Adjust sector gate", &GateCommands::SpeedButtonEdSectClick},
        {"SpeedButtonClrSect", "Remove sector gate", &GateCommands::SpeedButtonClrSectClick},
        {"SpeedButtonLdSect", "Open sector gates", &GateCommands::SpeedButtonLdSectClick},
        {"SpeedButtonSvSect", "Save sector gates", &GateCommands::SpeedButtonSvSectClick},
        {"SpeedButtonSelSect", "Find sector gates", &GateCommands::SpeedButtonSelSectClick},
        {"SpeedButtonGoogleEarth", "Export tracks as KML file",
         &GateCommands::SpeedButtonGoogleEarthClick},
    };
    const QStyle* look = strip->style();
    const QIcon icons[] = {GlyphIcon(Glyph::Set),
                           GlyphIcon(Glyph::Adjust),
                           GlyphIcon(Glyph::Remove),
                           look->standardIcon(QStyle::SP_DialogOpenButton),
                           look->standardIcon(QStyle::SP_DialogSaveButton),
                           GlyphIcon(Glyph::Find),
                           GlyphIcon(Glyph::Globe)};
    int k = 0;
    for (const Button& b : kButtons) {
        auto* button = new QToolButton(strip);
        button->setObjectName(QString::fromLatin1(b.name));
        button->setToolTip(QString::fromLatin1(b.hint));
        button->setAutoRaise(true);
        button->setFocusPolicy(Qt::NoFocus);
        button->setIcon(icons[k]);
        button->setIconSize(QSize(kIconSize, kIconSize));
        connect(button, &QToolButton::clicked, this, b.handler);
        if (k == 6)
            layout->addSpacing(6);
        layout->addWidget(button);
        ++k;
    }
}

void GateCommands::SetDialogs(GateDialogs* dialogs) {
    dialogs_ = dialogs != nullptr ? dialogs : qtDialogs_.get();
}

void GateCommands::SetCircuitChooser(CircuitChooser* chooser) {
    chooser_ = chooser != nullptr ? chooser : qtChooser_.get();
}

void GateCommands::SetSectorIndex(std::vector<TPthClnDat>* index) {
    sectorIndex_ = index;
}

void GateCommands::SetShowInFileBrowser(std::function<void(const std::filesystem::path&)> show) {
    showInFileBrowser_ = std::move(show);
}

GateButtonContext GateCommands::Context() {
    return GateButtonContext{session_,  prompter_,     *dialogs_,
                             *chooser_, SectorIndex(), playback_.playing()};
}

void GateCommands::Run(const StepList& steps) {
    if (!steps.empty() && runSteps_)
        runSteps_(steps);
}

std::vector<TPthClnDat>& GateCommands::SectorIndex() {
    return sectorIndex_ != nullptr ? *sectorIndex_ : noIndex_;
}

void GateCommands::SpeedButtonSetSectClick() {
    GateButtonContext context = Context();
    Run(qv::SpeedButtonSetSectClick(context));
}

void GateCommands::SpeedButtonEdSectClick() {
    GateButtonContext context = Context();
    Run(qv::SpeedButtonEdSectClick(context));
}

void GateCommands::SpeedButtonClrSectClick() {
    GateButtonContext context = Context();
    Run(qv::SpeedButtonClrSectClick(context));
}

void GateCommands::SpeedButtonLdSectClick() {
    GateButtonContext context = Context();
    Run(qv::SpeedButtonLdSectClick(context));
}

void GateCommands::SpeedButtonSvSectClick() {
    GateButtonContext context = Context();
    qv::SpeedButtonSvSectClick(context);
}

void GateCommands::SpeedButtonSelSectClick() {
    GateButtonContext context = Context();
    Run(qv::SpeedButtonSelSectClick(context));
}

void GateCommands::SpeedButtonGoogleEarthClick() {
    const KmlSaveResult result = qv::SpeedButtonGoogleEarthClick(session_, prompter_);
    if (result.written && showInFileBrowser_)
        showInFileBrowser_(result.path);
}

}  // namespace qv::ui
