#pragma once
// The "Video" tab of the Graph page: the player's buttons, the picture, the
// video bar, the G indicator and the three labels. The commands and the
// player live in VideoCommands; the player's events come back here through
// queued calls. The panel ties itself to the playback controller.

#include <QIcon>
#include <QWidget>
#include <memory>

#include "app/session.h"
#include "core/prompter.h"
#include "video/video_commands.h"

class QLabel;
class QToolButton;

namespace qv::ui {

class PlaybackController;

class VideoPanel : public QWidget {
    Q_OBJECT

  public:
    VideoPanel(Session& session, PlaybackController& playback, Prompter& prompter,
               QWidget* parent = nullptr);
    ~VideoPanel() override;

    VideoCommands& commands() { return *commands_; }
    bool TabShowing() const;
    // Shows the commands' view: buttons, labels, bar, G indicator, picture.
    void ShowView();
    // Tells the player the picture's size in device pixels, which changes
    // with a resize and with a move to a screen of another pixel ratio.
    void UpdateScreenPosition();

  Q_SIGNALS:
    void viewChanged();

  private:
    class QueuedSink;
    class Picture;
    class Bar;
    class GIndicator;

    QToolButton* Button(const char* name, const char* hint, int icon, void (VideoCommands::*run)());
    SlotALap SlotA() const;
    void ScreenSize(int& width, int& height) const;

    Session& session_;
    PlaybackController& playback_;
    std::unique_ptr<QueuedSink> sink_;
    std::unique_ptr<VideoCommands> commands_;
    QToolButton* remove_ = nullptr;
    QToolButton* open_ = nullptr;
    QToolButton* reset_ = nullptr;
    QToolButton* play_ = nullptr;
    QToolButton* forward_ = nullptr;
    QToolButton* backward_ = nullptr;
    QToolButton* sync_ = nullptr;
    QToolButton* openSync_ = nullptr;
    QToolButton* saveSync_ = nullptr;
    QToolButton* reload_ = nullptr;
    QIcon tiedIcon_;
    QIcon freeIcon_;
    Picture* picture_ = nullptr;
    Bar* bar_ = nullptr;
    GIndicator* g_ = nullptr;
    QLabel* pts_ = nullptr;
    QLabel* start_ = nullptr;
    QLabel* speed_ = nullptr;
};

}  // namespace qv::ui
