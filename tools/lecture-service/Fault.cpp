#include "Fault.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>

#include <cstdio>

Fault Fault::fromJson(const QJsonObject &object)
{
    Fault fault;
    if (object.contains("status"))
        fault.status = object.value("status").toInt(500);
    fault.delayMs = qMax(0, object.value("delay_ms").toInt());
    const QJsonValue garbage = object.value("garbage");
    if (garbage.isString())
        fault.garbage = garbage.toString().toUtf8();
    else if (garbage.toBool())
        fault.garbage = QByteArray("<html><body>502 Bad Gateway \xff\xfe not what you asked for"
                                   "</body></html>\n");
    if (object.contains("drop_after"))
        fault.dropAfter = qMax<qint64>(0, object.value("drop_after").toInteger());
    fault.throttleBps = qMax<qint64>(0, object.value("throttle_bps").toInteger());
    fault.empty = object.value("empty").toBool();
    if (object.contains("close_after"))
        fault.closeAfter = qMax<qint64>(0, object.value("close_after").toInteger());
    fault.redirect = object.value("redirect").toString().toUtf8();
    fault.hold = object.value("hold").toString();
    if (object.contains("ranges"))
        fault.ranges = object.value("ranges").toBool(true);
    return fault;
}

FaultSet FaultSet::load(const QString &path)
{
    FaultSet set;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return set;
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(file.readAll(), &error);
    if (!document.isObject()) {
        std::fprintf(stderr, "lecture-service: ignoring %s: %s\n", qPrintable(path),
                     qPrintable(error.errorString()));
        return set;
    }
    set.m_json = document.object();
    return set;
}

Fault FaultSet::library() const
{
    return Fault::fromJson(m_json.value("library").toObject());
}

Fault FaultSet::report() const
{
    return Fault::fromJson(m_json.value("report").toObject());
}

Fault FaultSet::file(const QString &name) const
{
    const QJsonObject files = m_json.value("files").toObject();
    Fault fault = Fault::fromJson(files.contains(name) ? files.value(name).toObject()
                                                       : files.value("*").toObject());
    if (m_json.value("ranges").toBool(true) == false)
        fault.ranges = false;
    return fault;
}

bool FaultSet::released(const QString &hold) const
{
    return m_json.value("release").toArray().contains(hold);
}
