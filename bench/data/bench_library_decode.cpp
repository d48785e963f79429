// Decode + validate library documents of 5,000 and 50,000 tracks, beside Python's json.load on
// the same file in the same run. Prints figures; never fails.
#include "LibraryGenerator.h"
#include "models/Library.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonDocument>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

double medianMs(int runs, const std::function<void()> &work)
{
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer timer;
        timer.start();
        work();
        times.push_back(timer.nsecsElapsed() / 1e6);
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

double pythonMs(const QStringList &arguments)
{
    QProcess python;
    QElapsedTimer timer;
    timer.start();
    python.start(QStringLiteral("python3"), arguments);
    if (!python.waitForFinished(120000) || python.exitCode() != 0)
        return -1;
    return timer.nsecsElapsed() / 1e6;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    const int runs = 7;
    std::printf("library document decode + validate (median of %d runs)\n", runs);
    std::printf("%8s %9s %10s %9s %12s %10s %10s %10s %8s\n", "tracks", "MB", "talvora ms", "MB/s",
                "QJsonDoc ms", "py cmd ms", "py start", "py load ms", "ratio");
    for (int count : {5000, 50000}) {
        const QString path = dir.filePath(QStringLiteral("library-%1.json").arg(count));
        {
            QFile file(path);
            file.open(QIODevice::WriteOnly);
            file.write(LibraryGenerator::document(count));
        }
        const double megabytes = QFileInfo(path).size() / 1e6;

        size_t decoded = 0;
        const double ours = medianMs(runs, [&] {
            QFile file(path);
            file.open(QIODevice::ReadOnly);
            const std::optional<LibraryResponse> library =
                LibraryResponse::fromJson(file.readAll());
            decoded = library ? size_t(library->data.size()) : 0;
        });
        // Qt's own parser, which the strict reader replaces (parse only, no validation).
        const double qt = medianMs(runs, [&] {
            QFile file(path);
            file.open(QIODevice::ReadOnly);
            QJsonDocument::fromJson(file.readAll());
        });
        // The baseline command as it stands, and Python's start-up alone, each run separately.
        const QString load = QStringLiteral("import json,sys; json.load(open(sys.argv[1]))");
        const QString start = QStringLiteral("import json,sys");
        // The same load timed inside Python, which leaves start-up out without a subtraction.
        const QString timed = QStringLiteral(
            "import json,sys,time; t=time.perf_counter(); json.load(open(sys.argv[1])); "
            "print((time.perf_counter()-t)*1000)");
        std::vector<double> loads, starts, inside;
        for (int i = 0; i < runs; ++i) {
            loads.push_back(pythonMs({QStringLiteral("-c"), load, path}));
            starts.push_back(pythonMs({QStringLiteral("-c"), start, path}));
            QProcess python;
            python.start(QStringLiteral("python3"), {QStringLiteral("-c"), timed, path});
            python.waitForFinished(120000);
            inside.push_back(python.readAllStandardOutput().trimmed().toDouble());
        }
        std::sort(loads.begin(), loads.end());
        std::sort(starts.begin(), starts.end());
        std::sort(inside.begin(), inside.end());
        const double python = loads[runs / 2];
        const double pythonStart = starts[runs / 2];
        const double pythonInside = inside[runs / 2];
        std::printf("%8d %9.2f %10.1f %9.1f %12.1f %10.1f %10.1f %10.1f %8.2f%s\n", count,
                    megabytes, ours, megabytes / (ours / 1000), qt, python, pythonStart,
                    pythonInside, ours / pythonInside,
                    decoded == size_t(count) ? "" : "  (DECODE FAILED)");
    }
    std::printf(
        "talvora: read + strict decode + validate into tracks. QJsonDoc: Qt's parser alone, "
        "no validation.\npy cmd: the whole python3 -c json.load command; py start: the "
        "same command without the load;\npy load: json.load timed inside Python. ratio = "
        "talvora ms / py load ms (below 1: faster than Python)\n");
    return 0;
}
