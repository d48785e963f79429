// The built program used without a mouse: keys from xdotool to its window, then only what a
// screen reader has, the accessibility bus (AT-SPI, read with pyatspi). What plays is read
// from the desktop's media controls (playerctl). Started by run-on-desktop.sh --private-net,
// like tst_programrestarts: the program's service port is fixed when it is built.
#include "BuiltProgram.h"
#include "DesktopTools.h"
#include "Lecture.h"

#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTest>

using namespace Desktop;

namespace {
// Keys as xdotool names them, to the focused window.
void keys(const QString &sequence)
{
    run("xdotool", QStringList{"key", "--delay", "150"} + sequence.split(' '));
}

QString reader(const QStringList &arguments, int *exitCode = nullptr)
{
    return run("/usr/bin/python3",
               QStringList{QStringLiteral(TALVORA_ATSPI_CLIENT)} + arguments, exitCode);
}
} // namespace

class TestAccess : public QObject
{
    Q_OBJECT

private:
    BuiltProgram m_program;
    QProcess m_bus;

private slots:
    void initTestCase()
    {
        if (!BuiltProgram::servesLocally())
            QSKIP("this build's program talks to a lecture service elsewhere");
        const QString hakim = QStringLiteral("Ustadz Abdul Hakim");
        const QList<Track> tracks{
            Lecture(1).titled("Adab Menuntut Ilmu").by(hakim).lasting(120).viewed(4999),
            Lecture(2).titled("Fiqih Shalat").by("Ustadz Muhammad Rizki").lasting(120).viewed(4998),
            Lecture(3).titled("Nasihat Sabar").by(hakim).lasting(120).viewed(4997)};
        for (const Track &track : tracks)
            QVERIFY(m_program.service.addMp3(track.filename, 120));
        QVERIFY(m_program.service.setTracks(tracks));
        QVERIFY(m_program.serve());

        // The accessibility bus, as a desktop session starts it for a screen reader.
        m_bus.start("/usr/libexec/at-spi-bus-launcher", {"--launch-immediately"});
        QVERIFY2(m_bus.waitForStarted(), qPrintable(m_bus.errorString()));
        QTRY_VERIFY_WITH_TIMEOUT(
            run("dbus-send", {"--session", "--print-reply", "--dest=org.a11y.Bus", "/org/a11y/bus",
                              "org.a11y.Bus.GetAddress"})
                .contains("unix:"),
            10000);

        QVERIFY(m_program.start({"QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1"}));

        QString window;
        QTRY_VERIFY_WITH_TIMEOUT(!(window = windowOf(m_program.process().processId())).isEmpty(),
                                 30000);
        run("xdotool", {"windowactivate", "--sync", window});
        // The library is listed once the reader sees its first row.
        QTRY_VERIFY_WITH_TIMEOUT(reader({"dump"}).contains("Adab Menuntut Ilmu, "), 30000);
    }

    void cleanupTestCase()
    {
        m_program.stop();
        m_bus.terminate();
        if (!m_bus.waitForFinished(10000))
            m_bus.kill();
    }

    // From start-up the list of Beranda has the keyboard; a teacher's list and Riwayat are
    // reached with Ctrl+2 and Ctrl+3. Each chosen lecture plays.
    void keysPlayAChosenLecture_data()
    {
        QTest::addColumn<QString>("keys");
        QTest::addColumn<QString>("playing");
        QTest::newRow("Beranda") << "Down Return" << "Fiqih Shalat";
        QTest::newRow("a teacher's list") << "ctrl+2 Return Down Return" << "Nasihat Sabar";
        QTest::newRow("Riwayat") << "ctrl+3 Down Return" << "Fiqih Shalat";
    }

    void keysPlayAChosenLecture()
    {
        QFETCH(QString, keys);
        QFETCH(QString, playing);
        ::keys(keys);
        QTRY_COMPARE_WITH_TIMEOUT(title(), playing, 15000);
        QTRY_COMPARE_WITH_TIMEOUT(playerctl({"status"}), QStringLiteral("Playing"), 15000);
    }

    void sliderKeysMoveThePosition()
    {
        // Tab from the list through the bar's controls reaches the slider; Space there pauses.
        QString focused;
        for (int tabs = 0; tabs < 20 && !focused.startsWith("slider: "); ++tabs) {
            const QString before = focused;
            keys("Tab");
            QTRY_VERIFY_WITH_TIMEOUT((focused = reader({"focused"}).trimmed()) != before, 5000);
        }
        QVERIFY2(focused.startsWith("slider: Posisi pemutaran"), qPrintable(focused));
        keys("space");
        QTRY_COMPARE_WITH_TIMEOUT(playerctl({"status"}), QStringLiteral("Paused"), 10000);
        const double before = position();
        keys("Right Right");
        QTRY_VERIFY_WITH_TIMEOUT(position() > before + 19, 10000);
        QVERIFY2(position() < before + 23, qPrintable(QString::number(position() - before)));
        QTRY_COMPARE_WITH_TIMEOUT(playerctl({"status"}), QStringLiteral("Playing"), 10000);
    }

    void spaceOnAFocusedDownloadButtonDownloads()
    {
        const QString file = m_program.dataFolder() + "/Downloads/1.mp3";
        QVERIFY(!QFile::exists(file));
        keys("ctrl+1 Tab space");
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(file), 20000);
        QCOMPARE(title(), QStringLiteral("Fiqih Shalat"));
        QCOMPARE(playerctl({"status"}), QStringLiteral("Playing"));
    }

    // What a screen reader reads on each screen, printed for people; a lecture found by its
    // name plays from its press action; nothing hidden is in the tree.
    void screenReaderFindsAndPlaysALecture()
    {
        for (const char *name : {"Ustadz", "Riwayat", "Unduhan", "Cari", "Beranda"}) {
            const QString screen = QString::fromLatin1(name);
            int exitCode = -1;
            reader({"press", screen}, &exitCode);
            QCOMPARE(exitCode, 0);
            QString tree;
            QTRY_VERIFY_WITH_TIMEOUT((tree = reader({"dump"})).contains(screen + " [checked]"),
                                     10000);
            qInfo().noquote() << "--- " + screen + "\n" + tree;
            QCOMPARE(reader({"hidden"}), QString());
        }
        const QString tree = reader({"dump"});
        QVERIFY2(QRegularExpression("slider: Posisi pemutaran \\(\\d+:\\d\\d dari 2:00\\)")
                     .match(tree)
                     .hasMatch(),
                 qPrintable(tree));
        QVERIFY(tree.contains("Fiqih Shalat, Ustadz Muhammad Rizki, 2:00, didengar"));

        // A lecture is marked finished, and unmarked, through its row's action; the row then
        // says "selesai".
        const QString finishedFile = m_program.dataFolder() + "/finished.json";
        int exitCode = -1;
        reader({"press", "Tandai selesai"}, &exitCode);
        QCOMPARE(exitCode, 0);
        QTRY_VERIFY_WITH_TIMEOUT(reader({"dump"}).contains(", selesai"), 10000);
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(finishedFile), 10000);
        reader({"press", "Tandai belum selesai"}, &exitCode);
        QCOMPARE(exitCode, 0);
        QTRY_VERIFY_WITH_TIMEOUT(!reader({"dump"}).contains(", selesai"), 10000);

        reader({"press", "Adab Menuntut Ilmu"}, &exitCode);
        QCOMPARE(exitCode, 0);
        QTRY_COMPARE_WITH_TIMEOUT(title(), QStringLiteral("Adab Menuntut Ilmu"), 15000);
        QTRY_COMPARE_WITH_TIMEOUT(playerctl({"status"}), QStringLiteral("Playing"), 15000);
    }
};

QTEST_GUILESS_MAIN(TestAccess)
#include "tst_access.moc"
