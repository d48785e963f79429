// Library figures, printed (never pass/fail); run from a Release build:
//   - LibraryViewModel over 50,000 tracks: filteredTracks for a one-word query, popularTracks,
//     ustadzList (µs per call); the search against a scan that lowercases and normalises
//     every title on each call (what the per-track keys save), popularTracks against one plain
//     copy of every track (the floor of a list handed out by value); a query typed key by
//     key against each of its prefixes searched over the whole library;
//   - SeriesIndex::group over the same 50,000 tracks (ms per grouping; goal 20 ms), against
//     one lower-cased copy of every title (the floor of any pass that reads each title);
//   - Downloads: a 60 MB lecture from the loopback service, against `curl -o` of the same
//     address in the same run, alone and followed by `sync --data` (Downloads flushes the
//     body to the disk before it names it) (MB/s, ratios).
#include "../data/LibraryGenerator.h"
#include "LectureService.h"
#include "TempDataHome.h"
#include "audio/downloads/Downloads.h"
#include "models/Library.h"
#include "models/Series.h"
#include "persistence/Store.h"
#include "viewmodels/LibraryViewModel.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <cstdio>
#include <functional>

namespace {

constexpr int TrackCount = 50000;
constexpr qsizetype DownloadBytes = 60 * 1024 * 1024;
constexpr int DownloadRuns = 5;

double median(QList<double> values)
{
    std::sort(values.begin(), values.end());
    return values.isEmpty() ? 0 : values[values.size() / 2];
}

// Median µs per call over several rounds of `calls` calls.
double microsPerCall(int calls, const std::function<qsizetype()> &call)
{
    QList<double> rounds;
    qsizetype sink = 0;
    for (int round = 0; round < 5; ++round) {
        QElapsedTimer timer;
        timer.start();
        for (int i = 0; i < calls; ++i)
            sink += call();
        rounds.append(double(timer.nsecsElapsed()) / 1000.0 / calls);
    }
    if (sink == -1)
        std::puts("");
    return median(rounds);
}

void listFigures()
{
    TempDataHome home;
    Store store;
    const std::optional<LibraryResponse> library =
        LibraryResponse::fromJson(LibraryGenerator::document(TrackCount));
    if (!library) {
        std::puts("cannot build the library");
        return;
    }
    const double now = 1'700'000'000;
    store.saveCache({library->data, now, now, library->totalFiles});
    LibraryViewModel vm(store, [now] { return now; });
    QTest::qWaitFor([&] { return vm.trackCount() == TrackCount && vm.searchFormsReady(); }, 30000);

    const QString query = QStringLiteral("Tauhid");
    vm.setSearchText(query);
    const qsizetype matches = vm.filteredTracks().size();
    // The result is kept between reads: each call searches afresh after a blank query.
    const double filtered = microsPerCall(20, [&] {
        vm.setSearchText(QString());
        vm.filteredTracks();
        vm.setSearchText(query);
        return vm.filteredTracks().size();
    });
    const QString needle = query.trimmed().toLower().normalized(QString::NormalizationForm_C);
    const double naive = microsPerCall(5, [&] {
        qsizetype found = 0;
        for (const Track &track : vm.allTracks()) {
            if (track.judul.toLower().normalized(QString::NormalizationForm_C).contains(needle) ||
                track.ustadz.toLower().normalized(QString::NormalizationForm_C).contains(needle))
                ++found;
        }
        return found;
    });
    const double popular = microsPerCall(20, [&] { return vm.popularTracks().size(); });
    // The floor of any list handed out by value: one copy of every track.
    const double copyFloor = microsPerCall(20, [&] {
        QList<Track> copy;
        copy.reserve(vm.allTracks().size());
        for (const Track &track : vm.allTracks())
            copy.append(track);
        return copy.size();
    });
    const double teachers = microsPerCall(20, [&] { return vm.ustadzList().size(); });

    // A query typed key by key: each keystroke searches the previous result; the baseline
    // is the same queries each searched over the whole library (the last result dropped).
    const QString typed = QStringLiteral("kitab tauhid");
    QList<double> typing, scratch;
    for (int round = 0; round < 5; ++round) {
        vm.setSearchText(QString());
        vm.filteredTracks();
        for (qsizetype n = 1; n <= typed.size(); ++n) {
            QElapsedTimer timer;
            timer.start();
            vm.setSearchText(typed.left(n));
            vm.filteredTracks();
            typing << double(timer.nsecsElapsed()) / 1000.0;
        }
        for (qsizetype n = 1; n <= typed.size(); ++n) {
            vm.setSearchText(QString());
            vm.filteredTracks();
            QElapsedTimer timer;
            timer.start();
            vm.setSearchText(typed.left(n));
            vm.filteredTracks();
            scratch << double(timer.nsecsElapsed()) / 1000.0;
        }
    }
    const auto worst = [](const QList<double> &v) { return *std::max_element(v.begin(), v.end()); };

    std::printf("LibraryViewModel, %d tracks\n", TrackCount);
    std::printf("  filteredTracks \"%s\" (%lld matches): %.0f us/call; per-call normalising "
                "scan %.0f us (%.1fx)\n",
                qPrintable(query), qlonglong(matches), filtered, naive, naive / filtered);
    std::printf("  popularTracks: %.0f us/call; copying every track once %.0f us (%.2fx)\n",
                popular, copyFloor, popular / copyFloor);
    std::printf("  ustadzList (%lld names): %.0f us/call\n", qlonglong(vm.ustadzList().size()),
                teachers);
    std::printf("  typing \"%s\" key by key: median %.0f us, worst %.0f us per keystroke; each "
                "query over the whole library %.0f us, worst %.0f us (%.1fx)\n",
                qPrintable(typed), median(typing), worst(typing), median(scratch), worst(scratch),
                median(scratch) / median(typing));

    qsizetype seriesCount = 0;
    const double grouping = microsPerCall(5, [&] {
        const SeriesIndex index = SeriesIndex::group(vm.allTracks());
        seriesCount = qsizetype(index.all().size());
        return seriesCount;
    });
    const double lowering = microsPerCall(5, [&] {
        qsizetype length = 0;
        for (const Track &track : vm.allTracks())
            length += track.judul.toLower().size();
        return length;
    });
    std::printf("SeriesIndex::group, %d tracks (%lld series): %.1f ms; lower-casing every title "
                "%.1f ms (%.1fx)\n",
                TrackCount, qlonglong(seriesCount), grouping / 1000, lowering / 1000,
                grouping / lowering);
}

void downloadFigures()
{
    LectureService service;
    QByteArray body(DownloadBytes, Qt::Uninitialized);
    QRandomGenerator(7).fillRange(reinterpret_cast<quint32 *>(body.data()), body.size() / 4);
    if (!service.addTrackFile(QStringLiteral("kajian.mp3"), body) || !service.start()) {
        std::puts("cannot start the lecture service");
        return;
    }
    body.clear();
    ServiceAddress::setBaseUrl(service.baseUrl());
    Track track;
    track.id = 1;
    track.filename = QStringLiteral("kajian.mp3");

    QTemporaryDir dir;
    QList<double> ours, curl, curlSynced;
    for (int run = 0; run < DownloadRuns; ++run) {
        const QString folder = dir.path() + QStringLiteral("/run%1").arg(run);
        Downloads downloads(folder);
        QElapsedTimer timer;
        timer.start();
        downloads.startDownload(track);
        QTest::qWaitFor([&] { return downloads.downloadingIds().isEmpty(); }, 120000);
        const double seconds = double(timer.nsecsElapsed()) / 1e9;
        if (QFileInfo(folder + QStringLiteral("/1.mp3")).size() == DownloadBytes)
            ours.append(DownloadBytes / 1048576.0 / seconds);
        QFile::remove(folder + QStringLiteral("/1.mp3"));

        const QString target = dir.path() + QStringLiteral("/curl.mp3");
        timer.restart();
        const int status = QProcess::execute(QStringLiteral("curl"),
                                             {"-s", "-o", target, track.streamURL().toString()});
        const double curlSeconds = double(timer.nsecsElapsed()) / 1e9;
        // Downloads flushes the body to the disk before naming it; curl does not.
        QProcess::execute(QStringLiteral("sync"), {"--data", target});
        const double syncedSeconds = double(timer.nsecsElapsed()) / 1e9;
        if (status == 0 && QFileInfo(target).size() == DownloadBytes) {
            curl.append(DownloadBytes / 1048576.0 / curlSeconds);
            curlSynced.append(DownloadBytes / 1048576.0 / syncedSeconds);
        }
        QFile::remove(target);
    }
    std::printf("Downloads, 60 MB from the loopback service (median of %d)\n", DownloadRuns);
    const auto ratio = [&](const QList<double> &base) {
        return median(base) > 0 ? median(ours) / median(base) : 0.0;
    };
    std::printf("  Downloads: %.0f MB/s; curl -o: %.0f MB/s (ratio %.2f); curl -o then sync "
                "--data: %.0f MB/s (ratio %.2f)\n",
                median(ours), median(curl), ratio(curl), median(curlSynced), ratio(curlSynced));
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    listFigures();
    downloadFigures();
    return 0;
}
