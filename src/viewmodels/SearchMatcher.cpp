#include "viewmodels/SearchMatcher.h"

#include <algorithm>
#include <cstring>

namespace {

// A shorter spelling-neutral word ("sh" is "s") is in nearly every title: such a word is
// found as typed only.
constexpr qsizetype shortestKey = 3;

bool isAscii(const QString &text)
{
    return std::all_of(text.cbegin(), text.cend(), [](QChar c) { return c.unicode() < 0x80; });
}

QString composedLower(const QString &text)
{
    return isAscii(text) ? text.toLower() : text.toLower().normalized(QString::NormalizationForm_C);
}

// The query's words: split at white space, each once, in order.
QStringList wordsOf(const QString &query)
{
    QStringList words;
    qsizetype from = -1;
    for (qsizetype i = 0; i <= query.size(); ++i) {
        const bool space = i == query.size() || query.at(i).isSpace();
        if (space && from >= 0) {
            const QString word = query.mid(from, i - from);
            if (!words.contains(word))
                words.append(word);
            from = -1;
        } else if (!space && from < 0) {
            from = i;
        }
    }
    return words;
}

// Words without a letter or digit ("-", "?", an emoji) count only when there is nothing
// else, and then only as typed.
QStringList searchWords(const QString &query)
{
    const QStringList words = wordsOf(query);
    QStringList spelled;
    for (const QString &word : words) {
        if (!SpellingKey::words(word).isEmpty())
            spelled.append(word);
    }
    return spelled.isEmpty() ? words : spelled;
}

// `text` lowercased and composed holds `word`; only a text beyond ASCII is copied to say so.
bool holdsAsTyped(const QString &text, const QString &word)
{
    return text.contains(word, Qt::CaseInsensitive) ||
           (!isAscii(text) && composedLower(text).contains(word));
}

// "al" before a word may be left out by the query as well as by the title ("alquran" finds
// "Quran"), when what is left is a word of its own (five letters or more).
QStringList keysOf(const SpellingKey::Word &word)
{
    QStringList keys{word.key};
    if (word.key.startsWith(u"al") && word.key.size() >= 7)
        keys.append(word.key.mid(2));
    return keys;
}

} // namespace

void SearchMatcher::Texts::add(const QString &value)
{
    start.push_back(text.size());
    text += value.toUtf8();
    text += '\n';
}

template <typename Hit> void SearchMatcher::Texts::scan(const QByteArray &needle, Hit &&hit) const
{
    const char *const begin = text.constData();
    const size_t size = size_t(text.size());
    const size_t length = size_t(needle.size());
    size_t from = 0;
    auto row = start.begin();
    while (length > 0 && from < size) {
        const void *found = memmem(begin + from, size - from, needle.constData(), length);
        if (!found)
            return;
        const qsizetype at = static_cast<const char *>(found) - begin;
        // Hits are often in the next texts: a few steps forward before a binary search.
        for (int step = 0; step < 4 && row + 2 < start.end() && *(row + 1) <= at; ++step)
            ++row;
        if (*(row + 1) <= at)
            row = std::upper_bound(row, start.end() - 1, at) - 1;
        const size_t close = size_t(*(row + 1)) - 1; // the '\n' after this text
        if (size_t(at) + length <= close) {
            hit(qsizetype(row - start.begin()));
            from = close + 1;
        } else {
            from = size_t(at) + 1; // the needle runs over into the next text
        }
    }
}

void SearchMatcher::setLibrary(const QList<Track> &tracks)
{
    *this = {};
    m_count = tracks.size();
    m_teacherOf.reserve(static_cast<size_t>(m_count));
    m_titleWordStart.reserve(size_t(m_count) + 1);
    QHash<QString, int> teacherIds;
    for (const Track &track : tracks) {
        const QString name = track.ustadz.normalized(QString::NormalizationForm_C);
        auto teacher = teacherIds.constFind(name);
        if (teacher == teacherIds.cend()) {
            teacher = teacherIds.insert(name, int(m_teachers.size()));
            Teacher entry{composedLower(name), {}, {}};
            const QList<SpellingKey::Word> words = SpellingKey::words(name);
            for (const SpellingKey::Word &word : words) {
                entry.key += (entry.key.isEmpty() ? QString() : QStringLiteral(" ")) + word.key;
                if (!word.digits)
                    entry.words.push_back(vocabularyId(word.key));
            }
            m_teachers.push_back(std::move(entry));
        }
        m_teacherOf.push_back(*teacher);

        m_titles.add(composedLower(track.judul));
        QString key;
        m_titleWordStart.push_back(qsizetype(m_titleWords.size()));
        for (const SpellingKey::Word &word : SpellingKey::words(track.judul)) {
            key += (key.isEmpty() ? QString() : QStringLiteral(" ")) + word.key;
            if (!word.digits)
                m_titleWords.push_back(vocabularyId(word.key));
        }
        m_titleKeys.add(key);
    }
    m_titles.start.push_back(m_titles.text.size());
    m_titleKeys.start.push_back(m_titleKeys.text.size());
    m_titleWordStart.push_back(qsizetype(m_titleWords.size()));
    m_kept.assign(size_t(m_count), 1);
}

int SearchMatcher::vocabularyId(const QString &key)
{
    auto found = m_vocabularyIds.constFind(key);
    if (found == m_vocabularyIds.cend()) {
        found = m_vocabularyIds.insert(key, int(m_vocabulary.size()));
        m_vocabulary.append(key);
    }
    return *found;
}

void SearchMatcher::setTeacherFilter(const QString &teacher)
{
    if (teacher == m_teacherFilter)
        return;
    m_teacherFilter = teacher;
    m_wordRanks.clear(); // whether a word is found anywhere depends on the filter
    const QString wanted = composedLower(teacher);
    for (qsizetype row = 0; row < m_count; ++row) {
        m_kept[size_t(row)] =
            teacher.isEmpty() || m_teachers[size_t(m_teacherOf[size_t(row)])].lower == wanted;
    }
}

std::vector<char> SearchMatcher::nearRows(const SpellingKey::Word &word) const
{
    const int limit = SpellingKey::typoLimit(word.letters);
    std::vector<char> near(size_t(m_vocabulary.size()));
    bool any = false;
    for (qsizetype id = 0; id < m_vocabulary.size(); ++id) {
        near[size_t(id)] = SpellingKey::distance(word.key, m_vocabulary.at(id), limit) <= limit;
        any = any || near[size_t(id)];
    }
    std::vector<char> rows(static_cast<size_t>(m_count));
    if (!any)
        return rows;
    std::vector<char> teacherNear(m_teachers.size());
    for (size_t t = 0; t < m_teachers.size(); ++t) {
        const std::vector<int> &words = m_teachers[t].words;
        teacherNear[t] =
            std::any_of(words.begin(), words.end(), [&](int id) { return near[size_t(id)] != 0; });
    }
    for (qsizetype row = 0; row < m_count; ++row) {
        bool hit = teacherNear[size_t(m_teacherOf[size_t(row)])];
        for (qsizetype w = m_titleWordStart[size_t(row)];
             !hit && w < m_titleWordStart[size_t(row) + 1]; ++w)
            hit = near[size_t(m_titleWords[size_t(w)])];
        rows[size_t(row)] = hit;
    }
    return rows;
}

std::vector<quint8> SearchMatcher::rankWord(const QString &word) const
{
    std::vector<quint8> rank(size_t(m_count), NoMatch);
    std::vector<char> teacherHit(m_teachers.size());
    for (size_t t = 0; t < m_teachers.size(); ++t)
        teacherHit[t] = m_teachers[t].lower.contains(word);
    m_titles.scan(word.toUtf8(), [&](qsizetype row) { rank[size_t(row)] = Exact; });
    for (qsizetype row = 0; row < m_count; ++row) {
        if (teacherHit[size_t(m_teacherOf[size_t(row)])])
            rank[size_t(row)] = Exact;
    }

    // A query word may hold several spelling words ("al-qur'an", "ustadz/ustad"): each must
    // be found.
    QList<SpellingKey::Word> keys = SpellingKey::words(word);
    keys.removeIf([](const SpellingKey::Word &key) { return key.key.size() < shortestKey; });
    if (keys.isEmpty())
        return rank;
    std::vector<char> variant(size_t(m_count), 1);
    std::vector<char> typo(size_t(m_count), 1);
    bool typoUsed = false;
    for (const SpellingKey::Word &key : keys) {
        std::vector<char> found(static_cast<size_t>(m_count));
        for (const QString &form : keysOf(key)) {
            m_titleKeys.scan(form.toUtf8(), [&](qsizetype row) { found[size_t(row)] = 1; });
            for (size_t t = 0; t < m_teachers.size(); ++t)
                teacherHit[t] = m_teachers[t].key.contains(form);
            for (qsizetype row = 0; row < m_count; ++row)
                found[size_t(row)] |= teacherHit[size_t(m_teacherOf[size_t(row)])];
        }
        bool anywhere = false;
        for (qsizetype row = 0; row < m_count && !anywhere; ++row)
            anywhere = m_kept[size_t(row)] && (found[size_t(row)] || rank[size_t(row)] == Exact);
        std::vector<char> near;
        if (!anywhere && !key.digits && SpellingKey::typoLimit(key.letters) > 0) {
            near = nearRows(key);
            typoUsed = true;
        }
        for (qsizetype row = 0; row < m_count; ++row) {
            variant[size_t(row)] &= found[size_t(row)];
            typo[size_t(row)] &= found[size_t(row)] | (near.empty() ? 0 : near[size_t(row)]);
        }
    }
    for (qsizetype row = 0; row < m_count; ++row) {
        quint8 &r = rank[size_t(row)];
        if (r == NoMatch && variant[size_t(row)])
            r = Variant;
        else if (r == NoMatch && typoUsed && typo[size_t(row)])
            r = Typo;
    }
    return rank;
}

SearchMatcher::Result SearchMatcher::find(const QString &query, const QString &teacher)
{
    setTeacherFilter(teacher);
    Result result;
    if (query.isEmpty()) {
        for (qsizetype row = 0; row < m_count; ++row) {
            if (m_kept[size_t(row)])
                result.rows.push_back(row);
        }
        return result;
    }

    const QStringList words = searchWords(query);
    QHash<QString, std::vector<quint8>> ranks;
    std::vector<quint8> rank(size_t(m_count), Exact);
    for (const QString &word : std::as_const(words)) {
        auto cached = m_wordRanks.find(word);
        const std::vector<quint8> &wordRank =
            *ranks.insert(word, cached != m_wordRanks.end() ? std::move(*cached) : rankWord(word));
        bool any = false;
        for (size_t row = 0; row < rank.size(); ++row) {
            rank[row] = std::max(rank[row], wordRank[row]);
            any = any || (m_kept[row] && rank[row] != NoMatch);
        }
        if (!any)
            break; // nothing left to find: the other words need not be scanned
    }
    m_wordRanks = std::move(ranks);

    for (quint8 wanted : {Exact, Variant, Typo}) {
        for (qsizetype row = 0; row < m_count; ++row) {
            if (m_kept[size_t(row)] && rank[size_t(row)] == wanted) {
                result.rows.push_back(row);
                result.closeSpellings = result.closeSpellings || wanted != Exact;
            }
        }
    }
    return result;
}

SearchMatcher::Result SearchMatcher::findAsTyped(const QList<Track> &tracks, const QString &query,
                                                 const QString &teacher)
{
    const QStringList words = query.isEmpty() ? QStringList() : searchWords(query);
    const QString wanted = composedLower(teacher);
    Result result;
    for (qsizetype row = 0; row < tracks.size(); ++row) {
        const Track &track = tracks.at(row);
        if (!teacher.isEmpty() && track.ustadz.compare(teacher, Qt::CaseInsensitive) != 0 &&
            (isAscii(track.ustadz) || composedLower(track.ustadz) != wanted))
            continue;
        if (std::all_of(words.cbegin(), words.cend(), [&](const QString &word) {
                return holdsAsTyped(track.judul, word) || holdsAsTyped(track.ustadz, word);
            }))
            result.rows.append(row);
    }
    return result;
}
