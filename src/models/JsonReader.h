#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QJsonValue>
#include <QString>

#include <optional>

// A strict RFC 8259 reader for the documents the program stores and receives.
//
// QJsonDocument is not used for reading because it bends values silently: an integer below
// -2^63 comes back as -2^63, "9007199254740993.0" as 9007199254740992, and ".5", "1." or raw
// control characters in strings are accepted. Here a number whose exact value is an integer in
// the signed 64-bit range becomes an integer QJsonValue (so ids survive unchanged); every other
// number becomes a double, and a number too large for a double is an error. (A fraction that
// a double cannot tell from an integer, such as 1e-400 or 1.00000000000000000001, reads as
// that integer, as with any reader that keeps fractions in doubles.)
//
// The field readers implement the record decoding rules shared by Track and the stored files:
// required keys present with their JSON type, optional keys absent, null or of their exact type.
class JsonReader
{
public:
    // Parses a whole document (any JSON value, optionally preceded by a UTF-8 byte order mark).
    static std::optional<QJsonValue> parse(const QByteArray &document, QString *error = nullptr);

    // An integer number, exactly: true only for numbers the reader stored as integers.
    static std::optional<qint64> integral(const QJsonValue &value);

    // Field readers. `error` receives a short reason naming the key on failure.
    static bool requireString(const QJsonObject &object, QLatin1String key, QString &out,
                              QString *error);
    static bool requireNumber(const QJsonObject &object, QLatin1String key, double &out,
                              QString *error);
    static bool requireIntegral(const QJsonObject &object, QLatin1String key, qint64 &out,
                                QString *error);
    static bool requireBool(const QJsonObject &object, QLatin1String key, bool &out,
                            QString *error);
    static bool optionalString(const QJsonObject &object, QLatin1String key,
                               std::optional<QString> &out, QString *error);
    static bool optionalNumber(const QJsonObject &object, QLatin1String key,
                               std::optional<double> &out, QString *error);
    static bool optionalIntegral(const QJsonObject &object, QLatin1String key,
                                 std::optional<qint64> &out, QString *error);
};
