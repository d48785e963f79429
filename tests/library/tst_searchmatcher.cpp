#include "Lecture.h"
#include "viewmodels/SearchMatcher.h"

#include <QTest>

// The search's verdict on one lecture per row, from the spellings lecture titles really use,
// and the order of a result.
class tst_SearchMatcher : public QObject
{
    Q_OBJECT

private slots:
    void verdict_data();
    void verdict();
    void ranksThenLibraryOrder();
};

namespace {

QList<qint64> idsOf(const QList<Track> &library, const SearchMatcher::Result &result)
{
    QList<qint64> ids;
    for (qsizetype row : result.rows)
        ids << library.at(row).id;
    return ids;
}

constexpr int none = -1;

} // namespace

void tst_SearchMatcher::verdict_data()
{
    QTest::addColumn<QString>("query");
    QTest::addColumn<QString>("judul");
    QTest::addColumn<QString>("ustadz");
    QTest::addColumn<int>("rank"); // SearchMatcher::Rank, or none

    const auto row = [&](const char *query, const char *judul, int rank,
                         const QString &ustadz = QStringLiteral("Ustadz Budi")) {
        QTest::addRow("%s | %s | %s", query, judul, qPrintable(ustadz))
            << QString::fromUtf8(query) << QString::fromUtf8(judul) << ustadz << rank;
    };
    const int exact = SearchMatcher::Exact, variant = SearchMatcher::Variant,
              typo = SearchMatcher::Typo;

    // As typed, in any order and letter case; whatever holds the whole query.
    row("shalat", "Fiqih Shalat", exact);
    row("subuh sholat", "Adab Sholat Subuh", exact);
    row("ustad abdul", "Adab Menuntut Ilmu", exact, QStringLiteral("Ustadz Abdul Hakim"));
    row("shalat abdul", "Shalat Jamak", exact, QStringLiteral("Ustadz Abdul Hakim"));
    row("?!", "Apa Itu Ihsan?!", exact);
    row("صلاة", "فضل صلاة الجماعة", exact);

    // The spellings of one term.
    row("sholat", "Fiqih Shalat", variant);
    row("salat", "Sholat Subuh", variant);
    row("sholat abdul", "Shalat Jamak", variant, QStringLiteral("Ustadz Abdul Hakim"));
    row("hadis", "Hadits Arbain", variant);
    row("hadith", "Hadis Arbain", variant);
    row("hadits", "Syarah Hadith", variant);
    row("fiqh", "Fiqih Muamalah", variant);
    row("fikih", "Fiqh Ibadah", variant);
    row("fiqih", "Fikih Zakat", variant);
    row("zikir", "Dhikr Pagi", variant);
    row("dzikir", "Zikir Petang", variant);
    row("dhikr", "Zikir Petang", variant);
    row("ustaz", "Tazkiyatun Nufus", variant, QStringLiteral("Ustadz Abdul Hakim"));
    row("ustadz", "Tazkiyatun Nufus", variant, QStringLiteral("Ustad Adi"));
    row("akidah", "Aqidah Wasithiyah", variant);
    row("syarh", "Syarah Kitab Tauhid", variant);
    row("sharh", "Syarah Kitab Tauhid", variant);
    row("syarah", "Sharh Arbain", variant);
    row("ramadan", "Keutamaan Ramadhan", variant);
    row("wudu", "Tata Cara Wudhu", variant);
    row("quran", "Tadabbur Al-Qur'an", variant);
    row("alquran", "Tadabbur Al-Qur\u2019an", variant);
    row("al-qur'an", "Belajar Alquran", variant);
    row("alquran", "Tafsir Quran", variant);
    row("jumat", "Khutbah Jum'at", variant);
    row("tsalatsah", "Ushul Tsalasah", variant);
    row("thalathah", "Ushul Tsalatsah", variant);
    row("sahih", "Shahih Bukhari", variant);
    row("shohih", "Shahih Muslim", variant);
    row("tobat", "Taubat Nasuha", variant);
    row("insyaallah", "Insya Allah", variant);
    row("insha allah", "Insyaallah", variant);
    row("insya allah", "Insyaallah", exact);
    row("HADĪTS", "Hadits Arbain", variant);

    // A typo of a word nothing holds in any spelling.
    row("ramdhan", "Keutamaan Ramadhan", typo);
    row("kajain", "Kajian Tafsir", typo);
    row("nasihta", "Nasihat Pernikahan", typo);
    row("prnikahn", "Nasihat Pernikahan", typo);

    // Other words, not spellings or typos.
    row("sabat", "Nasihat tentang Sabar", none);
    row("salat", "Sabar", none);
    row("salat", "Menebar Salam", none);
    row("hadis", "Hadir di Majelis", none);
    row("sabar", "Hari Sabat", none);
    row("sholat zakat", "Fiqih Shalat", none);
    row("ramadhan", "Amalan Bulan Rajab", none);

    // Input without words of the library.
    row("...", "Fiqih Shalat", none);
    row("\U0001F600", "Fiqih Shalat", none);
    row("صلاة", "Fiqih Shalat", none);
    row(QByteArray(1000, 'a').constData(), "Fiqih Shalat", none);
}

void tst_SearchMatcher::verdict()
{
    QFETCH(QString, query);
    QFETCH(QString, judul);
    QFETCH(QString, ustadz);
    QFETCH(int, rank);

    // A second lecture that nothing above matches keeps "found nowhere" honest.
    const QList<Track> library{Lecture(1).titled(judul).by(ustadz),
                               Lecture(2).titled("Mengenal Rukun Iman").by("Tim Dakwah")};
    SearchMatcher matcher;
    matcher.setLibrary(library);
    const SearchMatcher::Result result = matcher.find(query.toLower(), QString());
    QCOMPARE(idsOf(library, result), rank == none ? QList<qint64>() : QList<qint64>{1});
    QCOMPARE(result.closeSpellings, rank > SearchMatcher::Exact);
    // Without the forms (while they are being made) only the exact matches are found.
    QCOMPARE(idsOf(library, SearchMatcher::findAsTyped(library, query.toLower(), {})),
             rank == SearchMatcher::Exact ? QList<qint64>{1} : QList<qint64>());
}

void tst_SearchMatcher::ranksThenLibraryOrder()
{
    const QList<Track> library{
        Lecture(1).titled("Fiqih Shalat"),
        Lecture(2).titled("Adab Sholat Subuh"),
        Lecture(3).titled("Keutamaan Sedekah"),
        Lecture(4).titled("Salat Jamak").by("Ustadz Sholeh"),
        Lecture(5).titled("Tata Cara Sholat"),
        Lecture(6).titled("Shalat Malam"),
    };
    SearchMatcher matcher;
    matcher.setLibrary(library);
    QCOMPARE(idsOf(library, matcher.find("sholat", {})), (QList<qint64>{2, 5, 1, 4, 6}));
    // A typo finds only when no spelling does, and then after them.
    QCOMPARE(idsOf(library, matcher.find("sedkah", {})), (QList<qint64>{3}));
    QCOMPARE(idsOf(library, matcher.find("sholta", {})), (QList<qint64>{1, 2, 4, 5, 6}));
    QCOMPARE(idsOf(library, matcher.find("sholat", "ustadz sholeh")), (QList<qint64>{4}));
}

QTEST_GUILESS_MAIN(tst_SearchMatcher)
#include "tst_searchmatcher.moc"
