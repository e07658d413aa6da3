#pragma once
// One running program per data folder: the first start listens on a local
// socket, later starts find it there and ask it to come to the front, and
// hand it the file they were given.

#include <QLocalServer>
#include <QObject>
#include <QString>
#include <filesystem>

namespace qv::ui {

inline constexpr const char* kMsgAlreadyStarted = "Quorvane already started.";

// The socket name for the program data folder `programData`, so that
// starts with different data folders do not see each other.
QString InstanceKey(const std::filesystem::path& programData);

class SingleInstance : public QObject {
    Q_OBJECT

  public:
    explicit SingleInstance(QString key, QObject* parent = nullptr);

    // True when no other start holds the key; this one then holds it until
    // it is destroyed.
    bool Acquire();
    // Tells the start that holds the key to show its window and, when `file`
    // is not empty, to open that file (an absolute path); false when none
    // answered.
    bool AskFirstToFront(const std::filesystem::path& file = {}) const;

  Q_SIGNALS:
    void frontRequested();
    void openRequested(const std::filesystem::path& file);

  private:
    void Handle(const QByteArray& line);

    QString key_;
    QLocalServer server_;
};

}  // namespace qv::ui
