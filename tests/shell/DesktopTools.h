#pragma once

// What the tests of the built program share: the desktop's own tools run against it
// (playerctl for its media controls, xdotool for its windows).
#include <QProcess>
#include <QStringList>

namespace Desktop {

// The tool's standard output, trimmed; its errors go to the test's log.
inline QString run(const QString &program, const QStringList &arguments, int *exitCode = nullptr)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process.start(program, arguments);
    if (!process.waitForFinished(20000))
        return QStringLiteral("<%1 did not finish>").arg(program);
    if (exitCode)
        *exitCode = process.exitCode();
    return QString::fromUtf8(process.readAllStandardOutput()).trimmed();
}

inline QString playerctl(const QStringList &arguments)
{
    return run("playerctl", QStringList{"-p", "talvora"} + arguments);
}

// The position the media controls report, or -1 while there is none.
inline double position()
{
    bool ok = false;
    const double at = playerctl({"position"}).toDouble(&ok);
    return ok ? at : -1;
}

inline QString title()
{
    return playerctl({"metadata", "xesam:title"});
}

// The visible window of the process, empty until there is one.
inline QString windowOf(qint64 pid)
{
    return run("xdotool", {"search", "--onlyvisible", "--pid", QString::number(pid)})
        .split('\n')
        .value(0);
}

} // namespace Desktop
