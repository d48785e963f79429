#include "models/JsonField.h"

namespace {

bool fail(QString *error, QLatin1String key, const JsonReader::Value &value, const char *expected)
{
    if (error) {
        *error = value.isMissing()
                     ? QStringLiteral("\"%1\" is missing").arg(key)
                     : QStringLiteral("\"%1\" is not %2").arg(key, QLatin1String(expected));
    }
    return false;
}

} // namespace

bool JsonField::requireString(const JsonReader::Value &object, QLatin1String key, QString &out,
                              QString *error)
{
    const JsonReader::Value value = object.member(key);
    std::optional<QString> text = value.string();
    if (!text)
        return fail(error, key, value, "a string");
    out = std::move(*text);
    return true;
}

bool JsonField::requireNumber(const JsonReader::Value &object, QLatin1String key, double &out,
                              QString *error)
{
    const JsonReader::Value value = object.member(key);
    const std::optional<double> number = value.number();
    if (!number)
        return fail(error, key, value, "a number");
    out = *number;
    return true;
}

bool JsonField::requireIntegral(const JsonReader::Value &object, QLatin1String key, qint64 &out,
                                QString *error)
{
    const JsonReader::Value value = object.member(key);
    const std::optional<qint64> integer = value.integral();
    if (!integer)
        return fail(error, key, value, "an integral number");
    out = *integer;
    return true;
}

bool JsonField::requireBool(const JsonReader::Value &object, QLatin1String key, bool &out,
                            QString *error)
{
    const JsonReader::Value value = object.member(key);
    const std::optional<bool> flag = value.boolean();
    if (!flag)
        return fail(error, key, value, "a boolean");
    out = *flag;
    return true;
}

bool JsonField::optionalString(const JsonReader::Value &object, QLatin1String key,
                               std::optional<QString> &out, QString *error)
{
    const JsonReader::Value value = object.member(key);
    out.reset();
    if (value.isAbsent())
        return true;
    out = value.string();
    return out ? true : fail(error, key, value, "a string");
}

bool JsonField::optionalNumber(const JsonReader::Value &object, QLatin1String key,
                               std::optional<double> &out, QString *error)
{
    const JsonReader::Value value = object.member(key);
    out.reset();
    if (value.isAbsent())
        return true;
    out = value.number();
    return out ? true : fail(error, key, value, "a number");
}

bool JsonField::optionalIntegral(const JsonReader::Value &object, QLatin1String key,
                                 std::optional<qint64> &out, QString *error)
{
    const JsonReader::Value value = object.member(key);
    out.reset();
    if (value.isAbsent())
        return true;
    out = value.integral();
    return out ? true : fail(error, key, value, "an integral number");
}
