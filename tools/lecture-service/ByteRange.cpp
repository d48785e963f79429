#include "ByteRange.h"

namespace {
bool parseNumber(const QByteArray &text, qint64 *value)
{
    if (text.isEmpty())
        return false;
    for (char c : text) {
        if (c < '0' || c > '9')
            return false;
    }
    bool ok = false;
    *value = text.toLongLong(&ok);
    return ok;
}
} // namespace

ByteRange ByteRange::parse(const QByteArray &header, qint64 size)
{
    ByteRange whole{Kind::Whole, 0, size - 1};
    const QByteArray spec = header.trimmed();
    if (!spec.startsWith("bytes="))
        return whole;
    const QByteArray set = spec.mid(6).trimmed();
    if (set.contains(','))
        return whole;
    const qsizetype dash = set.indexOf('-');
    if (dash < 0)
        return whole;
    const QByteArray from = set.left(dash).trimmed();
    const QByteArray to = set.mid(dash + 1).trimmed();

    if (from.isEmpty()) {
        qint64 suffix = 0;
        if (!parseNumber(to, &suffix))
            return whole;
        if (suffix == 0 || size == 0)
            return {Kind::Unsatisfiable, 0, -1};
        return {Kind::Partial, qMax<qint64>(0, size - suffix), size - 1};
    }

    qint64 first = 0;
    if (!parseNumber(from, &first))
        return whole;
    qint64 last = size - 1;
    if (!to.isEmpty()) {
        if (!parseNumber(to, &last))
            return whole;
        if (last < first)
            return whole;
    }
    if (first >= size)
        return {Kind::Unsatisfiable, 0, -1};
    return {Kind::Partial, first, qMin(last, size - 1)};
}
