#include "LibraryGenerator.h"

#include "models/Track.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRandomGenerator>
#include <QStringList>

namespace {

const QStringList teachers = {
    "Ustadz Abdul Somad",     "Ustadz Adi Hidayat",           "Ustadz Khalid Basalamah",
    "Ustadz Firanda Andirja", "Ustadz Syafiq Riza Basalamah", "Ustadz Badrusalam",
    "Ustadz Abu Haidar",      "Ustadz Dzulqarnain",           "Ustadz Muhammad Nuzul",
    "Ustadz Ammi Nur Baits",  "Ustadz Erwandi Tarmizi",       "Ustadz Yazid Jawas",
    "Ustadz Abdullah Taslim", "Ustadz Mizan Qudsiyah",        "Ustadz Oemar Mita",
    "Ustadz Hanan Attaki",    "Ustadz Rizal Yuliar",          "Ustadz Zainal Abidin",
    "Ustadz Aris Munandar",   "Ustadz Musyaffa Ad Dariny",    "",
};
const QStringList subjects = {
    "Tafsir Surat Al-Kahfi",  "Kitab Tauhid",
    "Riyadhus Shalihin",      "Fiqih Shalat",
    "Bulughul Maram",         "Sirah Nabawiyah",
    "Adab Penuntut Ilmu",     "Aqidah Wasithiyah",
    "Fiqih Muamalah",         "Syarah Arbain Nawawi",
    "Umdatul Ahkam",          "Tazkiyatun Nufus",
    "Hadits Jibril",          "Kitab Shiyam",
    "Al-Ushul Ats-Tsalatsah", "Mukhtashar Shahih Bukhari",
};
const QStringList places = {"Masjid Al-Ikhlas", "Masjid Nurul Iman", "Masjid Raya",
                            "Kajian Online",    "Pondok Pesantren",  "Masjid Agung Bandung",
                            "Kajian Rutin Ahad"};

QString slugify(const QString &text)
{
    QString slug;
    for (QChar c : text.toLower())
        slug += c.isLetterOrNumber() ? c : QLatin1Char('-');
    return slug;
}

} // namespace

QByteArray LibraryGenerator::document(int trackCount, quint32 seed)
{
    QRandomGenerator random(seed);
    QJsonArray data;
    for (int i = 0; i < trackCount; ++i) {
        Track track;
        track.id = 1000 + i * 3 + qint64(random.bounded(3));
        const QString &teacher = teachers.at(random.bounded(teachers.size()));
        const QString subject = subjects.at(random.bounded(subjects.size()));
        const int part = random.bounded(1, 120);
        track.judul = random.bounded(50) == 0 ? QString()
                                              : QStringLiteral("%1 Pertemuan %2 - %3")
                                                    .arg(subject)
                                                    .arg(part)
                                                    .arg(places.at(random.bounded(places.size())));
        track.ustadz = teacher;
        track.filename =
            QStringLiteral("%1 - %2 %3%4.mp3")
                .arg(teacher.isEmpty() ? QStringLiteral("Anonim") : teacher, subject)
                .arg(part)
                .arg(random.bounded(40) == 0 ? QStringLiteral(" (caf\u00e9)") : QString());
        track.slug = slugify(subject) + QStringLiteral("-%1-%2").arg(part).arg(track.id);
        track.filemtime = 1600000000 + random.bounded(130000000);
        if (random.bounded(10) == 0)
            track.directUrl = QStringLiteral("https://cdn.example.org/kajian/%1.mp3").arg(track.id);
        const qint64 seconds = random.bounded(300, 7200);
        track.sizeBytes = seconds * 8000 + random.bounded(8000);
        track.sizeMb = std::round(double(*track.sizeBytes) / 1048576.0 * 100) / 100;
        if (random.bounded(8) != 0)
            track.durationSeconds = seconds;
        if (random.bounded(3) == 0)
            track.durationFormatted = QStringLiteral("%1:%2")
                                          .arg(seconds / 60)
                                          .arg(seconds % 60, 2, 10, QLatin1Char('0'));
        if (random.bounded(6) != 0)
            track.views = random.bounded(25000);
        QJsonObject object = track.toJson();
        if (!track.directUrl && random.bounded(2) == 0)
            object.insert(QStringLiteral("direct_url"), QJsonValue::Null);
        data.append(object);
    }
    const QJsonObject document{{QStringLiteral("status"), QStringLiteral("success")},
                               {QStringLiteral("total_files"), trackCount},
                               {QStringLiteral("data"), data}};
    // The service pretty-prints nothing; neither does this.
    return QJsonDocument(document).toJson(QJsonDocument::Compact);
}
