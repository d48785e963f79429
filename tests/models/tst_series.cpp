#include "Lecture.h"
#include "models/Series.h"

#include <QTest>

// Titles as teachers' channels write them decide what is a series and what is not.
class TestSeries : public QObject
{
    Q_OBJECT

private slots:
    void partOf_data();
    void partOf();
    void group_data();
    void group();
};

void TestSeries::partOf_data()
{
    QTest::addColumn<QString>("title");
    QTest::addColumn<int>("number");
    QTest::addColumn<QString>("base"); // empty: no part

    QTest::newRow("Bagian") << "Kitab Tauhid - Bagian 12" << 12 << "Kitab Tauhid";
    QTest::newRow("Bag.") << "Kitab Tauhid Bag. 3" << 3 << "Kitab Tauhid";
    QTest::newRow("Bag.glued") << "Kitab Tauhid Bag.3" << 3 << "Kitab Tauhid";
    QTest::newRow("bag") << "kitab tauhid bag 3" << 3 << "kitab tauhid";
    QTest::newRow("Part") << "Sirah Nabawiyah Part 7" << 7 << "Sirah Nabawiyah";
    QTest::newRow("Pertemuan in brackets") << "Fiqih Puasa (Pertemuan 3)" << 3 << "Fiqih Puasa";
    QTest::newRow("Sesi with subtitle")
        << "Riyadhus Shalihin Sesi 14: Bab Ikhlas" << 14 << "Riyadhus Shalihin";
    QTest::newRow("Seri") << "Tazkiyatun Nufus Seri 2" << 2 << "Tazkiyatun Nufus";
    QTest::newRow("Jilid Roman") << "Bulughul Maram Jilid II" << 2 << "Bulughul Maram";
    QTest::newRow("Bagian Roman") << "Aqidah Wasithiyah Bagian XIV" << 14 << "Aqidah Wasithiyah";
    QTest::newRow("Kajian ke-") << "Adab Penuntut Ilmu Kajian ke-5" << 5 << "Adab Penuntut Ilmu";
    QTest::newRow("Pertemuan ke") << "Umdatul Ahkam Pertemuan ke 9" << 9 << "Umdatul Ahkam";
    QTest::newRow("hash") << "Syarah Ushul Tsalatsah #5" << 5 << "Syarah Ushul Tsalatsah";
    QTest::newRow("parentheses") << "Fiqih Muamalah (4)" << 4 << "Fiqih Muamalah";
    QTest::newRow("dash at the end") << "Tafsir Al-Kahfi - 3" << 3 << "Tafsir Al-Kahfi";
    QTest::newRow("two markers, last wins")
        << "Kitab Shiyam Bagian 2 Sesi 3" << 3 << "Kitab Shiyam Bagian 2";
    QTest::newRow("place after the part")
        << "Kitab Tauhid Pertemuan 10 - Masjid Raya 2" << 10 << "Kitab Tauhid";
    QTest::newRow("subject number before the marker")
        << "Tafsir Juz 30 Bagian 2" << 2 << "Tafsir Juz 30";
    QTest::newRow("10,000 with a marker") << "Hadits Bagian 10000" << 10000 << "Hadits";

    QTest::newRow("juz") << "Tafsir Juz 30" << 0 << "";
    QTest::newRow("ayat") << "Surat Al-Baqarah Ayat 255" << 0 << "";
    QTest::newRow("year") << "Kajian Subuh 2023" << 0 << "";
    QTest::newRow("year after a dash") << "Kajian Ramadhan - 2023" << 0 << "";
    QTest::newRow("year in brackets") << "Tabligh Akbar (2024)" << 0 << "";
    QTest::newRow("count first") << "40 Hadits" << 0 << "";
    QTest::newRow("verse range") << "Surat Al-Mulk Ayat 1-5" << 0 << "";
    QTest::newRow("verse range spaced") << "Surat Al-Mulk Ayat 1 - 5" << 0 << "";
    QTest::newRow("no number") << "Keutamaan Ilmu" << 0 << "";
    QTest::newRow("only numbers") << "12 34" << 0 << "";
    QTest::newRow("beyond 10,000") << "Hadits Bagian 10001" << 0 << "";
    QTest::newRow("huge") << "Hadits Bagian 99999999999999999999" << 0 << "";
    QTest::newRow("empty base") << "Bagian 3" << 0 << "";
    QTest::newRow("empty title") << "" << 0 << "";
    QTest::newRow("marker inside a word") << "Kitab Sebagian 3" << 0 << "";
    QTest::newRow("glued number") << "Tafsir Juz30" << 0 << "";
    QTest::newRow("letter, not a numeral") << "Kitab Tauhid Bagian D" << 0 << "";
    QTest::newRow("word that looks Roman") << "Seri Ilmu" << 0 << "";
    QTest::newRow("zero") << "Kitab Tauhid Bagian 0" << 0 << "";
}

void TestSeries::partOf()
{
    QFETCH(QString, title);
    QFETCH(int, number);
    QFETCH(QString, base);
    const std::optional<SeriesPart> part = SeriesIndex::partOf(title);
    if (base.isEmpty()) {
        QVERIFY2(!part,
                 qPrintable(part ? part->base + " / " + QString::number(part->number) : QString()));
        return;
    }
    QVERIFY(part);
    QCOMPARE(part->base, base);
    QCOMPARE(part->number, number);
}

using Titles = QList<std::pair<QString, QString>>; // teacher, title; ids 1, 2, ...

void TestSeries::group_data()
{
    QTest::addColumn<Titles>("titles");
    // "<teacher>|<series title>: id id id" per series, in library order.
    QTest::addColumn<QStringList>("expected");

    QTest::newRow("numeric order") << Titles{{"A", "Kitab Tauhid - Bagian 10"},
                                             {"A", "Kitab Tauhid - Bagian 2"},
                                             {"A", "Kitab Tauhid - Bagian 1"}}
                                   << QStringList{"A|Kitab Tauhid: 3 2 1"};
    QTest::newRow("markers and spellings mixed") << Titles{{"A", "Kitab Tauhid Bagian III"},
                                                           {"A", "kitab tauhid - bag. 1"},
                                                           {"A", "Kitab  Tauhid (2)"}}
                                                 << QStringList{"A|kitab tauhid: 2 3 1"};
    QTest::newRow("two teachers, one base")
        << Titles{{"A", "Fiqih Puasa #1"},
                  {"B", "Fiqih Puasa #1"},
                  {"A", "Fiqih Puasa #2"},
                  {"B", "Fiqih Puasa #2"},
                  {"B", "Fiqih Puasa #3"}}
        << QStringList{"A|Fiqih Puasa: 1 3", "B|Fiqih Puasa: 2 4 5"};
    QTest::newRow("one part is no series")
        << Titles{{"A", "Kitab Tauhid Bagian 1"}, {"A", "Sirah Nabawiyah Bagian 1"}}
        << QStringList{};
    QTest::newRow("same part twice, ordered by id") << Titles{{"A", "Sesi Tanya Jawab Sesi 2"},
                                                              {"A", "Sesi Tanya Jawab Sesi 1"},
                                                              {"A", "Sesi Tanya Jawab Sesi 1"}}
                                                    << QStringList{"A|Sesi Tanya Jawab: 2 3 1"};
    QTest::newRow("copies of one part are no series")
        << Titles{{"A", "Kajian Ramadhan (1)"}, {"A", "Kajian Ramadhan (1)"}} << QStringList{};
    QTest::newRow("subject numbers are no series")
        << Titles{{"A", "Tafsir Juz 29"},     {"A", "Tafsir Juz 30"}, {"A", "Kajian Subuh 2023"},
                  {"A", "Kajian Subuh 2024"}, {"A", "40 Hadits"},     {"A", "41 Hadits"}}
        << QStringList{};
}

void TestSeries::group()
{
    QFETCH(Titles, titles);
    QFETCH(QStringList, expected);
    QList<Track> tracks;
    for (const auto &[teacher, title] : titles)
        tracks.append(Lecture(tracks.size() + 1).by(teacher).titled(title));
    const SeriesIndex index = SeriesIndex::group(tracks);
    QStringList found;
    for (const Series &series : index.all()) {
        QStringList ids;
        for (qint64 id : series.ids)
            ids << QString::number(id);
        found << series.ustadz + '|' + series.title + ": " + ids.join(' ');
    }
    QCOMPARE(found, expected);
    // Every part knows its place.
    for (int s = 0; s < int(index.all().size()); ++s) {
        const Series &series = index.all()[size_t(s)];
        for (int p = 0; p < series.ids.size(); ++p) {
            const auto place = index.placeOf(series.ids[p]);
            QVERIFY(place && place->series == s && place->part == p);
        }
    }
}

QTEST_GUILESS_MAIN(TestSeries)
#include "tst_series.moc"
