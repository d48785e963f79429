#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>

// One HTTP/1.x request head as it arrived on a connection.
struct HttpRequest
{
    enum class ParseResult { Incomplete, Complete, Bad, TooLarge };

    QByteArray method;
    QByteArray target; // raw, as sent (path and query still encoded)
    QByteArray version;
    QString path;                          // percent-decoded path of the target
    QHash<QByteArray, QByteArray> headers; // names in lower case
    QHash<QString, QString> query;         // decoded the way PHP fills $_GET

    QByteArray header(const QByteArray &lowerCaseName) const
    {
        return headers.value(lowerCaseName);
    }
    bool keepAlive() const;

    // Takes one complete request head (and any request body it announces) off the front of
    // `buffer`. Leaves the buffer untouched unless the result is Complete.
    static ParseResult parse(QByteArray &buffer, HttpRequest *out);

    // Splits on '&', then percent-decodes key and value with '+' as a space, like PHP does.
    // That is why a client must encode '&', '=' and '+' inside a value.
    static QHash<QString, QString> decodeQuery(const QByteArray &query);
    static QByteArray formDecode(const QByteArray &text);
};
