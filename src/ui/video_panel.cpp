#include "ui/video_panel.h"

#include <QCoreApplication>
#include <QHBoxLayout>
#include <QIcon>
#include <QImage>
#include <QLabel>
#include <QMetaObject>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <QStyle>
#include <QTabWidget>
#include <QToolButton>
#include <QVBoxLayout>
#include <cmath>
#include <cstdio>

#include "ui/auto_sync_strip.h"
#include "ui/playback_controller.h"

namespace qv::ui {
namespace {

constexpr int kStripHeight = 26;
constexpr int kBarHeight = 22;
constexpr int kGWidth = 92;
constexpr int kGHeight = 49;

QColor ButtonFaceOf(const QWidget* w) {
    return w->palette().color(QPalette::Button);
}

// The "Sync/Free" glyph: two links of a chain along the diagonal, joined
// while the video is tied to the laps and parted while it runs free.
QIcon ChainIcon(bool tied, const QColor& ink) {
    QIcon icon;
    for (const int side : {16, 24, 32}) {
        QPixmap pixmap(side, side);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.scale(side / 16.0, side / 16.0);
        painter.translate(8, 8);
        painter.rotate(-45);
        painter.setPen(QPen(ink, 1.4));
        painter.setBrush(Qt::NoBrush);
        if (tied) {
            painter.drawRoundedRect(QRectF(-8.5, -2.25, 10, 4.5), 2.25, 2.25);
            painter.drawRoundedRect(QRectF(-1.5, -2.25, 10, 4.5), 2.25, 2.25);
        } else {
            painter.drawRoundedRect(QRectF(-8.5, -2.25, 7, 4.5), 2.25, 2.25);
            painter.drawRoundedRect(QRectF(1.5, -2.25, 7, 4.5), 2.25, 2.25);
            painter.setPen(QPen(ink, 1.1));
            painter.drawLine(QPointF(-0.6, -3.4), QPointF(-1.2, -5.4));
            painter.drawLine(QPointF(0.6, 3.4), QPointF(1.2, 5.4));
        }
        painter.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}

}  // namespace

// Posts each event to the panel's thread; those still queued when the
// panel goes are dropped with it.
class VideoPanel::QueuedSink : public PlayerEventSink {
  public:
    explicit QueuedSink(VideoPanel& panel) : panel_(panel) {}
    void Post(PlayerEvent event) override {
        VideoPanel* panel = &panel_;
        QMetaObject::invokeMethod(
            panel, [panel, event = std::move(event)] { panel->commands().Deliver(event); },
            Qt::QueuedConnection);
    }

  private:
    VideoPanel& panel_;
};

// `PanelVideo`: the current frame scaled to fit with its aspect kept.
class VideoPanel::Picture : public QWidget {
  public:
    Picture(VideoPanel& panel, QWidget* parent) : QWidget(parent), panel_(panel) {
        setObjectName(QStringLiteral("PanelVideo"));
        setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
        setAttribute(Qt::WA_OpaquePaintEvent);
    }

  protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.fillRect(rect(), Qt::black);
        const std::shared_ptr<const VideoImage>& image = panel_.commands().view().image;
        if (!image || image->width <= 0 || image->height <= 0 ||
            !panel_.commands().state().loaded())
            return;
        const QImage frame(image->pixels.data(), image->width, image->height, image->stride,
                           QImage::Format_RGB32);
        QSize fitted = QSize(image->width, image->height).scaled(size(), Qt::KeepAspectRatio);
        const QRect target(QPoint((width() - fitted.width()) / 2, (height() - fitted.height()) / 2),
                           fitted);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.drawImage(target, frame);
    }
    void resizeEvent(QResizeEvent*) override { panel_.UpdateScreenPosition(); }

  private:
    VideoPanel& panel_;
};

// `PaintBoxVideoBar`: where the video stands; a click seeks while free.
class VideoPanel::Bar : public QWidget {
  public:
    Bar(VideoPanel& panel, QWidget* parent) : QWidget(parent), panel_(panel) {
        setObjectName(QStringLiteral("PaintBoxVideoBar"));
        setFixedHeight(kBarHeight);
        setToolTip(QCoreApplication::translate("VideoPanel", "クリック : 再生位置指定"));
    }

  protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.fillRect(rect(), ButtonFaceOf(this));
        const VideoSyncState& s = panel_.commands().state();
        if (!s.loaded())
            return;
        painter.setPen(Qt::red);
        painter.drawRect(QRect(QPoint(4, 4), QPoint(width() - 4, height() - 4)));
        const int right =
            VideoBarFillRight(panel_.commands().player().CurrentPTS(), s.duration, width());
        painter.fillRect(QRect(QPoint(4, 4), QPoint(right, height() - 4)), Qt::red);
    }
    void mousePressEvent(QMouseEvent* event) override {
        if (event->button() == Qt::LeftButton)
            panel_.commands().BarClick(width(), event->position().toPoint().x());
    }

  private:
    VideoPanel& panel_;
};

// `PaintBoxVideoG`: slot A's G at the cursor, one ring radius per g.
class VideoPanel::GIndicator : public QWidget {
  public:
    GIndicator(VideoPanel& panel, QWidget* parent) : QWidget(parent), panel_(panel) {
        setObjectName(QStringLiteral("PaintBoxVideoG"));
        setFixedSize(kGWidth, kGHeight);
        setToolTip(QStringLiteral("YG : +/-2.0 , XG : +/-4.0"));
    }

  protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.fillRect(rect(), ButtonFaceOf(this));
        const VideoCommands& c = panel_.commands();
        if (panel_.session_.laps.LapDtNum() < 1 || !c.state().loaded() || !c.state().syncOn ||
            !ShowsPicture(panel_.commands().player().State()))
            return;
        const int w = width();
        const int h = height();
        const int cx = w / 2;
        const int cy = h / 2 + 2;
        const int r = (cy - 4) / 2;
        const QRect box(QPoint(4, 5), QPoint(w - 4, h - 1));
        painter.fillRect(box, QColor(224, 224, 224));
        painter.setPen(Qt::NoPen);
        painter.setBrush(Qt::white);
        painter.drawEllipse(QPoint(cx, cy), 2 * r, 2 * r);
        painter.setBrush(QColor(224, 224, 224));
        painter.drawEllipse(QPoint(cx, cy), r, r);
        painter.setBrush(Qt::NoBrush);
        painter.setPen(Qt::black);
        painter.drawRect(box);
        painter.drawLine(cx, 5, cx, h - 1);
        painter.drawLine(4, cy, w - 4, cy);
        const auto& cursor = panel_.session_.align.cursor[0];
        const QPoint dot(
            cx + static_cast<int>(std::lround(r * static_cast<double>(cursor.CsLateG3))),
            cy + static_cast<int>(std::lround(r * static_cast<double>(cursor.CsLogiG3))));
        painter.setPen(Qt::red);
        painter.setBrush(Qt::red);
        painter.drawEllipse(dot, 2, 2);
        painter.drawLine(dot, QPoint(cx, cy));
    }

  private:
    VideoPanel& panel_;
};

VideoPanel::VideoPanel(Session& session, PlaybackController& playback, Prompter& prompter,
                       QWidget* parent)
    : QWidget(parent), session_(session), playback_(playback) {
    setObjectName(QStringLiteral("TabSheetVideo"));
    // Squeezed with the lower views like the other tabs, not held open by
    // its controls.
    setMinimumSize(1, 1);
    sink_ = std::make_unique<QueuedSink>(*this);
    VideoCommands::Host host;
    host.slotA = [this] { return SlotA(); };
    host.playTime = [this] { return session_.presentation.playTime; };
    host.lapPlaying = [this] { return playback_.playing(); };
    host.pressPlayPause = [this] { playback_.PlayPause(); };
    host.videoTabShowing = [this] { return TabShowing(); };
    host.videoMovedCursor = [this] { playback_.VideoMovedCursor(); };
    host.screenSize = [this](int& w, int& h) { ScreenSize(w, h); };
    host.now = [this] { return playback_.Now(); };
    host.changed = [this] { ShowView(); };
    commands_ = std::make_unique<VideoCommands>(prompter, playback_.timers(), *sink_,
                                                std::move(host), session.folders.documentsRoot);
    PlaybackController::VideoPort port;
    port.status = [this] { return commands_->Status(); };
    port.tabShowing = [this] { return TabShowing(); };
    port.run = [this](const Step& step) { commands_->RunStep(step); };
    port.shutDown = [this] { commands_->Shutdown(); };
    port.screenMoved = [this] { UpdateScreenPosition(); };
    playback_.AttachVideo(std::move(port));

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    auto* strip = new QWidget(this);
    strip->setFixedHeight(kStripHeight);
    auto* buttons = new QHBoxLayout(strip);
    buttons->setContentsMargins(2, 0, 2, 0);
    buttons->setSpacing(1);
    remove_ = Button("SpeedButtonVideoRemove", "Remove video", QStyle::SP_TrashIcon,
                     &VideoCommands::RemoveVideo);
    open_ = Button("SpeedButtonVideoOpen", "Open video", QStyle::SP_DialogOpenButton,
                   &VideoCommands::OpenVideo);
    reset_ = Button("SpeedButtonVideoReset", "Reset video play time", QStyle::SP_MediaSkipBackward,
                    &VideoCommands::ResetVideoPlayTime);
    play_ = Button("SpeedButtonVideoPlay", "Play/Pause video", QStyle::SP_MediaPlay,
                   &VideoCommands::PlayPauseVideo);
    forward_ = Button("SpeedButtonVideoFWD", "Forward video frame", QStyle::SP_MediaSeekForward,
                      &VideoCommands::ForwardVideoFrame);
    backward_ = Button("SpeedButtonVideoBWD", "backward video frame", QStyle::SP_MediaSeekBackward,
                       &VideoCommands::BackwardVideoFrame);
    tiedIcon_ = ChainIcon(true, palette().color(QPalette::ButtonText));
    freeIcon_ = ChainIcon(false, palette().color(QPalette::ButtonText));
    sync_ = Button("SpeedButtonVideoSync", "Sync/Free", -1, &VideoCommands::SyncFree);
    openSync_ = Button("SpeedButtonVideoInfoOpen", "Open sync information", QStyle::SP_DirOpenIcon,
                       &VideoCommands::OpenSyncInfo);
    saveSync_ = Button("SpeedButtonVideoInfoSave", "Save sync information",
                       QStyle::SP_DialogSaveButton, &VideoCommands::SaveSyncInfo);
    reload_ = Button("SpeedButtonVideoReload", "Reload video", QStyle::SP_BrowserReload,
                     &VideoCommands::ReloadVideo);
    for (QToolButton* b :
         {remove_, open_, reset_, play_, forward_, backward_, sync_, openSync_, saveSync_, reload_})
        buttons->addWidget(b);
    buttons->addWidget(new AutoSyncStrip(session_, *this, strip));
    buttons->addStretch(1);
    column->addWidget(strip);

    picture_ = new Picture(*this, this);
    column->addWidget(picture_, 1);
    bar_ = new Bar(*this, this);
    column->addWidget(bar_);

    auto* bottom = new QHBoxLayout;
    bottom->setContentsMargins(2, 0, 2, 0);
    g_ = new GIndicator(*this, this);
    bottom->addWidget(g_);
    auto* labels = new QVBoxLayout;
    labels->setSpacing(0);
    const auto label = [this](const char* name) {
        auto* l = new QLabel(QStringLiteral("."), this);
        l->setObjectName(QString::fromLatin1(name));
        return l;
    };
    pts_ = label("LabelPTS");
    start_ = label("LabelVideoDttm");
    speed_ = label("LabelSpdWithVideo");
    labels->addWidget(pts_);
    labels->addWidget(start_);
    labels->addWidget(speed_);
    bottom->addLayout(labels, 1);
    column->addLayout(bottom);
    ShowView();
}

VideoPanel::~VideoPanel() {
    commands_->Shutdown();
}

QToolButton* VideoPanel::Button(const char* name, const char* hint, int icon,
                                void (VideoCommands::*run)()) {
    auto* button = new QToolButton(this);
    button->setObjectName(QString::fromLatin1(name));
    button->setToolTip(QString::fromLatin1(hint));
    button->setAutoRaise(true);
    button->setFocusPolicy(Qt::NoFocus);
    if (icon >= 0)
        button->setIcon(style()->standardIcon(static_cast<QStyle::StandardPixmap>(icon)));
    connect(button, &QToolButton::clicked, this, [this, run] { (commands_.get()->*run)(); });
    return button;
}

SlotALap VideoPanel::SlotA() const {
    SlotALap lap;
    if (session_.laps.LapDtNum() < 1 || session_.laps.LapDt[0].Elm.empty())
        return lap;
    const TLapDtRec& a = session_.laps.LapDt[0];
    lap.occupied = true;
    lap.startDtTm = a.Elm.front().DtTm;
    lap.lastSec = static_cast<double>(static_cast<Float80>(a.Elm.back().Sec));
    return lap;
}

void VideoPanel::UpdateScreenPosition() {
    int w = 0;
    int h = 0;
    ScreenSize(w, h);
    commands_->player().UpdateScreenPosition(w, h);
}

void VideoPanel::ScreenSize(int& width, int& height) const {
    const qreal dpr = picture_ != nullptr ? picture_->devicePixelRatioF() : 1;
    const QSize size = picture_ != nullptr ? picture_->size() : QSize();
    width = static_cast<int>(std::lround(size.width() * dpr));
    height = static_cast<int>(std::lround(size.height() * dpr));
}

bool VideoPanel::TabShowing() const {
    for (const QWidget* w = parentWidget(); w != nullptr; w = w->parentWidget()) {
        if (const auto* tabs = qobject_cast<const QTabWidget*>(w))
            return tabs->currentWidget() == this;
    }
    return isVisible();
}

void VideoPanel::ShowView() {
    const VideoCommands::View& v = commands_->view();
    const VideoSyncState& s = commands_->state();
    for (QToolButton* b : {open_, reset_, play_, forward_, backward_, openSync_})
        b->setEnabled(v.free);
    saveSync_->setEnabled(v.saveSyncEnabled);
    sync_->setIcon(v.free ? freeIcon_ : tiedIcon_);
    bar_->setToolTip(v.barHint
                         ? QCoreApplication::translate("VideoPanel", "クリック : 再生位置指定")
                         : QString());
    play_->setIcon(
        style()->standardIcon(v.pausedGlyph ? QStyle::SP_MediaPlay : QStyle::SP_MediaPause));
    pts_->setText(QString::fromStdString(v.timeLabel));
    start_->setText(QString::fromStdString(v.startLabel));
    start_->setToolTip(QString::fromStdString(v.startHint));
    QString speed = QStringLiteral(".");
    if (session_.laps.LapDtNum() >= 1 && s.loaded() && s.syncOn &&
        ShowsPicture(commands_->player().State())) {
        char text[32];
        std::snprintf(text, sizeof text, "%.2fkm/h",
                      static_cast<double>(session_.align.cursor[0].CsSpd));
        speed = QString::fromLatin1(text);
    }
    speed_->setText(speed);
    picture_->update();
    bar_->update();
    g_->update();
    Q_EMIT viewChanged();
}

}  // namespace qv::ui
