#pragma once

#include <QDate>
#include <QDateTime>
#include <QList>
#include <QString>
#include <QTimeZone>

#include <optional>

// The five daily prayer times (and sunrise) for a place and a date, computed on the machine
// with the Islamic Tools and Libraries (libitl) in a given time zone, by the method of the
// place's religious authority.
namespace PrayerTimes {

// The authorities of the four countries the city list covers. All four use a Fajr angle of
// 20° and an Isha angle of 18° below the horizon, Shafi'i Asr (shadow ratio 1), and add a
// precaution (ihtiyat) of two minutes, rounding up to the whole minute; sunrise is moved two
// minutes earlier. They are kept apart so the listener finds their own authority by name.
enum class Authority { Kemenag, Jakim, Kheu, Muis };

enum class Prayer { Subuh, Dzuhur, Ashar, Maghrib, Isya };
inline constexpr int PrayerCount = 5;

struct Method
{
    double fajrAngle = 20;
    double ishaAngle = 18;
    int precautionMinutes = 2;
    // Prayers rounded up to the minute, sunrise down, as the authorities publish them.
    bool wholeMinutes = true;
};

struct Day
{
    QDate date;
    // Subuh, Dzuhur, Ashar, Maghrib, Isya; an invalid time where the sky gives none even by
    // the library's extreme-latitude rule.
    QDateTime times[PrayerCount];
    QDateTime sunrise;
    QDateTime at(Prayer prayer) const { return times[int(prayer)]; }
};

Method method(Authority authority);
QString authorityName(Authority authority);
// "Subuh", "Dzuhur", "Ashar", "Maghrib", "Isya".
QString prayerName(Prayer prayer);

bool validCoordinates(double latitude, double longitude);

// Nothing for coordinates outside -90..90 / -180..180 or an invalid date.
std::optional<Day> compute(double latitude, double longitude, QDate date, const Method &method,
                           const QTimeZone &zone = QTimeZone::systemTimeZone());

} // namespace PrayerTimes
