#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>
#include <utility>

// What a connection should send: a status, headers and a body taken either from memory or
// from a slice of a file (never read whole), plus the pacing a fault asks for.
struct HttpResponse
{
    int status = 200;
    QList<std::pair<QByteArray, QByteArray>> headers; // Content-Length and Connection are added
    QByteArray body;
    QString filePath; // when set, the body is [fileOffset, fileOffset + fileLength) of this file
    qint64 fileOffset = 0;
    qint64 fileLength = 0;

    int delayMs = 0;
    QString hold; // answered once the faults file releases this name
    std::optional<qint64> dropAfter;
    // Sent without Content-Length, ended by closing the connection after this many bytes.
    std::optional<qint64> closeAfter;
    qint64 throttleBps = 0;

    void addHeader(const QByteArray &name, const QByteArray &value)
    {
        headers.append(std::make_pair(name, value));
    }
    qint64 bodyLength() const { return filePath.isEmpty() ? body.size() : fileLength; }

    static HttpResponse text(int status, const QByteArray &body,
                             const QByteArray &contentType = "text/plain; charset=utf-8")
    {
        HttpResponse response;
        response.status = status;
        response.addHeader("Content-Type", contentType);
        response.body = body;
        return response;
    }
};
