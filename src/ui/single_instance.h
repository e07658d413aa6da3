#pragma once
// One running program per data folder: the first start listens on a local
// socket, later starts find it there and ask it to come to the front, and
// hand it the file they were given.

#include <QLocalServer>
#include <QObject>
#include <QString>
#include <filesystem>
#include <string>

namespace qv::ui {

inline constexpr const char* kMsgAlreadyStarted = "Quorvane already started.";

// The socket name for the program data folder `programData`, so that
// starts with different data folders do not see each other.
QString InstanceKey(const std::filesystem::path& programData);

// How the key's socket answered a start that tried to connect to it.
enum class KeyProbe {
    kAnswered,     // another start listens there
    kBusy,         // it listens but has not taken the connection in time
    kNoSocket,     // nothing there
    kStaleSocket,  // a socket file nobody listens on: left by a start that crashed
    kUnreachable,  // there, but not ours to connect to
};

// Why listening on the key failed.
enum class ListenFailure { kNameInUse, kNoWriteAccess, kOther };

struct ProbeDecision {
    bool otherRuns = false;
    bool removeStale = false;  // before listening
};
ProbeDecision DecideOnProbe(KeyProbe probe);

// Either one more round, probing again (something was in the way of the
// name: a start that has just begun, or a file that could not be removed),
// or the start runs without the guard, for the reason given.
struct ListenDecision {
    bool tryAgain = false;
    std::string diagnostic;
};
// `socketPath` is where the socket was to be; `systemText` the system's
// own words for the failure.
ListenDecision DecideOnListenFailure(ListenFailure failure, bool triedAgain,
                                     const std::string& socketPath, const std::string& systemText);

class SingleInstance : public QObject {
    Q_OBJECT

  public:
    explicit SingleInstance(QString key, QObject* parent = nullptr);

    // True when no other start holds the key: this one then holds it until
    // it is destroyed, or, when it cannot listen, runs without it and
    // `diagnostic` says why.
    bool Acquire();
    bool guarded() const { return server_.isListening(); }
    const std::string& diagnostic() const { return diagnostic_; }
    // Tells the start that holds the key to show its window and, when `file`
    // is not empty, to open that file (an absolute path); false when none
    // answered.
    bool AskFirstToFront(const std::filesystem::path& file = {}) const;

  Q_SIGNALS:
    void frontRequested();
    void openRequested(const std::filesystem::path& file);

  private:
    void Handle(const QByteArray& line);

    KeyProbe Probe() const;

    QString key_;
    QLocalServer server_;
    std::string diagnostic_;
};

}  // namespace qv::ui
