#include "TimeText.h"

#include <cmath>

QString TimeText::formatted(double seconds)
{
    if (!std::isfinite(seconds) || seconds < 0 || seconds >= 9.0e15)
        return QStringLiteral("0:00");
    const auto whole = static_cast<qint64>(seconds);
    const qint64 minutes = whole / 60;
    const qint64 rest = whole - minutes * 60;
    return QStringLiteral("%1:%2").arg(minutes).arg(rest, 2, 10, QLatin1Char('0'));
}
