// The rows QML sees: texts with their fallbacks, progress from the real history file and
// its throttled re-reading, the download state from the real downloads folder, the
// current row.
#include "Lecture.h"
#include "TempDataHome.h"
#include "audio/downloads/Downloads.h"
#include "persistence/Store.h"
#include "viewmodels/TrackListModel.h"

#include <QAbstractItemModelTester>
#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTest>

using namespace std::chrono_literals;

namespace {
QVariant role(const TrackListModel &model, int row, TrackListModel::Role r)
{
    return model.data(model.index(row), r);
}
} // namespace

class TestTrackListModel : public QObject
{
    Q_OBJECT

private slots:
    void textsFallBack()
    {
        TrackListModel model;
        QAbstractItemModelTester tester(&model);
        model.setTracks({Lecture(1).titled(QString()).by(QString()), Lecture(2).lasting(3725)});
        QCOMPARE(role(model, 0, TrackListModel::TitleRole).toString(), QStringLiteral("kajian-1"));
        QCOMPARE(role(model, 0, TrackListModel::TeacherRole).toString(),
                 QStringLiteral("Tidak diketahui"));
        QCOMPARE(role(model, 1, TrackListModel::TitleRole).toString(), QStringLiteral("Kajian 2"));
        QCOMPARE(role(model, 1, TrackListModel::DurationTextRole).toString(),
                 QStringLiteral("62:05"));
        QCOMPARE(model.rowOfTrackId(2), 1);
        QCOMPARE(model.rowOfTrackId(3), -1);
        QVERIFY(!model.trackAt(2));
    }

    void progressFromTheFirstHistoryEntry_data()
    {
        QTest::addColumn<QList<Store::PlaybackHistoryItem>>("history");
        QTest::addColumn<bool>("shown");
        QTest::addColumn<double>("progress");
        QTest::addColumn<QString>("text");
        using Item = Store::PlaybackHistoryItem;
        QTest::newRow("a fifth") << QList<Item>{{1, 754.2, 3600, 10, 1}} << true << 0.2095 << "20%";
        QTest::newRow("past the end")
            << QList<Item>{{1, 4000, 3600, 10, 1}} << true << 4000.0 / 3600 << "111%";
        QTest::newRow("no length") << QList<Item>{{1, 754.2, 0, 10, 1}} << false << 0.0 << "";
        QTest::newRow("at the start") << QList<Item>{{1, 0, 3600, 10, 1}} << false << 0.0 << "";
        QTest::newRow("first entry counts")
            << QList<Item>{{1, 754.2, 0, 20, 1}, {1, 1800, 3600, 10, 1}} << false << 0.0 << "";
        QTest::newRow("other lecture") << QList<Item>{{2, 1800, 3600, 10, 1}} << false << 0.0 << "";
    }

    void progressFromTheFirstHistoryEntry()
    {
        QFETCH(QList<Store::PlaybackHistoryItem>, history);
        QFETCH(bool, shown);
        QFETCH(double, progress);
        QFETCH(QString, text);
        TempDataHome home;
        Store store;
        store.savePlaybackHistory(history);
        TrackListModel model(&store);
        QAbstractItemModelTester tester(&model);
        model.setTracks({Lecture(1)});
        QCOMPARE(role(model, 0, TrackListModel::HasProgressRole).toBool(), shown);
        QCOMPARE(role(model, 0, TrackListModel::ProgressRole).toDouble(), progress);
        QCOMPARE(role(model, 0, TrackListModel::ProgressTextRole).toString(), text);
    }

    void historyIsReadAgainAtMostOncePerInterval()
    {
        TempDataHome home;
        Store store;
        TrackListModel model(&store);
        QAbstractItemModelTester tester(&model);
        model.setHistoryInterval(300ms);
        model.setTracks({Lecture(1), Lecture(2)});
        QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);

        store.addOrUpdatePlaybackHistory(1, 360, 3600);
        store.waitForWrites(); // announced, and read at once
        QCOMPARE(role(model, 0, TrackListModel::ProgressTextRole).toString(),
                 QStringLiteral("10%"));
        QCOMPARE(changed.size(), 1);
        QCOMPARE(changed.at(0).at(0).value<QModelIndex>().row(), 0); // only the changed row

        store.addOrUpdatePlaybackHistory(1, 720, 3600); // within the interval: later
        store.addOrUpdatePlaybackHistory(1, 1080, 3600);
        store.waitForWrites();
        QCOMPARE(role(model, 0, TrackListModel::ProgressTextRole).toString(),
                 QStringLiteral("10%"));
        QTRY_COMPARE(role(model, 0, TrackListModel::ProgressTextRole).toString(),
                     QStringLiteral("30%"));
        QCOMPARE(changed.size(), 2); // one read for both writes
    }

    // The current row shows the player's place (announced for that row only, once per
    // change); a row that stops being current shows its history again.
    void currentRowProgressIsThePlayers()
    {
        TempDataHome home;
        Store store;
        store.savePlaybackHistory({{1, 360, 3600, 10, 1}, {2, 720, 3600, 9, 1}});
        TrackListModel model(&store);
        QAbstractItemModelTester tester(&model);
        model.setTracks({Lecture(1), Lecture(2)});
        model.setCurrentTrack(1, true);
        QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
        model.setCurrentProgress(0.5);
        model.setCurrentProgress(0.5);
        QCOMPARE(changed.size(), 1);
        QCOMPARE(changed.at(0).at(0).value<QModelIndex>().row(), 0);
        QCOMPARE(role(model, 0, TrackListModel::ProgressTextRole).toString(),
                 QStringLiteral("50%"));
        QCOMPARE(role(model, 1, TrackListModel::ProgressTextRole).toString(),
                 QStringLiteral("20%"));
        model.setCurrentTrack(2, true);
        QCOMPARE(role(model, 0, TrackListModel::ProgressTextRole).toString(),
                 QStringLiteral("10%"));
        QCOMPARE(role(model, 1, TrackListModel::ProgressTextRole).toString(),
                 QStringLiteral("20%"));
    }

    void currentRowFollowsThePlayer()
    {
        TrackListModel model;
        QAbstractItemModelTester tester(&model);
        model.setTracks({Lecture(1), Lecture(2), Lecture(3)});
        QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
        model.setCurrentTrack(2, false);
        QVERIFY(role(model, 1, TrackListModel::IsCurrentRole).toBool());
        QVERIFY(!role(model, 1, TrackListModel::IsPlayingRole).toBool());
        QVERIFY(!role(model, 0, TrackListModel::IsCurrentRole).toBool());
        model.setCurrentTrack(2, true);
        QVERIFY(role(model, 1, TrackListModel::IsPlayingRole).toBool());
        model.setCurrentTrack(3, true);
        QVERIFY(!role(model, 1, TrackListModel::IsCurrentRole).toBool());
        QVERIFY(role(model, 2, TrackListModel::IsPlayingRole).toBool());
        model.setCurrentTrack(std::nullopt, false);
        QVERIFY(!role(model, 2, TrackListModel::IsCurrentRole).toBool());
        // Each change touches the rows it concerns, never the whole list.
        for (const auto &args : changed)
            QCOMPARE(args.at(0).value<QModelIndex>(), args.at(1).value<QModelIndex>());
        QCOMPARE(changed.size(), 5);
    }

    // A search's new rows are told as removed and inserted rows, never a reset; the same
    // list again tells nothing; rows are found by id in the new list.
    void updatedRowsAreToldAsRowChanges()
    {
        TrackListModel model;
        QAbstractItemModelTester tester(&model);
        QSignalSpy reset(&model, &QAbstractItemModel::modelReset);
        QSignalSpy removed(&model, &QAbstractItemModel::rowsRemoved);
        QSignalSpy inserted(&model, &QAbstractItemModel::rowsInserted);
        QSignalSpy count(&model, &TrackListModel::countChanged);
        const QList<Track> three{Lecture(1), Lecture(2), Lecture(3)};
        model.updateTracks(three);
        QCOMPARE(model.rowOfTrackId(3), 2);
        model.updateTracks(three);
        QCOMPARE(inserted.size() + removed.size() + count.size(), 2);
        model.updateTracks({Lecture(3), Lecture(4)});
        QCOMPARE(removed.size(), 1);
        QCOMPARE(removed.last().at(2).toInt(), 2);
        QCOMPARE(inserted.size(), 2);
        QCOMPARE(inserted.last().at(2).toInt(), 1);
        QCOMPARE(model.rowOfTrackId(3), 0);
        QCOMPARE(model.rowOfTrackId(1), -1);
        QCOMPARE(role(model, 1, TrackListModel::TrackIdRole).toDouble(), 4.0);
        model.updateTracks({});
        QCOMPARE(model.count(), 0);
        QCOMPARE(reset.size(), 0);
        QCOMPARE(count.size(), 3);
    }

    void downloadedMeansTheFileIsThere()
    {
        TempDataHome home;
        Downloads downloads;
        TrackListModel model(nullptr, &downloads);
        QAbstractItemModelTester tester(&model);
        QFile file(downloads.fileURL(Lecture(2)).toLocalFile());
        QVERIFY(file.open(QIODevice::WriteOnly)); // placed by hand: counts as downloaded
        file.close();
        model.setTracks({Lecture(1), Lecture(2)});
        QVERIFY(!role(model, 0, TrackListModel::IsDownloadedRole).toBool());
        QVERIFY(role(model, 1, TrackListModel::IsDownloadedRole).toBool());
        QVERIFY(!role(model, 1, TrackListModel::IsDownloadingRole).toBool());

        QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
        downloads.removeDownload(Lecture(2));
        QVERIFY(!changed.isEmpty());
        QVERIFY(!role(model, 1, TrackListModel::IsDownloadedRole).toBool());
    }
};

QTEST_GUILESS_MAIN(TestTrackListModel)
#include "tst_tracklistmodel.moc"
