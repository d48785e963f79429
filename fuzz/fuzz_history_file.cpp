#include "RoundTrip.h"
#include "persistence/DamagedFile.h"
#include "persistence/Store.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cstdlib>

// The store's history update over a hostile existing file, through the real files (a data
// folder in memory under /dev/shm): the update must never lose what decoded, never write a
// file that does not decode, and keep what did not decode aside, byte for byte.
namespace {

QTemporaryDir *home;

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void require(bool condition, const char *what)
{
    if (condition)
        return;
    std::fprintf(stderr, "history update: %s\n", what);
    std::abort();
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    home = new QTemporaryDir(QStringLiteral("/dev/shm/talvora-fuzz-XXXXXX"));
    if (!home->isValid())
        home = new QTemporaryDir;
    qputenv("XDG_DATA_HOME", home->path().toLocal8Bit());
    qputenv("QT_LOGGING_RULES", "*.info=false;*.warning=false");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static Store store;
    store.setClock([] { return 1e9; });
    const QString folder = store.folderURL();
    const QString path = folder + QStringLiteral("/playback_history.json");
    const QByteArray existing = fuzzInput(data, size);
    {
        QFile file(path);
        require(file.open(QIODevice::WriteOnly) && file.write(existing) == existing.size(),
                "cannot write the input");
    }

    std::optional<QList<Store::PlaybackHistoryItem>> before = Store::decodeHistory(existing);
    // One of the file's entries when there are any (chosen by the input's length), else a
    // new lecture.
    const qint64 id =
        before && !before->isEmpty() ? before->at(qsizetype(size) % before->size()).id : 7;
    store.addOrUpdatePlaybackHistory(id, 12.5, 3600);
    store.waitForWrites();

    const QByteArray written = readAll(path);
    const std::optional<QList<Store::PlaybackHistoryItem>> after = Store::decodeHistory(written);
    require(after.has_value(), "the written file does not decode");
    const QStringList copies = DamagedFile::setAsideCopies(path);
    require(copies.size() <= DamagedFile::kept, "more copies kept aside than allowed");
    if (before) {
        QList<Store::PlaybackHistoryItem> expected = *before;
        std::stable_sort(expected.begin(), expected.end(), [](const auto &a, const auto &b) {
            return a.lastPlayedAt > b.lastPlayedAt;
        });
        Store::applyHistoryUpdate(expected, id, 12.5, 3600, 1e9);
        require(*after == expected, "the update changed more than one entry");
    } else {
        require(*after == QList<Store::PlaybackHistoryItem>({{id, 12.5, 3600, 1e9, 1}}),
                "a fresh history holds more than the new entry");
        require(!copies.isEmpty() && readAll(copies.first()) == existing,
                "the damaged file was not kept aside unchanged");
    }
    for (const QString &copy : copies)
        QFile::remove(copy);
    return 0;
}
