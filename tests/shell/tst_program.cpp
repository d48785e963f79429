// The built program end to end: the reference lecture service on the loopback port the build
// points the program at, a data folder whose settings name a lecture at 42.0 s, the program
// on an X display without a tray and on a private session bus, playerctl as the desktop's
// media controls. Started by run-on-desktop.sh --private-net, which gives this run a
// loopback of its own, so the fixed port is free.
#include "BuiltProgram.h"
#include "DesktopTools.h"
#include "Lecture.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>

using namespace Desktop;

namespace {
const QString kTitle = QStringLiteral("Adab Menuntut Ilmu");
const QString kArtist = QStringLiteral("Ustadz Abdullah Hakim");
} // namespace

class TestProgram : public QObject
{
    Q_OBJECT

private:
    BuiltProgram m_program;

    QJsonObject settings() const
    {
        QFile file(m_program.dataFolder() + "/settings.json");
        if (!file.open(QIODevice::ReadOnly))
            return {};
        return QJsonDocument::fromJson(file.readAll()).object();
    }

private slots:
    void initTestCase()
    {
        if (!BuiltProgram::servesLocally())
            QSKIP("this build's program talks to a lecture service elsewhere");
        const QList<Track> tracks{Lecture(4242).titled(kTitle).by(kArtist).lasting(120).viewed(58),
                                  Lecture(4243).titled("Fiqih Shalat").lasting(120).viewed(57)};
        for (const Track &track : tracks)
            QVERIFY(m_program.service.addMp3(track.filename, 120));
        QVERIFY(m_program.service.setTracks(tracks));
        QVERIFY(m_program.serve());
        QVERIFY(m_program.writeSettings(R"({"shuffle":false,"repeatMode":0,"lastTrackId":4242,)"
                                        R"("lastPosition":42.0,"lastDuration":120.0})"));
        QVERIFY(m_program.start());
    }

    void cleanupTestCase() { m_program.stop(); }

    void restoredLectureShowsPausedOnTheDesktop()
    {
        QTRY_COMPARE_WITH_TIMEOUT(playerctl({"metadata", "xesam:title"}), kTitle, 30000);
        QCOMPARE(playerctl({"metadata", "xesam:artist"}), kArtist);
        QTRY_COMPARE_WITH_TIMEOUT(playerctl({"status"}), QStringLiteral("Paused"), 10000);
        QTRY_VERIFY_WITH_TIMEOUT(qAbs(position() - 42.0) < 0.5, 10000);
        // Paused stays paused, also once the lecture is loaded far enough to take a seek.
        playerctl({"position", "45"});
        QTRY_VERIFY_WITH_TIMEOUT(qAbs(position() - 45.0) < 0.5, 10000);
        QCOMPARE(playerctl({"status"}), QStringLiteral("Paused"));
        QVERIFY(qAbs(position() - 45.0) < 0.5);
    }

    void playAdvancesAndSavesEverySecond()
    {
        playerctl({"play"});
        QTRY_COMPARE_WITH_TIMEOUT(playerctl({"status"}), QStringLiteral("Playing"), 10000);
        QTRY_VERIFY_WITH_TIMEOUT(position() > 45.5, 10000);

        // Every stored place seen until three saves have changed it, in order: each one later
        // than the one before, the first no earlier than the restored 42 s (the first save
        // may come before or after the position passed 45.5 s).
        QList<double> saved{settings().value("lastPosition").toDouble()};
        const auto sample = [&] {
            const double now = settings().value("lastPosition").toDouble();
            if (now != saved.last())
                saved << now;
            return saved.size() >= 4;
        };
        QTRY_VERIFY_WITH_TIMEOUT(sample(), 15000);
        for (qsizetype i = 1; i < saved.size(); ++i)
            QVERIFY2(
                saved[i] > saved[i - 1],
                qPrintable(QString("lastPosition went %1 -> %2").arg(saved[i - 1]).arg(saved[i])));
        QVERIFY2(saved.first() >= 42.0, qPrintable(QString::number(saved.first())));
        QCOMPARE(settings().value("lastTrackId").toInteger(), 4242);
    }

    void nextWithTheRestoredQueueChangesNothing()
    {
        const double before = position();
        // playerctl returns once the program has answered; a second heard after that shows
        // the lecture went on where it was.
        playerctl({"next"});
        QTRY_VERIFY_WITH_TIMEOUT(position() >= before + 1.0, 10000);
        QCOMPARE(playerctl({"metadata", "xesam:title"}), kTitle);
        QCOMPARE(playerctl({"status"}), QStringLiteral("Playing"));
        QCOMPARE(settings().value("lastTrackId").toInteger(), 4242);
        QCOMPARE(m_program.service.requestCount("/stream.php?file=kajian-4243"), 0);
    }

    void playAtTheEndStartsAgain()
    {
        playerctl({"position", "118"});
        QTRY_COMPARE_WITH_TIMEOUT(playerctl({"status"}), QStringLiteral("Paused"), 15000);
        QVERIFY2(position() > 117.0, qPrintable(QString::number(position())));
        playerctl({"play"});
        QTRY_COMPARE_WITH_TIMEOUT(playerctl({"status"}), QStringLiteral("Playing"), 10000);
        QVERIFY2(position() < 1.0, qPrintable(QString::number(position())));
    }

    void withoutATrayTheProgramSaysSoOnce()
    {
        QCOMPARE(m_program.log().count("[MenuBar] no system tray"), 1);
    }

    void closingTheLastWindowWithoutATrayEndsTheProgram()
    {
        QProcess &program = m_program.process();
        const QString window = windowOf(program.processId());
        QVERIFY2(!window.isEmpty(), "the program's window is on screen");
        run("xdotool", {"windowactivate", "--sync", window});
        run("xdotool", {"key", "alt+F4"});
        QVERIFY(program.waitForFinished(20000));
        QVERIFY2(program.exitStatus() == QProcess::NormalExit && program.exitCode() == 0,
                 qPrintable(QString("exit code %1; the program's last words:\n%2")
                                .arg(program.exitCode())
                                .arg(m_program.log().right(3000))));
    }
};

QTEST_GUILESS_MAIN(TestProgram)
#include "tst_program.moc"
