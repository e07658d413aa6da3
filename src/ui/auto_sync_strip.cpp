#include "ui/auto_sync_strip.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QMetaObject>
#include <QProgressBar>
#include <QPushButton>

#include "app/auto_sync_job.h"
#include "ui/video_panel.h"
#include "video/video_motion.h"

namespace qv::ui {

// Posts each event to the strip's thread; those still queued when the
// strip goes are dropped with it.
class AutoSyncStrip::QueuedSink : public AutoSyncSink {
  public:
    explicit QueuedSink(AutoSyncStrip& strip) : strip_(strip) {}
    void Post(AutoSyncEvent event) override {
        AutoSyncStrip* strip = &strip_;
        QMetaObject::invokeMethod(
            strip, [strip, event = std::move(event)] { strip->Deliver(event); },
            Qt::QueuedConnection);
    }

  private:
    AutoSyncStrip& strip_;
};

AutoSyncStrip::AutoSyncStrip(Session& session, VideoPanel& panel, QWidget* parent)
    : QWidget(parent), session_(session), panel_(panel) {
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(4, 0, 0, 0);
    row->setSpacing(4);
    run_ = new QPushButton(tr("Auto sync"), this);
    run_->setObjectName(QStringLiteral("ButtonVideoAutoSync"));
    run_->setFocusPolicy(Qt::NoFocus);
    progress_ = new QProgressBar(this);
    progress_->setObjectName(QStringLiteral("ProgressBarVideoAutoSync"));
    progress_->setRange(0, 100);
    progress_->setMaximumWidth(120);
    cancel_ = new QPushButton(tr("Cancel"), this);
    cancel_->setObjectName(QStringLiteral("ButtonVideoAutoSyncCancel"));
    cancel_->setFocusPolicy(Qt::NoFocus);
    status_ = new QLabel(this);
    status_->setObjectName(QStringLiteral("LabelVideoAutoSync"));
    row->addWidget(run_);
    row->addWidget(progress_);
    row->addWidget(cancel_);
    row->addWidget(status_);
    connect(run_, &QPushButton::clicked, this, &AutoSyncStrip::StartRun);
    connect(cancel_, &QPushButton::clicked, this, &AutoSyncStrip::CancelRun);
    connect(&panel_, &VideoPanel::viewChanged, this, &AutoSyncStrip::ShowView);
    sink_ = std::make_unique<QueuedSink>(*this);
    worker_ = std::make_unique<AutoSyncWorker>(*sink_);
    ShowView();
}

AutoSyncStrip::~AutoSyncStrip() {
    worker_.reset();
}

AutoSyncCommand::Context AutoSyncStrip::Now() const {
    AutoSyncCommand::Context now;
    const VideoSyncState& video = panel_.commands().state();
    now.videoFile = video.fileName;
    if (video.syncOn)
        now.tiedVideoStart = video.videoStartTime;
    if (session_.laps.LapDtNum() >= 1 && !session_.laps.LapDt[0].Elm.empty()) {
        now.slotAOccupied = true;
        now.lapStart = session_.laps.LapDt[0].Elm.front().DtTm;
    }
    return now;
}

void AutoSyncStrip::StartRun() {
    const std::optional<int> run = command_.Start(Now());
    if (!run)
        return;
    // Copies: the window goes on with its own while the analysis runs.
    const std::string video = panel_.commands().state().fileName;
    const TLapDtRec lap = session_.laps.LapDt[0];
    worker_->Run(*run,
                 [video, lap](const AutoSyncProgress& progress, const std::atomic<bool>& cancel) {
                     return RunAutoSync(lap, VideoFileMotionReader(video), progress, cancel);
                 });
    ShowView();
}

void AutoSyncStrip::CancelRun() {
    command_.Cancel();
    worker_->Cancel();
    ShowView();
}

void AutoSyncStrip::Deliver(const AutoSyncEvent& event) {
    if (event.kind == AutoSyncEvent::Kind::Progress) {
        command_.Progress(event.run, event.fraction);
    } else {
        const AutoSyncCommand::Outcome outcome = command_.Finish(event.run, event.result, Now());
        if (outcome.tie) {
            // The tie first: the status then belongs to the tie in force.
            const bool tied = panel_.commands().TieLapStartAt(outcome.lapStartVideoTime);
            command_.TieApplied(tied, Now());
        }
    }
    ShowView();
}

void AutoSyncStrip::ShowView() {
    command_.Follow(Now());
    const AutoSyncCommand::View& v = command_.view();
    run_->setEnabled(command_.Enabled(Now()));
    progress_->setVisible(v.running);
    progress_->setValue(v.percent);
    cancel_->setVisible(v.running);
    status_->setText(QString::fromStdString(v.status));
}

}  // namespace qv::ui
