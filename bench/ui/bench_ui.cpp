// Figures for the main window (printed, never pass/fail). Run by bench/ui/run.sh, which
// measures wall time and peak memory of the start-up modes with /usr/bin/time.
//
//   bench_ui prepare <count>   writes a fresh cached library of <count> lectures into the
//                              data folder ($XDG_DATA_HOME/Quillora)
//   bench_ui startup           the real main window over the cached library; prints the
//                              time to its first frame and to the first frame with the list
//   bench_ui plain             baseline: a plain widget window listing the cached library
//   bench_ui search            keystrokes in the search field over the cached library:
//                              ms from the key to the result list's model updated (its
//                              last change notice) and to the next frame; before that the
//                              search alone per keystroke against the plain substring filter
//                              (the baseline) and against the same search copying the found
//                              lectures (the previous path) in the same run, queries nobody
//                              should type, and the GUI thread's time for a library load
//                              with the search forms made on a worker against made on it;
//                              BENCH_DETAIL=1 prints the search time of every keystroke
//   bench_ui scroll            the Home list scrolled from top to bottom, a page per frame
//   bench_ui notes             writes 2,000 notes over the first 300 cached lectures, then
//                              opens "Catatan": ms to the first frame of the list, against
//                              opening "Beranda" (the cached library) in the same run
#include "AppFonts.h"
#include "MainWindows.h"
#include "audio/downloads/Downloads.h"
#include "persistence/NotesStore.h"
#include "persistence/Store.h"
#include "viewmodels/LibraryViewModel.h"
#include "viewmodels/PlayerViewModel.h"
#include "viewmodels/SearchMatcher.h"
#include "viewmodels/screens/LibraryScreenTracks.h"

#include <QAbstractItemModel>
#include <QApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <QHash>
#include <QListWidget>
#include <QQmlApplicationEngine>
#include <QQuickItem>
#include <QQuickStyle>
#include <QQuickWindow>
#include <QSaveFile>
#include <QStringMatcher>
#include <QTest>
#include <QTimer>
#include <QtQml/qqmlextensionplugin.h>

#include <algorithm>
#include <cstdio>
#include <ctime>

Q_IMPORT_QML_PLUGIN(TalvoraPlugin)

namespace {

QElapsedTimer sinceStart;

QList<Track> makeLibrary(int count)
{
    static const char *teachers[] = {"Ustadz Ahmad Fauzan Hidayat", "Ustadz Muhammad Rizki",
                                     "Ustadz Abdullah Hakim", "Ustadz Hasan Basri Lubis",
                                     "ustadz Yusuf Mansur"};
    static const char *topics[] = {"Tafsir Surat Al-Fatihah",   "Fiqih Shalat",
                                   "Adab Menuntut Ilmu",        "Keutamaan Sedekah",
                                   "Nasihat tentang Sabar",     "Sirah Nabawiyah",
                                   "Tanya Jawab Seputar Puasa", "Menjaga Lisan"};
    QList<Track> tracks;
    tracks.reserve(count);
    for (int i = 0; i < count; ++i) {
        Track t;
        t.id = 100000 + i;
        t.filename = QStringLiteral("kajian-%1.mp3").arg(t.id);
        t.slug = QStringLiteral("kajian-%1").arg(t.id);
        t.filemtime = 1.7e9 + i;
        t.ustadz = QString::fromLatin1(teachers[i % 5]);
        t.judul = QStringLiteral("%1 bagian %2").arg(QString::fromLatin1(topics[i % 8])).arg(i);
        t.durationSeconds = 600 + (i * 37) % 4000;
        if (i % 7)
            t.views = (i * 7919) % 5000;
        tracks << t;
    }
    return tracks;
}

int prepare(int count)
{
    Store store;
    Store::CacheEntry entry;
    entry.tracks = makeLibrary(count);
    entry.cacheTimestamp = double(QDateTime::currentSecsSinceEpoch());
    entry.lastCheckTimestamp = entry.cacheTimestamp;
    entry.serverTotal = count;
    store.saveCache(entry);
    std::printf("prepared %d cached lectures in %s\n", count, qPrintable(store.folderURL()));
    return store.loadCache() ? 0 : 1;
}

struct Program
{
    Program()
        : library(Store::shared()), notes(Store::shared().folderURL()),
          windows(engine, library, player, Downloads::shared(), Store::shared(), notes)
    {
    }
    LibraryViewModel library;
    PlayerViewModel player;
    NotesStore notes;
    QQmlApplicationEngine engine;
    MainWindows windows;
};

int startup()
{
    QQuickStyle::setStyle(QStringLiteral("Basic"));
    AppFonts::install();
    Program program;
    QQuickWindow *window = program.windows.open();
    if (!window)
        return 1;
    double firstFrame = -1;
    QObject::connect(window, &QQuickWindow::frameSwapped, window, [&] {
        if (firstFrame < 0)
            firstFrame = sinceStart.nsecsElapsed() / 1e6;
        if (program.library.trackCount() > 0) {
            std::printf("first frame %.1f ms; first frame with %d lectures %.1f ms\n", firstFrame,
                        program.library.trackCount(), sinceStart.nsecsElapsed() / 1e6);
            QTimer::singleShot(0, qApp, &QCoreApplication::quit);
        }
    });
    QObject::connect(&program.library, &LibraryViewModel::tracksChanged, window,
                     [window] { window->requestUpdate(); });
    return qApp->exec();
}

int plain()
{
    const auto cache = Store::shared().loadCache();
    QListWidget list;
    list.setWindowTitle(QStringLiteral("Talvora"));
    list.resize(1100, 720);
    if (cache) {
        for (const Track &track : cache->tracks)
            list.addItem(track.displayTitle() + QStringLiteral(" — ") + track.displayUstadz());
    }
    struct FirstPaint : QObject
    {
        bool eventFilter(QObject *, QEvent *event) override
        {
            if (event->type() == QEvent::Paint && !done) {
                done = true;
                QTimer::singleShot(0, qApp, [] {
                    std::printf("first frame %.1f ms (plain window)\n",
                                sinceStart.nsecsElapsed() / 1e6);
                    QCoreApplication::quit();
                });
            }
            return false;
        }
        bool done = false;
    } filter;
    list.viewport()->installEventFilter(&filter);
    list.show();
    return qApp->exec();
}

QQuickItem *findByObjectName(QQuickItem *root, const QString &name)
{
    if (root->objectName() == name)
        return root;
    for (QQuickItem *child : root->childItems()) {
        if (QQuickItem *found = findByObjectName(child, name))
            return found;
    }
    return nullptr;
}

bool waitForFrame(QQuickWindow *window)
{
    bool swapped = false;
    auto c = QObject::connect(window, &QQuickWindow::frameSwapped, window, [&] { swapped = true; });
    window->requestUpdate();
    const bool ok = QTest::qWaitFor([&] { return swapped; }, 5000);
    QObject::disconnect(c);
    return ok;
}

// The search as it was before spelling-tolerant matching (the baseline): the trimmed,
// lowercased query as a substring of the lowercased title or teacher, a growing query
// searching the previous result only.
class SubstringFilter
{
public:
    explicit SubstringFilter(const QList<Track> &tracks) : m_all(tracks)
    {
        QHash<QString, int> teachers;
        for (const Track &track : tracks) {
            const QString teacher = track.ustadz.toLower();
            auto found = teachers.constFind(teacher);
            if (found == teachers.cend()) {
                found = teachers.insert(teacher, int(m_teachers.size()));
                m_teachers.push_back(teacher);
            }
            m_teacherOf.push_back(*found);
            m_titles.push_back(track.judul.toLower());
        }
    }

    QList<Track> filter(const QString &text)
    {
        const QString query = text.trimmed().toLower();
        if (query.isEmpty()) {
            m_query.clear();
            m_rows.clear();
            return m_all;
        }
        const bool narrowing = !m_query.isEmpty() && query.contains(m_query);
        const QStringMatcher matcher(query);
        std::vector<char> teacherMatches(m_teachers.size());
        for (size_t t = 0; t < m_teachers.size(); ++t)
            teacherMatches[t] = matcher.indexIn(m_teachers[t]) >= 0;
        std::vector<qsizetype> rows;
        const auto consider = [&](qsizetype i) {
            if (teacherMatches[size_t(m_teacherOf[size_t(i)])] ||
                matcher.indexIn(m_titles[size_t(i)]) >= 0)
                rows.push_back(i);
        };
        if (narrowing) {
            for (qsizetype i : m_rows)
                consider(i);
        } else {
            for (qsizetype i = 0; i < m_all.size(); ++i)
                consider(i);
        }
        QList<Track> result;
        if (rows.size() == size_t(m_all.size())) {
            result = m_all;
        } else if (narrowing && rows.size() == m_rows.size()) {
            result = m_result;
        } else {
            for (qsizetype i : rows)
                result.append(m_all.at(i));
        }
        m_query = query;
        m_rows = std::move(rows);
        m_result = result;
        return result;
    }

private:
    QList<Track> m_all;
    std::vector<QString> m_titles;
    std::vector<int> m_teacherOf;
    std::vector<QString> m_teachers;
    QString m_query;
    std::vector<qsizetype> m_rows;
    QList<Track> m_result;
};

struct Figures
{
    double median, p95, worst;
};

Figures report(const char *what, QList<double> values)
{
    std::sort(values.begin(), values.end());
    const Figures f{values[values.size() / 2], values[(values.size() * 95) / 100], values.last()};
    std::printf("%s: median %.2f ms, 95th percentile %.2f ms, worst %.2f ms over %lld keystrokes\n",
                what, f.median, f.p95, f.worst, qlonglong(values.size()));
    return f;
}

void ratios(const char *what, const Figures &now, const Figures &then)
{
    std::printf("  new / %s: median %.2f, 95th percentile %.2f, worst %.2f\n", what,
                now.median / then.median, now.p95 / then.p95, now.worst / then.worst);
}

// Typed queries, and queries nobody should type, timed by the search alone.
const QStringList typedQueries{QStringLiteral("sabar bagian 1"), QStringLiteral("sholat abdul"),
                               QStringLiteral("nasihta sabar"), QStringLiteral("hadis arbain")};

// Processor time of this thread in ms: the figure of the search itself, whatever else the
// machine runs.
double threadMs()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) * 1e3 + double(now.tv_nsec) / 1e6;
}

// The GUI thread's processor time for loading the cached library into a new view model, until
// its search forms are in place; before, the same load also made the forms on this thread.
void loadFigures()
{
    double start = threadMs();
    QElapsedTimer wall;
    wall.start();
    LibraryViewModel library(Store::shared());
    if (!QTest::qWaitFor([&] { return library.trackCount() > 0 && library.searchFormsReady(); },
                         60000))
        return;
    const double load = threadMs() - start;
    const double ready = wall.nsecsElapsed() / 1e6;
    start = threadMs();
    SearchMatcher matcher;
    matcher.setLibrary(library.allTracks());
    const double forms = threadMs() - start;
    std::printf("library load of %d lectures, GUI thread (processor time): %.1f ms, forms made on "
                "a worker (in place after %.1f ms wall); before, with the forms made on it: "
                "%.1f ms (forms %.1f ms); ratio %.3f\n",
                library.trackCount(), load, ready, load + forms, forms, load / (load + forms));
}

void compareFilters(LibraryViewModel &library)
{
    SubstringFilter baseline(library.allTracks());
    // The previous path: the same search handing out copies of the found lectures.
    SearchMatcher previous;
    previous.setLibrary(library.allTracks());
    QList<qsizetype> previousRows;
    QList<double> before, copied, after;
    for (int round = 0; round < 5; ++round) {
        for (const QString &typed : typedQueries) {
            baseline.filter(QString());
            library.setSearchText(QString());
            for (qsizetype n = 1; n <= typed.size(); ++n) {
                const QString query = typed.left(n);
                double start = threadMs();
                const qsizetype old = baseline.filter(query).size();
                before << threadMs() - start;
                start = threadMs();
                {
                    // As it was: the whole library in its order, or the previous rows, shared.
                    QList<qsizetype> rows = previous.find(query.trimmed().toLower(), {}).rows;
                    const bool whole = rows.size() == library.trackCount() &&
                                       std::is_sorted(rows.cbegin(), rows.cend());
                    if (!whole && rows != previousRows) {
                        QList<Track> tracks;
                        tracks.reserve(rows.size());
                        for (qsizetype row : rows)
                            tracks.append(library.allTracks().at(row));
                    }
                    previousRows = std::move(rows);
                }
                copied << threadMs() - start;
                start = threadMs();
                library.setSearchText(query);
                const qsizetype found = library.filteredRows().size();
                after << threadMs() - start;
                if (qEnvironmentVariableIsSet("BENCH_DETAIL"))
                    std::printf("    %-16s substring %.2f copying %.2f new %.2f\n",
                                qPrintable(query), before.last(), copied.last(), after.last());
                if (n == typed.size() && round == 0)
                    std::printf("  \"%s\": %lld lectures (substring filter %lld)\n",
                                qPrintable(typed), qlonglong(found), qlonglong(old));
            }
        }
    }
    const Figures substring =
        report("search alone (processor time), substring filter (baseline)", before);
    const Figures copying = report("search alone (processor time), copying lectures", copied);
    const Figures rows = report("search alone (processor time), rows of the library", after);
    ratios("substring filter", rows, substring);
    ratios("copying lectures", rows, copying);

    const QList<std::pair<const char *, QString>> odd{
        {"1,000 letters", QString(1000, u'a')},
        {"1,000 characters of words",
         QStringLiteral("kajian tafsir sholat hadits ustadz sabar ").repeated(25).left(1000)},
        {"punctuation", QStringLiteral("?!.,;:-()")},
        {"Arabic script",
         QStringLiteral("\u0635\u0644\u0627\u0629 \u0627\u0644\u062C\u0645\u0627\u0639\u0629")},
        {"emoji", QStringLiteral("\U0001F600\U0001F64F")},
    };
    for (const auto &[what, query] : odd) {
        library.setSearchText(QString());
        const double start = threadMs();
        library.setSearchText(query);
        const qsizetype found = library.filteredRows().size();
        std::printf("  %s: %.2f ms, %lld lectures\n", what, threadMs() - start, qlonglong(found));
    }
    library.setSearchText(QString());
}

int search()
{
    QQuickStyle::setStyle(QStringLiteral("Basic"));
    AppFonts::install();
    loadFigures();
    Program program;
    QQuickWindow *window = program.windows.open();
    if (!window ||
        !QTest::qWaitFor(
            [&] { return program.library.trackCount() > 0 && program.library.searchFormsReady(); },
            30000))
        return 1;
    std::printf("search over %d lectures\n", program.library.trackCount());
    compareFilters(program.library);
    QTest::keyClick(window, Qt::Key_F, Qt::ControlModifier);
    QTest::qWait(200);
    QList<double> keyToModel, keyToModelCpu;
    QList<double> keyToFrame;
    QAbstractItemModel *model = nullptr;
    for (const QString &typed : typedQueries) {
        // A new query: the field emptied (not timed) shows the prompt again.
        program.library.setSearchText(QString());
        waitForFrame(window);
        for (QChar key : typed) {
            QElapsedTimer timer;
            double updated = -1;
            double updatedCpu = -1;
            double startCpu = 0;
            // The results list appears with the first non-blank query; its model is the
            // search screen's list and lives as long as the screen.
            if (!model) {
                if (auto *controller =
                        program.windows.windows().first()->findChild<SearchTracks *>())
                    model = controller->model();
            }
            // The model is updated when the last of its change notices of this keystroke is out.
            QList<QMetaObject::Connection> c;
            const auto stamp = [&] {
                updated = timer.nsecsElapsed() / 1e6;
                updatedCpu = threadMs() - startCpu;
            };
            if (model)
                c << QObject::connect(model, &QAbstractItemModel::modelReset, model, stamp)
                  << QObject::connect(model, &QAbstractItemModel::rowsRemoved, model, stamp)
                  << QObject::connect(model, &QAbstractItemModel::rowsInserted, model, stamp)
                  << QObject::connect(model, &QAbstractItemModel::dataChanged, model, stamp);
            startCpu = threadMs();
            timer.start();
            QTest::keyClick(window, key.toLatin1());
            if (updated < 0) { // no change: the field and the filter only
                updated = timer.nsecsElapsed() / 1e6;
                updatedCpu = threadMs() - startCpu;
            }
            for (const auto &connection : std::as_const(c))
                QObject::disconnect(connection);
            waitForFrame(window);
            keyToModel << updated;
            keyToModelCpu << updatedCpu;
            keyToFrame << timer.nsecsElapsed() / 1e6;
            if (qEnvironmentVariableIsSet("BENCH_DETAIL"))
                std::printf("    key '%c': model %.2f ms (processor %.2f), frame %.2f ms\n",
                            key.toLatin1(), keyToModel.last(), keyToModelCpu.last(),
                            keyToFrame.last());
        }
    }
    std::printf("typing \"%s\" in the search field\n", qPrintable(typedQueries.join("\", \"")));
    report("key -> model updated", keyToModel);
    report("key -> model updated (processor time)", keyToModelCpu);
    report("key -> next frame shown", keyToFrame);
    return 0;
}

int scroll()
{
    QQuickStyle::setStyle(QStringLiteral("Basic"));
    AppFonts::install();
    Program program;
    QQuickWindow *window = program.windows.open();
    if (!window || !QTest::qWaitFor([&] { return program.library.trackCount() > 0; }, 10000))
        return 1;
    QQuickItem *list = nullptr;
    if (!QTest::qWaitFor(
            [&] {
                QQuickItem *home = findByObjectName(window->contentItem(), "homeList");
                list = home ? home->property("view").value<QQuickItem *>() : nullptr;
                return list != nullptr;
            },
            10000))
        return 1;
    waitForFrame(window);
    const double page = list->height();
    QElapsedTimer timer;
    timer.start();
    int frames = 0;
    double worst = 0;
    while (!list->property("atYEnd").toBool()) {
        QElapsedTimer frame;
        frame.start();
        list->setProperty("contentY", list->property("contentY").toDouble() + page);
        if (!waitForFrame(window))
            return 1;
        worst = std::max(worst, frame.nsecsElapsed() / 1e6);
        ++frames;
    }
    const double total = timer.nsecsElapsed() / 1e6;
    std::printf("scrolled %d rows top to bottom, a page (%.0f px) per frame: %d frames in %.0f ms, "
                "%.2f ms per frame on average, %.2f ms the slowest\n",
                program.library.trackCount(), page, frames, total, total / frames, worst);
    return 0;
}

int notes()
{
    const auto cache = Store::shared().loadCache();
    if (!cache || cache->tracks.size() < 300)
        return 1;
    QList<NotesStore::Lecture> lectures;
    for (int i = 0; i < 300; ++i) {
        const Track &track = cache->tracks.at(i);
        NotesStore::Lecture lecture{track.id, track.displayTitle(), track.displayUstadz(), {}};
        for (int n = 0; n < 2000 / 300 + (i < 2000 % 300 ? 1 : 0); ++n) {
            const qint64 id = qint64(i) * 100 + n + 1;
            lecture.notes.append({id, 60.0 * n + i % 60,
                                  QStringLiteral("Faidah ke-%1: adab sebelum ilmu").arg(n + 1),
                                  1.7e9 + i * 10 + n});
        }
        lectures << lecture;
    }
    QSaveFile file(Store::shared().folderURL() + QStringLiteral("/notes.json"));
    if (!file.open(QIODevice::WriteOnly) || file.write(NotesStore::encode(lectures)) < 0 ||
        !file.commit())
        return 1;

    QQuickStyle::setStyle(QStringLiteral("Basic"));
    AppFonts::install();
    Program program;
    QQuickWindow *window = program.windows.open();
    if (!window || !QTest::qWaitFor([&] { return program.library.trackCount() > 0; }, 10000))
        return 1;
    QObject *content = window->property("content").value<QObject *>();
    waitForFrame(window);
    auto open = [&](const char *selection) {
        QElapsedTimer timer;
        bool swapped = false;
        auto c =
            QObject::connect(window, &QQuickWindow::frameSwapped, window, [&] { swapped = true; });
        timer.start();
        content->setProperty("selection", QString::fromLatin1(selection));
        QTest::qWaitFor([&] { return swapped; }, 10000);
        QObject::disconnect(c);
        return timer.nsecsElapsed() / 1e6;
    };
    QList<double> home, noted;
    for (int run = 0; run < 6; ++run) {
        const double h = open("home");
        const double n = open("notes");
        if (run == 0)
            continue; // warm-up: the screens' components are compiled on first use
        home << h;
        noted << n;
    }
    QQuickItem *list = findByObjectName(window->contentItem(), "allNotes");
    std::sort(home.begin(), home.end());
    std::sort(noted.begin(), noted.end());
    std::printf("\"Catatan\" with %d notes over 300 lectures (%d rows): first frame median %.1f ms "
                "(max %.1f); \"Beranda\" with %d lectures median %.1f ms; ratio %.2f\n",
                2000, list ? list->property("count").toInt() : -1, noted[noted.size() / 2],
                noted.last(), program.library.trackCount(), home[home.size() / 2],
                noted[noted.size() / 2] / home[home.size() / 2]);
    return 0;
}

} // namespace

int main(int argc, char *argv[])
{
    sinceStart.start();
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Talvora"));
    const QString mode = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QString();
    if (mode == QLatin1String("prepare"))
        return prepare(argc > 2 ? std::atoi(argv[2]) : 5000);
    if (mode == QLatin1String("startup"))
        return startup();
    if (mode == QLatin1String("plain"))
        return plain();
    if (mode == QLatin1String("search"))
        return search();
    if (mode == QLatin1String("notes"))
        return notes();
    if (mode == QLatin1String("scroll"))
        return scroll();
    std::fprintf(stderr, "usage: bench_ui prepare <count> | startup | plain | search | scroll\n");
    return 2;
}
