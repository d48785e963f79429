#pragma once

#include "models/SpellingKey.h"
#include "models/Track.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>

#include <vector>

// The search of the library. A lecture is found when every word of the query is in its
// title or its teacher's name, in any order:
//  - exact: as typed (letter case aside), which is also every lecture whose title or teacher
//    holds the whole query;
//  - variant: in spelling-neutral form (SpellingKey: "sholat" finds "Shalat", "hadis" finds
//    "Hadits", "ustad abdul" finds "Ustadz Abdul Hakim");
//  - typo: for a word of five letters or more that nothing in the library holds in either
//    form, a title or teacher word within its typo limit ("ramdhan" finds "Ramadhan").
// A word of fewer than three letters in spelling-neutral form is found as typed only.
// Results come exact first, then variant, then typo, each in library order.
//
// The library's texts are folded once by setLibrary() (a worker may do it: the matcher holds no
// reference to anything else); a query only scans them. Each word's verdicts are kept while it
// stays in the query, so a keystroke scans for its own word only.
class SearchMatcher
{
public:
    enum Rank : quint8 { Exact, Variant, Typo, NoMatch };

    struct Result
    {
        QList<qsizetype> rows;       // library rows, best rank first
        bool closeSpellings = false; // some rows are variant or typo matches
    };

    void setLibrary(const QList<Track> &tracks);
    // `query` lowercased, canonically composed and trimmed; `teacher` keeps only the lectures
    // whose teacher is that name, letter case aside (empty: every teacher).
    Result find(const QString &query, const QString &teacher);
    // The exact matches of find() without folded forms, scanning `tracks` themselves: the
    // search while a library's forms are still being made.
    static Result findAsTyped(const QList<Track> &tracks, const QString &query,
                              const QString &teacher);

private:
    // A text per lecture, in one UTF-8 block ('\n' after each) for fast scanning.
    struct Texts
    {
        QByteArray text;
        std::vector<qsizetype> start; // of each lecture, and the end
        void add(const QString &value);
        // Calls `hit(row)` once for each lecture holding `needle`.
        template <typename Hit> void scan(const QByteArray &needle, Hit &&hit) const;
    };
    struct Teacher
    {
        QString lower; // for the teacher filter and exact words
        QString key;   // SpellingKey::of
        std::vector<int> words;
    };

    std::vector<quint8> rankWord(const QString &word) const;
    // Rows of lectures with a title or teacher word near `key` (true per row).
    std::vector<char> nearRows(const SpellingKey::Word &word) const;
    int vocabularyId(const QString &key);
    void setTeacherFilter(const QString &teacher);

    qsizetype m_count = 0;
    Texts m_titles; // lowercased, composed
    Texts m_titleKeys;
    std::vector<int> m_teacherOf;
    std::vector<Teacher> m_teachers;
    // Every distinct key word without digits, with the words of each title.
    QList<QString> m_vocabulary;
    QHash<QString, int> m_vocabularyIds;
    std::vector<int> m_titleWords;
    std::vector<qsizetype> m_titleWordStart;

    QString m_teacherFilter;
    std::vector<char> m_kept;                        // per row: passes the teacher filter
    QHash<QString, std::vector<quint8>> m_wordRanks; // of the last query's words
};
