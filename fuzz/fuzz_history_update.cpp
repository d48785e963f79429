#include "RoundTrip.h"
#include "persistence/Store.h"

#include <cstdlib>

// The history update in memory, over whatever a hostile existing file decodes to (play counts
// at the 64-bit limits, duplicate ids, extreme times): the update must write a file that
// decodes to exactly the loaded history with one entry updated or one appended.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    std::optional<QList<Store::PlaybackHistoryItem>> loaded =
        Store::decodeHistory(fuzzInput(data, size));
    if (!loaded)
        return 0;
    std::stable_sort(loaded->begin(), loaded->end(),
                     [](const auto &a, const auto &b) { return a.lastPlayedAt > b.lastPlayedAt; });
    // One of the entries (chosen by the input's length), and a new lecture.
    QList<qint64> ids{std::numeric_limits<qint64>::min()};
    if (!loaded->isEmpty())
        ids.append(loaded->at(qsizetype(size) % loaded->size()).id);
    for (const qint64 id : ids) {
        QList<Store::PlaybackHistoryItem> items = *loaded;
        Store::applyHistoryUpdate(items, id, 12.5, 3600, 1e9);
        const qsizetype row = std::find_if(loaded->begin(), loaded->end(),
                                           [id](const auto &item) { return item.id == id; }) -
                              loaded->begin();
        if (row == loaded->size()) {
            if (items.size() != row + 1 || items.last().playCount != 1)
                std::abort();
        } else {
            const qint64 before = loaded->at(row).playCount;
            const qint64 expected = before == std::numeric_limits<qint64>::max() ? before : before + 1;
            if (items.size() != loaded->size() || items.at(row).playCount != expected)
                std::abort();
        }
        const QByteArray encoded = Store::encodeHistory(items);
        const std::optional<QList<Store::PlaybackHistoryItem>> back = Store::decodeHistory(encoded);
        requireRoundTrip(!encoded.isEmpty() && back && *back == items, encoded);
    }
    return 0;
}
