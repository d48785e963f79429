#include "RequestLog.h"

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
    m_file.write(QJsonDocument(entry).toJson(QJsonDocument::Compact) + '\n');
    m_file.flush();
}
