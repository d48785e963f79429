#pragma once

#include "models/JsonReader.h"

// Record decoding rules shared by Track, the library document and the stored files: required
// keys present with their JSON type, optional keys absent, null or of their exact type, other
// keys ignored. Each reader returns false on a violation and, when `error` is given, leaves a
// short reason naming the key there.
namespace JsonField {
bool requireString(const JsonReader::Value &object, QLatin1String key, QString &out,
                   QString *error);
bool requireNumber(const JsonReader::Value &object, QLatin1String key, double &out, QString *error);
bool requireIntegral(const JsonReader::Value &object, QLatin1String key, qint64 &out,
                     QString *error);
bool requireBool(const JsonReader::Value &object, QLatin1String key, bool &out, QString *error);
bool optionalString(const JsonReader::Value &object, QLatin1String key, std::optional<QString> &out,
                    QString *error);
bool optionalNumber(const JsonReader::Value &object, QLatin1String key, std::optional<double> &out,
                    QString *error);
bool optionalIntegral(const JsonReader::Value &object, QLatin1String key,
                      std::optional<qint64> &out, QString *error);
} // namespace JsonField
