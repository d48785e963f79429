#include "audio/SecondsText.h"

#include <charconv>
#include <cmath>

QString secondsText(double seconds)
{
    if (std::isnan(seconds))
        return QStringLiteral("nan");
    if (std::isinf(seconds))
        return seconds > 0 ? QStringLiteral("inf") : QStringLiteral("-inf");
    char buffer[64];
    const double magnitude = std::fabs(seconds);
    // Plain digits for everyday values, exponent form for the very large and very small.
    const bool plain = magnitude == 0 || (magnitude >= 1e-4 && magnitude < 1e16);
    const auto result =
        std::to_chars(buffer, buffer + sizeof buffer, seconds,
                      plain ? std::chars_format::fixed : std::chars_format::scientific);
    QString text = QString::fromLatin1(buffer, int(result.ptr - buffer));
    if (plain && !text.contains(QLatin1Char('.')))
        text += QStringLiteral(".0");
    return text;
}
