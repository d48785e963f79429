#pragma once

#include "LectureService.h"

#include <QByteArray>
#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>

// The built program as the tests of the finished program start it: on the desktop
// run-on-desktop.sh made (X, a private session bus, with --private-net a loopback of its
// own), over a data folder of its own, with the lectures served on the loopback port the
// build points it at. Its standard error is kept for the test.
class BuiltProgram
{
public:
    // True when the build's service address is this machine's loopback, so that the test
    // can serve it; a test skips otherwise.
    static bool servesLocally();
    // The lecture service on the build's port (fails when another one holds it).
    bool serve();
    // <XDG_DATA_HOME>/Quillora, made on demand; its settings.json written as given.
    QString dataFolder() const;
    bool writeSettings(const QByteArray &json) const;

    // Starts the program (in `process`, or the object's own) on X with the data folder and
    // the extra environment entries ("NAME=value"); false outside run-on-desktop.sh.
    bool start(const QStringList &environment = {}) { return start(m_process, environment); }
    bool start(QProcess &process, const QStringList &environment = {});
    // Terminates the program, killing it when it does not end within 10 s.
    void stop();
    QProcess &process() { return m_process; }
    const QProcess &process() const { return m_process; }
    // Everything the program wrote to standard error so far.
    QString log() const;

    LectureService service;
    QTemporaryDir home;

private:
    QProcess m_process;
};
