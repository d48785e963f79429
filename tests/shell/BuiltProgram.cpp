#include "BuiltProgram.h"

#include <QDir>
#include <QFile>
#include <QUrl>

namespace {
QUrl builtServiceUrl()
{
    return QUrl(QStringLiteral(TALVORA_BUILT_SERVICE_URL));
}
} // namespace

bool BuiltProgram::servesLocally()
{
    const QString host = builtServiceUrl().host();
    return host == QLatin1String("127.0.0.1") || host == QLatin1String("localhost");
}

bool BuiltProgram::serve()
{
    if (service.start(quint16(builtServiceUrl().port(80))))
        return true;
    qWarning("the port of %s is taken", qPrintable(builtServiceUrl().toString()));
    return false;
}

QString BuiltProgram::dataFolder() const
{
    const QString folder = home.path() + QStringLiteral("/Quillora");
    QDir().mkpath(folder);
    return folder;
}

bool BuiltProgram::writeSettings(const QByteArray &json) const
{
    QFile file(dataFolder() + QStringLiteral("/settings.json"));
    return file.open(QIODevice::WriteOnly) && file.write(json) == json.size();
}

bool BuiltProgram::start(QProcess &process, const QStringList &environment)
{
    if (!qEnvironmentVariableIsSet("DISPLAY")) {
        qWarning("no display: run through run-on-desktop.sh");
        return false;
    }
    QProcessEnvironment settings = QProcessEnvironment::systemEnvironment();
    settings.insert(QStringLiteral("XDG_DATA_HOME"), home.path());
    settings.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    for (const QString &entry : environment)
        settings.insert(entry.section(QLatin1Char('='), 0, 0), entry.section(QLatin1Char('='), 1));
    process.setProcessEnvironment(settings);
    // Its own standard error to a file, which never fills up and stalls it as a pipe would
    // while the test waits for a tool; another start's stays readable from the process.
    if (&process == &m_process)
        process.setStandardErrorFile(home.filePath(QStringLiteral("program.log")),
                                     QIODevice::Append);
    process.start(QStringLiteral(TALVORA_PROGRAM), {});
    if (process.waitForStarted())
        return true;
    qWarning("the program did not start: %s", qPrintable(process.errorString()));
    return false;
}

void BuiltProgram::stop()
{
    if (m_process.state() == QProcess::NotRunning)
        return;
    m_process.terminate();
    if (!m_process.waitForFinished(10000)) {
        m_process.kill();
        m_process.waitForFinished(10000);
    }
}

QString BuiltProgram::log() const
{
    QFile file(home.filePath(QStringLiteral("program.log")));
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}
