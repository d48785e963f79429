// Notes and the clearer voice in the real main window: libmpv plays the loopback service's
// lectures silently, the notes live in a temporary data folder.
#include "ScreenFixture.h"
#include "UiTestSupport.h"

#include "NotesExport.h"
#include "audio/MpvBackend.h"
#include "audio/PlayerParts.h"
#include "persistence/NotesStore.h"
#include "persistence/Store.h"
#include "viewmodels/LibraryViewModel.h"
#include "viewmodels/PlayerViewModel.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QQuickItem>
#include <QQuickWindow>
#include <QTest>
#include <QtQml/qqmlextensionplugin.h>

Q_IMPORT_QML_PLUGIN(TalvoraPlugin)

namespace {

// Starts the program over lectures 1 and 2 and plays `id` until mpv is past `seconds`.
bool playPast(ScreenFixture &f, QQuickWindow *&window, qint64 id, double seconds)
{
    if (!(window = f.openWithLibrary()))
        return false;
    f.player->play(f.tracks.at(int(id - 1)), f.tracks, std::nullopt);
    return QTest::qWaitFor([&] { return f.backend->position() > seconds; }, 15000);
}

QQuickItem *accessible(QQuickWindow *window, const QString &name)
{
    return UiTest::findAccessible(window->contentItem(), name);
}

} // namespace

class TestNotes : public QObject
{
    Q_OBJECT

private slots:
    void catatNotesTheLivePositionWithTheTypedText()
    {
        ScreenFixture f({lecture(1), lecture(2)});
        QQuickWindow *window = nullptr;
        QVERIFY(playPast(f, window, 1, 2.0));

        QQuickItem *catat = accessible(window, "Catat");
        QVERIFY(catat);
        UiTest::click(catat);
        const double live = f.backend->position();
        QCOMPARE(f.notes->lectures().size(), 1);
        const NotesStore::Lecture first = f.notes->lectures().at(0);
        QCOMPARE(first.trackId, 1);
        QCOMPARE(first.title, QStringLiteral("Kajian 1"));
        QVERIFY2(qAbs(first.notes.at(0).position - live) <= 0.5,
                 qPrintable(QString("noted %1, mpv at %2").arg(first.notes.at(0).position).arg(live)));

        // The field opens with the cursor; an "n" typed there is text, not another note.
        QQuickItem *field = UiTest::findByObjectName(window->contentItem(), "noteField");
        QVERIFY(field);
        QTRY_VERIFY(field->hasActiveFocus());
        UiTest::typeText(window, "faidah nikmat");
        QTest::keyClick(window, Qt::Key_Return);
        QTRY_VERIFY(!field->isVisible());
        QCOMPARE(f.notes->lectures().at(0).notes.size(), 1);
        QCOMPARE(f.notes->lectures().at(0).notes.at(0).text, QStringLiteral("faidah nikmat"));

        // N in the window notes again; Escape keeps the note without what was typed.
        QTest::keyClick(window, Qt::Key_N);
        QTRY_VERIFY(field->hasActiveFocus());
        UiTest::typeText(window, "batal");
        QTest::keyClick(window, Qt::Key_Escape);
        QTRY_VERIFY(!field->isVisible());
        const QList<NotesStore::Note> notes = f.notes->lectures().at(0).notes;
        QCOMPARE(notes.size(), 2);
        QCOMPARE(notes.at(1).text, QString());
        QVERIFY(notes.at(1).position >= notes.at(0).position);
        QVERIFY(f.player->isPlaying()); // noting does not stop the lecture
    }

    void aNotePlaysItsLectureFromItsMoment()
    {
        ScreenFixture f({lecture(1), lecture(2)});
        QQuickWindow *window = nullptr;
        QVERIFY(f.start());
        f.notes->add(1, "Kajian 1", "Ustadz Ahmad", 4, 20, "awal");
        f.notes->add(2, "Kajian 2", "Ustadz Ahmad", 12, 20, "inti");
        f.notes->add(99, "Sudah dihapus", "Ustadz Lama", 7, 20, "lama");
        QVERIFY((window = f.openWindow()) && f.waitForLibrary());

        // "Catatan": most recently noted first, each lecture's header before its notes.
        QVERIFY(f.select(window, "Catatan"));
        QTRY_COMPARE(window->title(), QStringLiteral("Catatan"));
        QTRY_VERIFY(accessible(window, "0:12, inti"));
        const double yGone = UiTest::centreOf(accessible(window, "Sudah dihapus, Ustadz Lama")).y();
        const double yTwo = UiTest::centreOf(accessible(window, "Kajian 2, Ustadz Ahmad")).y();
        const double yOne = UiTest::centreOf(accessible(window, "Kajian 1, Ustadz Ahmad")).y();
        QVERIFY(yGone < yTwo && yTwo < UiTest::centreOf(accessible(window, "0:12, inti")).y());
        QVERIFY(UiTest::centreOf(accessible(window, "0:12, inti")).y() < yOne);

        // A note of a lecture gone from the library plays nothing.
        UiTest::click(accessible(window, "0:07, lama"));
        QVERIFY(!f.player->hasCurrentTrack());

        UiTest::click(accessible(window, "0:12, inti"));
        QTRY_VERIFY(f.player->isPlaying());
        QCOMPARE(f.engine->currentTrack()->id, 2);
        QCOMPARE(f.engine->queue().size(), 2); // the listed lectures still in the library
        QTRY_VERIFY(f.backend->position() > 12.0);
        QVERIFY(f.backend->position() < 15.0);

        // The bar's panel lists the playing lecture's notes; Enter plays from the first.
        f.notes->add(2, "Kajian 2", "Ustadz Ahmad", 2, 20, "pembuka");
        UiTest::click(accessible(window, "Catatan kajian ini"));
        QQuickItem *list = UiTest::findByObjectName(window->contentItem(), "panelNotes");
        QVERIFY(list);
        QTRY_VERIFY(list->hasActiveFocus());
        QCOMPARE(list->property("count").toInt(), 2);
        QTest::keyClick(window, Qt::Key_Return);
        QTRY_VERIFY(f.backend->position() < 6.0);
        QVERIFY(f.player->isPlaying());
    }

    void exportTexts()
    {
        TempDataHome home;
        NotesStore notes(home.dataFolder());
        double clock = 0;
        notes.setClock([&clock] { return clock += 1; });
        notes.add(5, "Adab Menuntut Ilmu", "Ustadz Ahmad", 754.9, 4000, "niat\nyang benar");
        notes.add(5, "Adab Menuntut Ilmu", "Ustadz Ahmad", 3725, 4000, "");
        notes.add(5, "Adab Menuntut Ilmu", "Ustadz Ahmad", 5, 4000, "  pembuka ");
        notes.add(8, "Fiqih Shalat", "Tidak diketahui", 61, 0, "wudhu");
        notes.addPassage(5, "Adab Menuntut Ilmu", "Ustadz Ahmad", 1200, 1231, 4000, "hadits niat");

        const QString adab = "Adab Menuntut Ilmu\n"
                             "Ustadz Ahmad\n"
                             "\n"
                             "0:05 — pembuka\n"
                             "12:34 — niat yang benar\n"
                             "20:00–20:31 — hadits niat\n"
                             "62:05\n";
        QCOMPARE(NotesExport::lectureText(*notes.lecture(5)), adab);
        QCOMPARE(NotesExport::markdown(notes.lectures()),
                 QString("# Catatan kajian\n"
                         "\n## Adab Menuntut Ilmu\n\nUstadz Ahmad\n\n"
                         "- 0:05 — pembuka\n- 12:34 — niat yang benar\n"
                         "- 20:00–20:31 — hadits niat\n- 62:05\n"
                         "\n## Fiqih Shalat\n\nTidak diketahui\n\n- 1:01 — wudhu\n"));

        NotesExport exporter;
        exporter.setNotes(&notes);
        exporter.copy(exporter.lectureText(5));
        QCOMPARE(QGuiApplication::clipboard()->text(), adab);
        const QString path = home.path() + "/adab.txt";
        QVERIFY(exporter.save(QUrl::fromLocalFile(path), exporter.lectureText(5)));
        QFile saved(path);
        QVERIFY(saved.open(QIODevice::ReadOnly));
        QCOMPARE(QString::fromUtf8(saved.readAll()), adab);
    }

    void clearerVoiceKeepsPlayingAndIsRemembered()
    {
        ScreenFixture f({lecture(1), lecture(2)});
        QQuickWindow *window = nullptr;
        QVERIFY(playPast(f, window, 1, 1.0));

        QQuickItem *toggle = accessible(window, "Perjelas suara");
        QVERIFY(toggle);
        for (const bool on : {true, false, true}) {
            UiTest::click(toggle);
            QCOMPARE(f.player->clearerVoice(), on);
            QTRY_COMPARE(f.backend->audioFilters().contains("dynaudnorm"), on);
            const double at = f.backend->position();
            QTRY_VERIFY(f.backend->position() > at + 1.0); // no reload, no stop
            QVERIFY(f.player->isPlaying());
        }

        // The next start over the same data folder has it on again.
        auto mpv = std::make_unique<MpvBackend>();
        MpvBackend *backend = mpv.get();
        PlayerParts parts(std::move(mpv), nullptr, {.preferencesFolder = f.store->folderURL()});
        PlayerViewModel player(parts.engine, *f.store);
        QVERIFY(player.clearerVoice());
        QTRY_VERIFY(backend->audioFilters().contains("dynaudnorm"));
    }
};

QTEST_MAIN(TestNotes)
#include "tst_notes.moc"
