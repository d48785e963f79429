// The playback preferences in preferences.json: a listener's existing file reads as it is, a
// damaged value falls back alone, and a change writes the same format, keeping other keys.
#include "persistence/PlaybackPreferences.h"

#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

class TestPreferences : public QObject
{
    Q_OBJECT

private slots:
    void loadsAndSaves_data();
    void loadsAndSaves();
};

void TestPreferences::loadsAndSaves_data()
{
    QTest::addColumn<QByteArray>("stored"); // null: no file
    QTest::addColumn<QVariantList>("read"); // rate, smart rewind, clearer voice, after lecture
    QTest::addColumn<QByteArray>("saved");  // after smart rewind is switched over
    const QByteArray defaults = R"({"afterLecture":"nextPart","clearerVoice":false,)"
                                R"("playbackRate":1,"smartRewind":false})";
    QTest::newRow("no file") << QByteArray() << QVariantList{1.0, true, false, "nextPart"}
                             << defaults;
    QTest::newRow("existing file")
        << QByteArray(R"({"afterLecture":"stop","clearerVoice":true,"playbackRate":1.5,)"
                      R"("prayerPause":{"enabled":true},"smartRewind":false})")
        << QVariantList{1.5, false, true, "stop"}
        << QByteArray(R"({"afterLecture":"stop","clearerVoice":true,"playbackRate":1.5,)"
                      R"("prayerPause":{"enabled":true},"smartRewind":true})");
    QTest::newRow("one damaged value")
        << QByteArray(R"({"playbackRate":"fast","clearerVoice":true})")
        << QVariantList{1.0, true, true, "nextPart"}
        << QByteArray(R"({"afterLecture":"nextPart","clearerVoice":true,"playbackRate":1,)"
                      R"("smartRewind":false})");
    QTest::newRow("too fast") << QByteArray(R"({"playbackRate":9.5})")
                              << QVariantList{3.0, true, false, "nextPart"}
                              << QByteArray(R"({"afterLecture":"nextPart","clearerVoice":false,)"
                                            R"("playbackRate":3,"smartRewind":false})");
}

void TestPreferences::loadsAndSaves()
{
    QFETCH(QByteArray, stored);
    QFETCH(QVariantList, read);
    QFETCH(QByteArray, saved);
    QTemporaryDir folder;
    QFile file(folder.filePath(QLatin1String(Preferences::FileName)));
    if (!stored.isNull()) {
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(stored);
        file.close();
    }
    const auto readBack = [&](const QObject &preferences) {
        // Through the properties QML sees.
        return QVariantList{
            preferences.property("playbackRate"), preferences.property("smartRewind"),
            preferences.property("clearerVoice"), preferences.property("afterLecture")};
    };
    PlaybackPreferences preferences(folder.path());
    QCOMPARE(readBack(preferences), read);
    QCOMPARE(file.exists(), !stored.isNull()); // reading writes nothing

    QSignalSpy changed(&preferences, &PlaybackPreferences::smartRewindChanged);
    QVERIFY(preferences.setProperty("smartRewind", !read[1].toBool()));
    preferences.setSmartRewind(!read[1].toBool());
    QCOMPARE(changed.size(), 1);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), saved);
    read[1] = !read[1].toBool();
    QCOMPARE(readBack(PlaybackPreferences(folder.path())), read);
}

QTEST_GUILESS_MAIN(TestPreferences)
#include "tst_preferences.moc"
