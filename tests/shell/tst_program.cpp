// The built program end to end: the reference lecture service on the loopback port the build
// points the program at, a data folder whose settings name a lecture at 42.0 s, the program
// on an X display without a tray and on a private session bus, playerctl as the desktop's
// media controls. Started by run-on-desktop.sh --private-net, which gives this run a
// loopback of its own, so the fixed port is free.
#include "DesktopTools.h"
#include "Fixtures.h"
#include "LectureService.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

using namespace Desktop;

namespace {
const QString kTitle = QStringLiteral("Adab Menuntut Ilmu");
const QString kArtist = QStringLiteral("Ustadz Abdullah Hakim");

} // namespace

class TestProgram : public QObject
{
    Q_OBJECT

private:
    LectureService m_service;
    QTemporaryDir m_dataHome;
    QProcess m_program;
    QByteArray m_log;

    QString settingsPath() const { return m_dataHome.path() + "/Quillora/settings.json"; }

    QJsonObject settings() const
    {
        QFile file(settingsPath());
        if (!file.open(QIODevice::ReadOnly))
            return {};
        return QJsonDocument::fromJson(file.readAll()).object();
    }

    void collectLog() { m_log += m_program.readAllStandardError(); }

private slots:
    void initTestCase()
    {
        const QUrl built(QStringLiteral(TALVORA_BUILT_SERVICE_URL));
        if (built.host() != "127.0.0.1" && built.host() != "localhost")
            QSKIP("this build's program talks to a lecture service elsewhere");
        QVERIFY2(qEnvironmentVariableIsSet("DISPLAY"), "run through run-on-desktop.sh");

        QVERIFY(m_service.addMp3("adab-menuntut-ilmu.mp3", 120));
        QVERIFY(m_service.addMp3("fiqih-shalat.mp3", 120));
        QVERIFY(m_service.setTracks(
            {lecture(4242, kTitle, kArtist, 120, 58),
             lecture(4243, "Fiqih Shalat", "Ustadz Muhammad Rizki", 120, 57)}));
        QVERIFY2(m_service.start(quint16(built.port(80))),
                 qPrintable(QString("the port of %1 is taken").arg(built.toString())));

        QVERIFY(m_dataHome.isValid());
        QVERIFY(QDir().mkpath(m_dataHome.path() + "/Quillora"));
        QFile file(settingsPath());
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(R"({"shuffle":false,"repeatMode":0,"lastTrackId":4242,)"
                   R"("lastPosition":42.0,"lastDuration":120.0})");
        file.close();

        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("XDG_DATA_HOME", m_dataHome.path());
        environment.insert("QT_QPA_PLATFORM", "xcb");
        m_program.setProcessEnvironment(environment);
        connect(&m_program, &QProcess::readyReadStandardError, this, &TestProgram::collectLog);
        m_program.start(QStringLiteral(TALVORA_PROGRAM), {});
        QVERIFY2(m_program.waitForStarted(), qPrintable(m_program.errorString()));
    }

    void cleanupTestCase()
    {
        if (m_program.state() != QProcess::NotRunning) {
            m_program.terminate();
            if (!m_program.waitForFinished(10000))
                m_program.kill();
        }
    }

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
        QCOMPARE(m_service.requestCount("/stream.php?file=fiqih"), 0);
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
        collectLog();
        const QString log = QString::fromUtf8(m_log);
        QCOMPARE(log.count("[MenuBar] no system tray"), 1);
    }

    void closingTheLastWindowWithoutATrayEndsTheProgram()
    {
        const QString window = windowOf(m_program.processId());
        QVERIFY2(!window.isEmpty(), "the program's window is on screen");
        run("xdotool", {"windowactivate", "--sync", window});
        run("xdotool", {"key", "alt+F4"});
        QVERIFY(m_program.waitForFinished(20000));
        collectLog();
        QVERIFY2(m_program.exitStatus() == QProcess::NormalExit && m_program.exitCode() == 0,
                 qPrintable(QString("exit code %1; the program's last words:\n%2")
                                .arg(m_program.exitCode())
                                .arg(QString::fromUtf8(m_log.right(3000)))));
    }
};

QTEST_GUILESS_MAIN(TestProgram)
#include "tst_program.moc"
