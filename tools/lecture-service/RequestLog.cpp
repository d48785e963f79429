#include "RequestLog.h"

#include <QDateTime>
#include <QJsonDocument>

bool RequestLog::open(const QString &path)
{
    m_file.setFileName(path);
    return m_file.open(QIODevice::WriteOnly | QIODevice::Append);
}

void RequestLog::write(const QJsonObject &entry)
{
    if (!m_file.isOpen())
        return;
    QJsonObject stamped = entry;
    stamped.insert("ms", QDateTime::currentMSecsSinceEpoch());
    m_file.write(QJsonDocument(stamped).toJson(QJsonDocument::Compact) + '\n');
    m_file.flush();
}
