#pragma once

#include <QByteArray>

#include <cstdio>
#include <cstdlib>

// The bytes libFuzzer hands over, without a copy.
inline QByteArray fuzzInput(const uint8_t *data, size_t size)
{
    return QByteArray::fromRawData(reinterpret_cast<const char *>(data), qsizetype(size));
}

// A decoded record that does not survive encode -> decode unchanged is a finding.
inline void requireRoundTrip(bool equal, const QByteArray &encoded)
{
    if (equal)
        return;
    std::fprintf(stderr, "round trip changed the record; encoded form: %.*s\n", int(encoded.size()),
                 encoded.constData());
    std::abort();
}
