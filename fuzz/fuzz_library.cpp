#include "RoundTrip.h"
#include "models/JsonReader.h"
#include "models/Library.h"

// The library document as the service sends it. It is never written back, but every decoded
// track is stored in the cache, so each must survive encode -> decode.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const std::optional<LibraryResponse> library = LibraryResponse::fromJson(fuzzInput(data, size));
    if (!library)
        return 0;
    for (const Track &track : library->data) {
        JsonWriter writer;
        track.writeJson(writer);
        const QByteArray encoded = writer.result();
        JsonReader reader;
        const std::optional<Track> back =
            reader.parse(encoded) ? Track::fromJson(reader.root()) : std::nullopt;
        requireRoundTrip(back && *back == track, encoded);
        track.durationDisplay();
        track.streamURL();
    }
    return 0;
}
