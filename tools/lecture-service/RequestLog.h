#pragma once

#include <QFile>
#include <QJsonObject>

// One JSON object per line, flushed at once so a test can read it while the service runs.
class RequestLog
{
public:
    bool open(const QString &path);
    void write(const QJsonObject &entry);

private:
    QFile m_file;
};
