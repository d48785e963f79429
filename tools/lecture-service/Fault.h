#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QString>

#include <optional>

// How one answer should misbehave, read from the root folder's faults.json for each request.
struct Fault
{
    std::optional<int> status;         // answer this status with a short text body
    int delayMs = 0;                   // wait this long before answering
    std::optional<QByteArray> garbage; // answer 200 with this body instead
    std::optional<qint64> dropAfter;   // send the head and this many body bytes, then hang up
    qint64 throttleBps = 0;            // body bytes per second, 0 = unlimited
    bool ranges = true;                // false: ignore Range, always send the whole file
    bool empty = false;                // answer 200 with an empty body
    std::optional<qint64> closeAfter;  // no Content-Length, this many body bytes, then close
    QByteArray redirect;               // answer 302 with this Location instead
    QString hold;                      // answer only once this name is in the set's "release"

    static Fault fromJson(const QJsonObject &object);
};

// The whole faults.json: {"library": {...}, "report": {...}, "files": {"<name>"|"*": {...}},
// "ranges": false, "release": ["<hold name>", ...]}. A missing or unreadable file means no faults.
class FaultSet
{
public:
    static FaultSet load(const QString &path);

    Fault library() const;
    Fault report() const;
    Fault file(const QString &name) const;
    bool released(const QString &hold) const;

private:
    QJsonObject m_json;
};
