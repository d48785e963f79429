// Which scene graph the program asks for, from the renderer names Mesa and GPU drivers report.
#include "SceneGraphChoice.h"

#include <QTest>

using Backend = SceneGraphChoice::Backend;
Q_DECLARE_METATYPE(SceneGraphChoice::Backend)

class TestSceneGraphChoice : public QObject
{
    Q_OBJECT

private slots:
    void decide_data()
    {
        QTest::addColumn<bool>("userChose");
        QTest::addColumn<QByteArray>("renderer");
        QTest::addColumn<Backend>("expected");
        QTest::newRow("llvmpipe") << false << QByteArray("llvmpipe (LLVM 15.0.6, 256 bits)")
                                  << Backend::Software;
        QTest::newRow("softpipe") << false << QByteArray("softpipe") << Backend::Software;
        QTest::newRow("swrast") << false << QByteArray("Mesa DRI swrast") << Backend::Software;
        QTest::newRow("no OpenGL") << false << QByteArray() << Backend::Software;
        QTest::newRow("AMD GPU") << false
                                 << QByteArray("AMD Radeon RX 580 Series (polaris10, LLVM 15.0.6, "
                                               "DRM 3.49, 6.1.0-13-amd64)")
                                 << Backend::Default;
        QTest::newRow("Intel GPU") << false << QByteArray("Mesa Intel(R) UHD Graphics 620 (KBL GT2)")
                                   << Backend::Default;
        QTest::newRow("user's choice over llvmpipe")
            << true << QByteArray("llvmpipe (LLVM 15.0.6, 256 bits)") << Backend::UserChoice;
        QTest::newRow("user's choice without OpenGL") << true << QByteArray() << Backend::UserChoice;
    }
    void decide()
    {
        QFETCH(bool, userChose);
        QFETCH(QByteArray, renderer);
        QFETCH(Backend, expected);
        QCOMPARE(SceneGraphChoice::decide(userChose, renderer), expected);
    }
};

QTEST_GUILESS_MAIN(TestSceneGraphChoice)
#include "tst_scenegraphchoice.moc"
