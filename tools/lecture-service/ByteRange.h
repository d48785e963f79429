#pragma once

#include <QByteArray>

// A single "bytes=" range of a Range header, resolved against a body of known size.
struct ByteRange
{
    enum class Kind {
        Whole,        // no usable Range header: answer 200 with the whole body
        Partial,      // answer 206 with [first, last]
        Unsatisfiable // answer 416
    };

    Kind kind = Kind::Whole;
    qint64 first = 0;
    qint64 last = -1;

    qint64 length() const { return last - first + 1; }

    // Malformed headers and multi-range requests are ignored (the whole body is sent),
    // as HTTP allows a server to do.
    static ByteRange parse(const QByteArray &header, qint64 size);
};
