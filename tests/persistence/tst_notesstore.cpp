// The notes file on a temporary data folder: what each change leaves in memory and, read back
// by a fresh store, on disk.
#include "TempDataHome.h"
#include "persistence/NotesStore.h"

#include <QDir>
#include <QFile>
#include <QTest>

#include <functional>

using Steps = std::function<void(NotesStore &)>;
Q_DECLARE_METATYPE(Steps)

namespace {

// "<track>:<title>[<position>[-<end>]=<text>,...]" per lecture, in the store's order.
QString summary(const NotesStore &store)
{
    QStringList lectures;
    for (const NotesStore::Lecture &lecture : store.lectures()) {
        QStringList notes;
        for (const NotesStore::Note &note : lecture.notes)
            notes << QString::number(note.position) +
                         (note.end ? "-" + QString::number(*note.end) : QString()) + "=" +
                         note.text.left(12);
        lectures << QString("%1:%2[%3]").arg(lecture.trackId).arg(lecture.title, notes.join(','));
    }
    return lectures.join(' ');
}

const QByteArray unknownLecture =
    R"({"lectures":[{"track_id":99,"title":"Kajian lama","ustadz":"Ustadz X","notes":[)"
    R"({"id":4,"position":61.5,"text":"tetap","noted_at":100}]}]})";

} // namespace

class TestNotesStore : public QObject
{
    Q_OBJECT

private slots:
    void rules_data()
    {
        QTest::addColumn<QByteArray>("file"); // notes.json before the store opens; null: none
        QTest::addColumn<Steps>("steps");
        QTest::addColumn<QString>("expected");
        QTest::addColumn<int>("damagedCopies");

        QTest::newRow("lectures most recently noted first, notes by time, title renewed")
            << QByteArray() << Steps([](NotesStore &s) {
                   s.add(5, "A", "U", 30, 600, "b");
                   s.add(7, "B", "U", 5, 600);
                   s.add(9, "C", "U", 1, 600);
                   s.add(5, "A baru", "U", 10, 600, "a");
               })
            << "5:A baru[10=a,30=b] 9:C[1=] 7:B[5=]" << 0;
        QTest::newRow("position past the end is clamped, below zero is zero")
            << QByteArray() << Steps([](NotesStore &s) {
                   s.add(5, "A", "U", 999, 600);
                   s.add(5, "A", "U", -3, 600);
                   s.add(6, "C", "U", 4000, 0); // length unknown: kept as given
               })
            << "6:C[4000=] 5:A[0=,600=]" << 0;
        QTest::newRow("edit and remove; the last note removed takes its lecture")
            << QByteArray() << Steps([](NotesStore &s) {
                   const qint64 a = s.add(5, "A", "U", 10, 600, "lama");
                   const qint64 b = s.add(7, "B", "U", 5, 600);
                   QVERIFY(s.setText(a, "baru"));
                   QVERIFY(s.remove(b));
                   QVERIFY(!s.remove(b));
                   QVERIFY(!s.setText(b, "x"));
               })
            << "5:A[10=baru]" << 0;
        QTest::newRow("a lecture not in the library is kept with its title")
            << unknownLecture << Steps([](NotesStore &s) { s.add(5, "A", "U", 10, 600); })
            << "5:A[10=] 99:Kajian lama[61.5=tetap]" << 0;
        QTest::newRow("a passage keeps its end; shorter than 1 s or reversed is refused")
            << unknownLecture << Steps([](NotesStore &s) {
                   QVERIFY(s.addPassage(5, "A", "U", 754, 785.5, 4000, "hadits") > 0);
                   QCOMPARE(s.addPassage(5, "A", "U", 10, 10.5, 600), -1.0);
                   QCOMPARE(s.addPassage(5, "A", "U", 20, 10, 600), -1.0);
               })
            << "5:A[754-785.5=hadits] 99:Kajian lama[61.5=tetap]" << 0;
        QTest::newRow("a passage's end before its start is damage")
            << QByteArray(R"({"lectures":[{"track_id":5,"title":"A","ustadz":"U","notes":[)"
                          R"({"id":1,"position":20,"end":19,"text":"","noted_at":1}]}]})")
            << Steps([](NotesStore &) {}) << "" << 1;
        QTest::newRow("a 10,000-character text is kept whole")
            << QByteArray() << Steps([](NotesStore &s) {
                   s.add(5, "A", "U", 1, 600, QString(10000, QChar(u'ش')));
                   QCOMPARE(s.lectures().at(0).notes.at(0).text.size(), 10000);
               })
            << QString("5:A[1=%1]").arg(QString(12, QChar(u'ش'))) << 0;
        QTest::newRow("damaged file is moved aside, not overwritten")
            << QByteArray("{\"lectures\":[{\"track_id\":5,")
            << Steps([](NotesStore &s) { s.add(5, "A", "U", 10, 600); }) << "5:A[10=]" << 1;
        QTest::newRow("a note id twice is damage")
            << QByteArray(R"({"lectures":[{"track_id":5,"title":"A","ustadz":"U","notes":[)"
                          R"({"id":1,"position":1,"text":"","noted_at":1},)"
                          R"({"id":1,"position":2,"text":"","noted_at":1}]}]})")
            << Steps([](NotesStore &) {}) << "" << 1;
        QTest::newRow("a negative position is damage")
            << QByteArray(R"({"lectures":[{"track_id":5,"title":"A","ustadz":"U","notes":[)"
                          R"({"id":1,"position":-1,"text":"","noted_at":1}]}]})")
            << Steps([](NotesStore &) {}) << "" << 1;
    }

    void rules()
    {
        QFETCH(QByteArray, file);
        QFETCH(Steps, steps);
        QFETCH(QString, expected);
        QFETCH(int, damagedCopies);

        TempDataHome home;
        QDir().mkpath(home.dataFolder());
        const QString path = home.dataFolder() + "/notes.json";
        if (!file.isNull()) {
            QFile out(path);
            QVERIFY(out.open(QIODevice::WriteOnly));
            out.write(file);
        }
        {
            NotesStore store(home.dataFolder());
            double clock = 1000;
            store.setClock([&clock] { return clock += 1; });
            steps(store);
            if (QTest::currentTestFailed())
                return;
            QCOMPARE(summary(store), expected);
        }
        NotesStore reread(home.dataFolder());
        QCOMPARE(summary(reread), expected);

        const QStringList aside =
            QDir(home.dataFolder()).entryList({"notes.json.damaged-*"}, QDir::Files);
        QCOMPARE(aside.size(), damagedCopies);
        if (damagedCopies) {
            QFile kept(home.dataFolder() + "/" + aside.first());
            QVERIFY(kept.open(QIODevice::ReadOnly));
            QCOMPARE(kept.readAll(), file);
        }
    }
};

QTEST_GUILESS_MAIN(TestNotesStore)
#include "tst_notesstore.moc"
