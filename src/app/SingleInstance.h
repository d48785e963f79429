#pragma once

#include <QLocalServer>
#include <QLockFile>
#include <QObject>
#include <QString>

#include <memory>

// One program at a time per data folder: two copies would write the same files every second
// (the last writer wins the resume point) and each copy's download state would drop the
// other's downloads. The first start holds a lock file and a local socket in
// $XDG_RUNTIME_DIR; a later start hands its request to it and ends.
//
// A local socket rather than a D-Bus name: it works without a session bus (the program runs
// on without one), and it is keyed by the data folder, so copies over different data folders
// (tests side by side) never meet.
class SingleInstance : public QObject
{
    Q_OBJECT
public:
    explicit SingleInstance(const QString &dataFolder, QObject *parent = nullptr);
    ~SingleInstance() override;

    // True when this process is now the one program for the data folder and listens for
    // later starts.
    bool claim();
    // For a later start: asks the running program to show its main window. True once it
    // confirmed.
    bool handOver();

signals:
    void activationRequested();

private:
    void onConnection();

    QString m_name; // socket path
    std::unique_ptr<QLockFile> m_lock;
    QLocalServer m_server;
};
