#include "RoundTrip.h"
#include "persistence/Store.h"

// A stored file as the store reads it: whatever decodes must encode and decode unchanged.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const std::optional<Store::CacheEntry> decoded = Store::decodeCache(fuzzInput(data, size));
    if (!decoded)
        return 0;
    const QByteArray encoded = Store::encodeCache(*decoded);
    const std::optional<Store::CacheEntry> back = Store::decodeCache(encoded);
    requireRoundTrip(!encoded.isEmpty() && back && *back == *decoded, encoded);
    return 0;
}
