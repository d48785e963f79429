// Which platform the program asks Qt for, from the session's environment.
#include "PlatformChoice.h"

#include <QTest>

using PlatformChoice::Platform;

class TestPlatformChoice : public QObject
{
    Q_OBJECT

private slots:
    void choose_data()
    {
        QTest::addColumn<QByteArray>("qpaPlatform");
        QTest::addColumn<QByteArray>("waylandDisplay");
        QTest::addColumn<QByteArray>("x11Display");
        QTest::addColumn<Platform>("expected");
        QTest::newRow("X11 session")
            << QByteArray() << QByteArray() << QByteArray(":0") << Platform::AsChosen;
        QTest::newRow("Wayland with XWayland")
            << QByteArray() << QByteArray("wayland-0") << QByteArray(":0") << Platform::X11;
        QTest::newRow("Wayland without XWayland")
            << QByteArray() << QByteArray("wayland-0") << QByteArray() << Platform::Wayland;
        QTest::newRow("the user's choice stands")
            << QByteArray("wayland") << QByteArray("wayland-0") << QByteArray(":0")
            << Platform::AsChosen;
        QTest::newRow("no display at all")
            << QByteArray() << QByteArray() << QByteArray() << Platform::AsChosen;
    }

    void choose()
    {
        QFETCH(QByteArray, qpaPlatform);
        QFETCH(QByteArray, waylandDisplay);
        QFETCH(QByteArray, x11Display);
        QFETCH(Platform, expected);
        QCOMPARE(PlatformChoice::choose(qpaPlatform, waylandDisplay, x11Display), expected);
    }
};

QTEST_GUILESS_MAIN(TestPlatformChoice)
#include "tst_platformchoice.moc"
