#include "RoundTrip.h"
#include "audio/downloads/DownloadState.h"

// The download state file as the manager reads it: whatever it takes must be written back
// and read again unchanged.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const std::optional<QHash<qint64, QString>> decoded =
        DownloadState::parse(fuzzInput(data, size));
    if (!decoded)
        return 0;
    const QByteArray encoded = DownloadState::encode(*decoded);
    const std::optional<QHash<qint64, QString>> back = DownloadState::parse(encoded);
    requireRoundTrip(back && *back == *decoded, encoded);
    return 0;
}
