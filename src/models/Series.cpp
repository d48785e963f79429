#include "models/Series.h"

#include <algorithm>

namespace {

bool isDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

bool isDash(QChar c)
{
    return c == u'-' || c == u'\u2013' || c == u'\u2014';
}

// Whether [from, to) of `text` is `word` (lower case ASCII), whatever its case.
bool isWord(QStringView text, qsizetype from, qsizetype to, QLatin1StringView word)
{
    if (to - from != word.size())
        return false;
    for (qsizetype i = 0; i < word.size(); ++i) {
        if (text[from + i].toLower() != QLatin1Char(word[i]))
            return false;
    }
    return true;
}

qsizetype skipSpacesLeft(QStringView text, qsizetype at)
{
    while (at > 0 && text[at - 1].isSpace())
        --at;
    return at;
}

// I to LXXXIX in their one canonical spelling; 0 for anything else ("Bagian D" is a letter,
// "Seri Ilmu" a word). Larger numerals are too rare in titles to be told from words.
int romanValue(QStringView token)
{
    static const char *const tens[] = {"", "x", "xx", "xxx", "xl", "l", "lx", "lxx", "lxxx"};
    static const char *const units[] = {"", "i", "ii", "iii", "iv", "v", "vi", "vii", "viii", "ix"};
    if (token.isEmpty() || token.size() > 8)
        return 0;
    for (int ten = 0; ten < 9; ++ten) {
        const QLatin1StringView tenText(tens[ten]);
        if (!token.startsWith(tenText, Qt::CaseInsensitive))
            continue;
        for (int unit = 0; unit < 10; ++unit) {
            if (ten + unit == 0)
                continue;
            if (token.size() == tenText.size() + qsizetype(qstrlen(units[unit])) &&
                token.mid(tenText.size())
                        .compare(QLatin1StringView(units[unit]), Qt::CaseInsensitive) == 0)
                return ten * 10 + unit;
        }
    }
    return 0;
}

// Where the word marker that ends just before `at` begins ("Bagian ", "Bag.", "Kajian ke-",
// "Pertemuan ke "), or -1.
qsizetype wordMarkerBefore(QStringView text, qsizetype at)
{
    qsizetype k = skipSpacesLeft(text, at);
    bool separated = k < at;
    bool ordinal = false;
    // "ke-3" / "ke 3": an ordinal after the marker word.
    if (k >= 3 && isDash(text[k - 1]) && isWord(text, k - 3, k - 1, QLatin1StringView("ke")) &&
        (k == 3 || !text[k - 4].isLetterOrNumber())) {
        ordinal = true;
        k = skipSpacesLeft(text, k - 3);
    } else if (separated && k >= 2 && isWord(text, k - 2, k, QLatin1StringView("ke")) &&
               (k == 2 || !text[k - 3].isLetterOrNumber())) {
        ordinal = true;
        k = skipSpacesLeft(text, k - 2);
    }
    if (k > 0 && text[k - 1] == u'.') {
        --k;
        separated = true;
    }
    if (!separated && !ordinal)
        return -1;
    qsizetype w = k;
    while (w > 0 && text[w - 1].isLetter())
        --w;
    if (w == k || (w > 0 && text[w - 1].isLetterOrNumber()))
        return -1;
    static const QLatin1StringView words[] = {
        QLatin1StringView("bagian"),    QLatin1StringView("bag"),  QLatin1StringView("part"),
        QLatin1StringView("pertemuan"), QLatin1StringView("sesi"), QLatin1StringView("seri"),
        QLatin1StringView("jilid")};
    for (const QLatin1StringView &word : words) {
        if (isWord(text, w, k, word))
            return w;
    }
    if (ordinal && isWord(text, w, k, QLatin1StringView("kajian")))
        return w;
    return -1;
}

// Where the marker of the number at [from, to) begins, or -1 when it has none.
qsizetype markerOf(QStringView text, qsizetype from, qsizetype to, int number, bool roman)
{
    if (number < 1 || number > SeriesIndex::MaximumPart)
        return -1;
    if (const qsizetype word = wordMarkerBefore(text, from); word >= 0)
        return word;
    // The signs below also mark years and counts ("(2023)", "- 1445"): small numbers only.
    if (roman || number >= 1000)
        return -1;
    if (from > 0 && text[from - 1] == u'#')
        return from - 1;
    if (from > 0 && text[from - 1] == u'(' && to < text.size() && text[to] == u')')
        return from - 1;
    // "- 3" closing the title, unless it closes a range ("Ayat 1-5").
    for (qsizetype i = to; i < text.size(); ++i) {
        if (!text[i].isSpace())
            return -1;
    }
    const qsizetype dash = skipSpacesLeft(text, from);
    if (dash == 0 || !isDash(text[dash - 1]))
        return -1;
    const qsizetype before = skipSpacesLeft(text, dash - 1);
    if (before == 0 || isDigit(text[before - 1]))
        return -1;
    // "Al-3" is a name, "Al - 3" or "Al-Kahfi - 3" a part.
    if (before == dash - 1 && from == dash)
        return -1;
    return dash - 1;
}

QString trimmedBase(QStringView text, qsizetype end)
{
    static const QStringView separators = u"-\u2013\u2014:,|([#\u00b7/";
    while (end > 0 && (text[end - 1].isSpace() || separators.contains(text[end - 1])))
        --end;
    return text.left(end).trimmed().toString();
}

// The grouping form of a base: letters and digits lower-cased, everything else one space.
QString baseKey(const QString &ustadz, const QString &base)
{
    QString key;
    key.reserve(ustadz.size() + base.size() + 1);
    key += ustadz;
    key += QChar(0);
    bool gap = false;
    for (QChar c : base) {
        if (c.isLetterOrNumber()) {
            if (gap && key.back() != QChar(0))
                key += QLatin1Char(' ');
            gap = false;
            key += c.toLower();
        } else {
            gap = true;
        }
    }
    return key;
}

} // namespace

std::optional<SeriesPart> SeriesIndex::partOf(QStringView title)
{
    qsizetype i = title.size();
    while (i > 0) {
        const QChar c = title[i - 1];
        if (!c.isLetterOrNumber()) {
            --i;
            continue;
        }
        const qsizetype to = i;
        qsizetype from = i;
        const bool digits = isDigit(c);
        while (from > 0 && (digits ? isDigit(title[from - 1]) : title[from - 1].isLetter()))
            --from;
        i = from;
        // A token glued to others ("Juz30", "3a", "al-2x") is not a number of its own.
        if ((from > 0 && title[from - 1].isLetterOrNumber()) ||
            (to < title.size() && title[to].isLetterOrNumber()))
            continue;
        int number = 0;
        if (digits) {
            if (to - from > 6)
                continue;
            number = title.mid(from, to - from).toInt();
        } else {
            number = romanValue(title.mid(from, to - from));
            if (number == 0)
                continue;
        }
        const qsizetype marker = markerOf(title, from, to, number, !digits);
        if (marker < 0)
            continue;
        // The last marker decides; one without a base leaves the title out.
        QString base = trimmedBase(title, marker);
        const bool named =
            std::any_of(base.cbegin(), base.cend(), [](QChar ch) { return ch.isLetter(); });
        if (!named)
            return std::nullopt;
        return SeriesPart{std::move(base), number};
    }
    return std::nullopt;
}

SeriesIndex SeriesIndex::group(const QList<Track> &tracks)
{
    struct Member
    {
        qint64 id;
        int number;
        qsizetype row;
    };
    struct Candidate
    {
        qsizetype firstRow;
        std::vector<Member> members;
    };
    std::vector<Candidate> candidates;
    QHash<QString, qsizetype> candidateOf;
    candidateOf.reserve(tracks.size() / 4);
    for (qsizetype row = 0; row < tracks.size(); ++row) {
        const Track &track = tracks[row];
        std::optional<SeriesPart> part = partOf(track.judul);
        if (!part)
            continue;
        const QString key = baseKey(track.ustadz, part->base);
        auto found = candidateOf.constFind(key);
        if (found == candidateOf.cend()) {
            found = candidateOf.insert(key, qsizetype(candidates.size()));
            candidates.push_back({row, {}});
        }
        candidates[*found].members.push_back({track.id, part->number, row});
    }

    SeriesIndex index;
    for (Candidate &candidate : candidates) {
        std::vector<Member> &members = candidate.members;
        if (members.size() < 2)
            continue;
        std::sort(members.begin(), members.end(), [](const Member &a, const Member &b) {
            return a.number != b.number ? a.number < b.number : a.id < b.id;
        });
        // Copies of one part are no series.
        if (members.front().number == members.back().number)
            continue;
        Series series;
        const Track &first = tracks[members.front().row];
        series.title = partOf(first.judul)->base;
        series.ustadz = first.ustadz;
        const int seriesIndex = int(index.m_series.size());
        for (const Member &member : members) {
            index.m_places.insert(member.id, {seriesIndex, int(series.ids.size())});
            series.ids.append(member.id);
            series.numbers.append(member.number);
        }
        index.m_series.push_back(std::move(series));
    }
    return index;
}

std::optional<SeriesIndex::Place> SeriesIndex::placeOf(qint64 trackId) const
{
    const auto found = m_places.constFind(trackId);
    if (found == m_places.cend())
        return std::nullopt;
    return *found;
}

QList<int> SeriesIndex::seriesOfUstadz(const QString &ustadz) const
{
    QList<int> result;
    for (int i = 0; i < int(m_series.size()); ++i) {
        if (m_series[size_t(i)].ustadz == ustadz)
            result.append(i);
    }
    return result;
}
