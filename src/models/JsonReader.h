#pragma once

#include <QByteArray>
#include <QLatin1String>
#include <QString>

#include <optional>
#include <vector>

// A strict RFC 8259 reader for the documents the program stores and receives.
//
// QJsonDocument is not used because it bends values silently: an integer below -2^63 comes
// back as -2^63, "9007199254740993.0" as 9007199254740992, and ".5", "1." or raw control
// characters in strings are accepted. It is also slow to build and query for a library of
// tens of thousands of tracks. Here the document is parsed once into a flat list of nodes that
// point into the bytes; strings become QStrings only when a field is read.
//
// A number whose exact value is an integer in the signed 64-bit range is an Integer (so ids
// survive unchanged); every other number is a Real, and one too large for a double is an
// error. (A fraction that a double cannot tell from an integer, such as 1e-400, is a Real.)
// Keys are matched exactly; of duplicate keys the last one counts. Escaped unpaired surrogates
// are kept: the writer escapes them again, so such a string still round-trips.
class JsonReader
{
    struct Node;

public:
    enum class Type : quint8 { Missing, Null, Bool, Integer, Real, String, Array, Object };

    // A position in a parsed document; valid as long as its reader lives and is not re-parsed.
    class Value
    {
    public:
        Value() = default;

        Type type() const;
        bool isMissing() const { return type() == Type::Missing; }
        // Absent or null: how an optional field may be left out.
        bool isAbsent() const { return type() == Type::Missing || type() == Type::Null; }

        std::optional<bool> boolean() const;
        // Integers only: "12.5" and "1e19" are not integral.
        std::optional<qint64> integral() const;
        // Any number; an integer is converted to the nearest double.
        std::optional<double> number() const;
        std::optional<QString> string() const;

        // Object member by key (the last of duplicates); Missing when absent or not an object.
        Value member(QLatin1String key) const;

        // Array elements in order; empty when not an array.
        qsizetype size() const;
        class Iterator
        {
        public:
            Value operator*() const { return Value(m_reader, m_index); }
            Iterator &operator++();
            bool operator!=(const Iterator &other) const { return m_index != other.m_index; }

        private:
            friend class Value;
            Iterator(const JsonReader *reader, quint32 index) : m_reader(reader), m_index(index) {}
            const JsonReader *m_reader;
            quint32 m_index;
        };
        Iterator begin() const;
        Iterator end() const;

    private:
        friend class JsonReader;
        Value(const JsonReader *reader, quint32 index) : m_reader(reader), m_index(index) {}
        const Node *node() const;
        bool keyEquals(const Node &key, QLatin1String text) const;

        const JsonReader *m_reader = nullptr;
        quint32 m_index = 0;
    };

    // Parses a whole document (any JSON value, optionally after a UTF-8 byte order mark).
    // The reader keeps a shallow copy of `document`.
    bool parse(const QByteArray &document);
    // The document's value; Missing unless parse() succeeded.
    Value root() const;
    // Why parse() failed, with the byte offset.
    QString errorString() const { return m_error; }

private:
    friend class Value;
    friend class JsonParser;

    struct Node
    {
        quint32 end = 0;    // index after this node's subtree
        quint32 length = 0; // String: raw byte length; Array, Object: element or member count
        Type type = Type::Missing;
        bool escaped = false; // String: contains backslash escapes
        union {
            qint64 integer;
            double real;
            qint64 offset; // String: raw bytes start after the opening quote
            bool boolean;
        };
        Node() : integer(0) {}
    };

    QString decodeString(const Node &node) const;

    QByteArray m_bytes;
    std::vector<Node> m_nodes;
    bool m_ok = false;
    QString m_error;
};
