#include "prayer/PrayerTimes.h"

#include <itl/prayer.h>

#include <cmath>

namespace PrayerTimes {

namespace {

// libitl 0.8 moves every time it computes earlier by its own estimate of ΔT (the difference
// between terrestrial and universal time: about 103 s in 2026, 141 s in 2050), as if a
// universal-time event had to be turned into universal time once more. Measured here against
// the solar-noon formula of NOAA: Dzuhur came out 66 s early for 2000, 104 s for 2026 and
// 143 s for 2050, at every longitude. That is early in the direction that matters (a prayer
// before its time), so the same estimate (Meeus, Astronomical Algorithms, ch. 10) is added back.
double libraryDeltaTSeconds(int year)
{
    const double t = (year - 2000) / 100.0;
    return 102 + 102 * t + 25.3 * t * t + 0.37 * (year - 2100);
}

QDateTime toDateTime(const ::Prayer &p, QDate date, const QTimeZone &zone, double shiftSeconds)
{
    // 99:99 is the library's "does not occur".
    if (p.hour < 0 || p.hour > 23 || p.minute < 0 || p.minute > 59)
        return {};
    const double local = p.hour * 3600.0 + p.minute * 60.0 + p.second + shiftSeconds;
    QDateTime start(date, QTime(0, 0), zone);
    return start.addMSecs(qint64(std::llround(local * 1000)));
}

QDateTime roundedUpToMinute(const QDateTime &time)
{
    if (!time.isValid())
        return time;
    const qint64 ms = time.toMSecsSinceEpoch();
    const qint64 minute = 60000;
    const qint64 up = (ms + minute - 1) / minute * minute;
    return QDateTime::fromMSecsSinceEpoch(up, time.timeZone());
}

QDateTime roundedDownToMinute(const QDateTime &time)
{
    if (!time.isValid())
        return time;
    const qint64 ms = time.toMSecsSinceEpoch();
    return QDateTime::fromMSecsSinceEpoch(ms - ms % 60000, time.timeZone());
}

} // namespace

Method method(Authority authority)
{
    switch (authority) {
    case Authority::Kemenag:
    case Authority::Jakim:
    case Authority::Kheu:
    case Authority::Muis:
        break;
    }
    return Method{20, 18, 2, true};
}

QString authorityName(Authority authority)
{
    switch (authority) {
    case Authority::Kemenag:
        return QStringLiteral("Kemenag RI (Indonesia)");
    case Authority::Jakim:
        return QStringLiteral("JAKIM (Malaysia)");
    case Authority::Kheu:
        return QStringLiteral("KHEU (Brunei)");
    case Authority::Muis:
        return QStringLiteral("MUIS (Singapura)");
    }
    return {};
}

QString prayerName(Prayer prayer)
{
    static const char *const names[] = {"Subuh", "Dzuhur", "Ashar", "Maghrib", "Isya"};
    return QString::fromLatin1(names[int(prayer)]);
}

bool validCoordinates(double latitude, double longitude)
{
    return std::isfinite(latitude) && std::isfinite(longitude) && latitude >= -90 &&
           latitude <= 90 && longitude >= -180 && longitude <= 180;
}

std::optional<Day> compute(double latitude, double longitude, QDate date, const Method &chosen,
                           const QTimeZone &zone)
{
    if (!validCoordinates(latitude, longitude) || !date.isValid() || !zone.isValid())
        return std::nullopt;

    // The zone's offset at noon of that day, daylight saving included.
    const QDateTime noon(date, QTime(12, 0), zone);
    Location location{};
    location.degreeLong = longitude;
    location.degreeLat = latitude;
    location.gmtDiff = zone.offsetFromUtc(noon) / 3600.0;
    location.dst = 0;
    location.seaLevel = 0;
    location.pressure = 1010;
    location.temperature = 10;

    ::Method method;
    getMethod(0, &method);
    method.fajrAng = chosen.fajrAngle;
    method.ishaaAng = chosen.ishaAngle;
    method.round = 0;
    method.mathhab = 1;
    // Nearest good day for Fajr and Isha when the sun does not reach their angle; from 55°
    // on it is used always (the library's defaults, named here so they do not drift).
    method.extreme = 5;
    method.extremeLat = 55;

    Date day{date.day(), date.month(), date.year()};
    ::Prayer computed[6];
    getPrayerTimes(&location, &method, &day, computed);

    const double shift = libraryDeltaTSeconds(date.year());
    const double precaution = chosen.precautionMinutes * 60.0;
    Day result;
    result.date = date;
    const int order[PrayerCount] = {0, 2, 3, 4, 5};
    for (int i = 0; i < PrayerCount; ++i) {
        const QDateTime exact = toDateTime(computed[order[i]], date, zone, shift + precaution);
        result.times[i] = chosen.wholeMinutes ? roundedUpToMinute(exact) : exact;
    }
    const QDateTime sunrise = toDateTime(computed[1], date, zone, shift - precaution);
    result.sunrise = chosen.wholeMinutes ? roundedDownToMinute(sunrise) : sunrise;
    return result;
}

} // namespace PrayerTimes
