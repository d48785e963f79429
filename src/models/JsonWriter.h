#pragma once

#include <QByteArray>
#include <QLatin1String>
#include <QString>

#include <vector>

// Compact JSON output for the records the program stores. Integers are written exactly,
// doubles in their shortest form that reads back to the same value. JSON has no form for NaN
// or infinity: writing one marks the writer failed instead of producing a file that would not
// read back.
class JsonWriter
{
public:
    void beginObject();
    void endObject();
    void beginArray();
    void endArray();

    // Inside an object: the key of the next value.
    void key(QLatin1String name);

    void value(qint64 number);
    void value(int number) { value(qint64(number)); }
    void value(double number);
    void value(bool flag);
    void value(const QString &text);

    bool failed() const { return m_failed; }
    // The document, or an empty array when a value could not be written.
    QByteArray result() const { return m_failed ? QByteArray() : m_out; }

private:
    void separate();

    QByteArray m_out;
    std::vector<bool> m_first; // per open container: nothing written in it yet
    bool m_afterKey = false;
    bool m_failed = false;
};
