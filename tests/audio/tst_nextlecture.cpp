// What plays once a lecture has ended ("Setelah kajian selesai") and the queue's step to the
// lecture that follows, as a table over small queues and series of lettered lectures.
#include "Lecture.h"
#include "audio/NextLecture.h"

#include <QTest>

namespace {

QList<Track> letters(const QString &names)
{
    QList<Track> tracks;
    for (const QString &name : names.split(u',', Qt::SkipEmptyParts))
        tracks << Lecture(name.at(0).unicode()).titled(name);
    return tracks;
}

QString namesOf(const QList<Track> &tracks)
{
    QStringList names;
    for (const Track &track : tracks)
        names << track.judul;
    return names.join(u',');
}

} // namespace

class TestNextLecture : public QObject
{
    Q_OBJECT

private slots:
    void after_data();
    void after();
    void storedNames();
};

void TestNextLecture::after_data()
{
    QTest::addColumn<int>("rule");
    QTest::addColumn<QString>("queue");  // the queue the ended lecture was started with
    QTest::addColumn<QString>("series"); // the ended lecture's series, empty when none
    QTest::addColumn<QString>("ended");
    QTest::addColumn<bool>("sleepAtEnd");
    QTest::addColumn<QString>("next");     // empty: stop
    QTest::addColumn<QString>("newQueue"); // "-": the queue is kept

    const int part = int(NextLecture::Rule::NextPart);
    const int list = int(NextLecture::Rule::NextInList);
    const int stop = int(NextLecture::Rule::Stop);
    QTest::newRow("next part, from a popular list") << part << "X,B,Y"
                                                    << "A,B,C"
                                                    << "B" << false << "C"
                                                    << "A,B,C";
    QTest::newRow("next part, last part stops") << part << "A,B,C"
                                                << "A,B,C"
                                                << "C" << false << ""
                                                << "-";
    QTest::newRow("next part, no series stops") << part << "X,Y"
                                                << ""
                                                << "X" << false << ""
                                                << "-";
    QTest::newRow("next part, sleep timer at the end") << part << "A,B,C"
                                                       << "A,B,C"
                                                       << "A" << true << ""
                                                       << "-";
    QTest::newRow("next in list") << list << "X,B,Y"
                                  << "A,B,C"
                                  << "B" << false << "Y"
                                  << "-";
    QTest::newRow("next in list, end of the list") << list << "X,Y"
                                                   << ""
                                                   << "Y" << false << ""
                                                   << "-";
    QTest::newRow("next in list, sleep timer at the end") << list << "X,Y"
                                                          << ""
                                                          << "X" << true << ""
                                                          << "-";
    QTest::newRow("stop") << stop << "A,B,C"
                          << "A,B,C"
                          << "A" << false << ""
                          << "-";
}

void TestNextLecture::after()
{
    QFETCH(int, rule);
    QFETCH(QString, queue);
    QFETCH(QString, series);
    QFETCH(QString, ended);
    QFETCH(bool, sleepAtEnd);
    QFETCH(QString, next);
    QFETCH(QString, newQueue);
    PlayQueue playQueue;
    const Track endedTrack = letters(ended).first();
    playQueue.start(endedTrack, letters(queue));
    const auto choice = NextLecture::after(NextLecture::Rule(rule), endedTrack, playQueue,
                                           letters(series), sleepAtEnd);
    QCOMPARE(choice ? choice->track.judul : QString(), next);
    if (choice)
        QCOMPARE(choice->queue ? namesOf(*choice->queue) : QStringLiteral("-"), newQueue);
}

void TestNextLecture::storedNames()
{
    for (auto rule :
         {NextLecture::Rule::NextPart, NextLecture::Rule::NextInList, NextLecture::Rule::Stop})
        QCOMPARE(NextLecture::fromName(NextLecture::name(rule)), rule);
    QVERIFY(!NextLecture::fromName(QStringLiteral("bogus")));
}

QTEST_GUILESS_MAIN(TestNextLecture)
#include "tst_nextlecture.moc"
