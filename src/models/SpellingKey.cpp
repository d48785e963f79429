#include "models/SpellingKey.h"

#include <algorithm>
#include <array>
#include <string_view>
#include <vector>

namespace {

// One spelling family: `from` is written for `to` somewhere in a word. The longest `from`
// at a position wins; each row names the real variants it makes equal.
struct Rewrite
{
    std::string_view from;
    const char *to;
};

constexpr std::array<Rewrite, 11> rewrites{{
    {"sy", "s"}, // syarah/sarah, insya/insha
    {"sh", "s"}, // shalat/salat, sharh/syarh, shahih/sahih
    {"ts", "s"}, // hadits/hadis, tsalatsah/tsalasah
    {"th", "s"}, // hadith/hadis, thalathah/tsalatsah
    {"dz", "d"}, // ustadz/ustad, dzikir/zikir
    {"dh", "d"}, // ramadhan/ramadan, wudhu/wudu, dhikr/dzikir
    {"z", "d"},  // ustaz/ustad, zikir/dzikir: d and z are one letter of Arabic terms
    {"kh", "h"}, // akhlak/ahlak, khutbah/hutbah
    {"q", "k"},  // aqidah/akidah, fiqih/fikih, Qur'an/Kuran
    {"au", "a"}, // taubat/tobat (the diphthong is written o, and o is a)
    {"o", "a"},  // sholat/shalat, shohih/shahih
}};

// After the table, at the end of a word of five letters or more:
//  - a vowel between a consonant (not h) and a final h, r or l goes: fiqih/fiqh,
//    dzikir/dhikr, syarah/syarh, sabar/sabr, tsalatsah/tsalatsh;
//  - then a final h goes: tsalatsh/tsalats, fatihah/fatiha, aqidah/aqida.
// Shorter words keep their ends, so "allah", "fiqh" and "sah" stay apart from other words.
constexpr int wordEndMinimum = 5;

bool isApostrophe(char16_t c)
{
    switch (c) {
    case u'\'':
    case u'`':
    case u'\u00B4': // ´
    case u'\u02B9': // ʹ
    case u'\u02BB': // ʻ
    case u'\u02BC': // ʼ
    case u'\u02BE': // ʾ hamza
    case u'\u02BF': // ʿ ayn
    case u'\u2018': // ‘
    case u'\u2019': // ’
        return true;
    default:
        return false;
    }
}

bool isVowel(char16_t c)
{
    return c == u'a' || c == u'e' || c == u'i' || c == u'o' || c == u'u';
}

bool isAsciiConsonant(char16_t c)
{
    return c >= u'a' && c <= u'z' && !isVowel(c);
}

// A letter written twice is written once (Allah/Alah, sunnah/sunah); longer runs are no
// spelling and stay.
QString withoutDoubles(const QString &word)
{
    QString out;
    out.reserve(word.size());
    for (qsizetype i = 0; i < word.size();) {
        qsizetype run = 1;
        while (i + run < word.size() && word.at(i + run) == word.at(i))
            ++run;
        out.append(word.mid(i, run == 2 ? 1 : run));
        i += run;
    }
    return out;
}

QString rewritten(const QString &word)
{
    QString out;
    out.reserve(word.size());
    for (qsizetype i = 0; i < word.size();) {
        const Rewrite *best = nullptr;
        qsizetype bestLength = 0;
        for (const Rewrite &rule : rewrites) {
            const qsizetype length = qsizetype(rule.from.size());
            if (length <= bestLength || i + length > word.size())
                continue;
            bool same = true;
            for (qsizetype k = 0; k < length && same; ++k)
                same = word.at(i + k).unicode() == char16_t(rule.from[k]);
            if (same) {
                best = &rule;
                bestLength = length;
            }
        }
        if (best) {
            out.append(QLatin1String(best->to));
            i += bestLength;
        } else {
            out.append(word.at(i++));
        }
    }
    return out;
}

QString withWordEnd(QString word)
{
    qsizetype n = word.size();
    if (n >= wordEndMinimum) {
        const char16_t last = word.at(n - 1).unicode();
        const char16_t vowel = word.at(n - 2).unicode();
        const char16_t before = word.at(n - 3).unicode();
        if ((last == u'h' || last == u'r' || last == u'l') && isVowel(vowel) &&
            isAsciiConsonant(before) && before != u'h') {
            word.remove(n - 2, 1);
            --n;
        }
    }
    if (n >= wordEndMinimum && word.at(n - 1) == u'h')
        word.chop(1);
    return word;
}

QString keyOf(const QString &folded)
{
    return withWordEnd(withoutDoubles(rewritten(withoutDoubles(folded))));
}

// Letters and digits of `text`, case and diacritics folded, split into words.
QList<SpellingKey::Word> foldedWords(QStringView text)
{
    QString plain;
    plain.reserve(text.size());
    for (QChar c : text) {
        if (!isApostrophe(c.unicode()))
            plain.append(c);
    }
    // Most titles are plain ASCII, which has nothing to decompose.
    const bool ascii =
        std::all_of(plain.cbegin(), plain.cend(), [](QChar c) { return c.unicode() < 0x80; });
    const QString decomposed =
        ascii ? plain.toLower()
              : plain.toCaseFolded().normalized(QString::NormalizationForm_KD).toCaseFolded();

    QList<SpellingKey::Word> words;
    SpellingKey::Word word;
    const auto flush = [&] {
        if (!word.key.isEmpty())
            words.append(word);
        word = {};
    };
    for (qsizetype i = 0; i < decomposed.size(); ++i) {
        char32_t c = decomposed.at(i).unicode();
        if (QChar::isHighSurrogate(c) && i + 1 < decomposed.size() &&
            decomposed.at(i + 1).isLowSurrogate()) {
            c = QChar::surrogateToUcs4(decomposed.at(i), decomposed.at(i + 1));
            ++i;
        }
        switch (QChar::category(c)) {
        case QChar::Mark_NonSpacing:
        case QChar::Mark_SpacingCombining:
        case QChar::Mark_Enclosing:
            break; // the diacritics of the letter before
        default:
            if (QChar::isLetterOrNumber(c)) {
                word.key.append(QChar::fromUcs4(c));
                ++word.letters;
                word.digits = word.digits || QChar::isDigit(c);
            } else {
                flush();
            }
        }
    }
    flush();
    return words;
}

// "al" joins the word after it, "allah" the word before it.
QList<SpellingKey::Word> joined(const QList<SpellingKey::Word> &words)
{
    QList<SpellingKey::Word> out;
    bool joinNext = false;
    for (const SpellingKey::Word &word : words) {
        if (joinNext || (word.key == u"allah" && !out.isEmpty())) {
            SpellingKey::Word &last = out.back();
            last.key += word.key;
            last.letters += word.letters;
            last.digits = last.digits || word.digits;
        } else {
            out.append(word);
        }
        joinNext = word.key == u"al";
    }
    return out;
}

} // namespace

QList<SpellingKey::Word> SpellingKey::words(QStringView text)
{
    QList<Word> result = joined(foldedWords(text));
    for (Word &word : result)
        word.key = keyOf(word.key);
    return result;
}

QString SpellingKey::of(QStringView text)
{
    QString out;
    for (const Word &word : words(text)) {
        if (!out.isEmpty())
            out.append(u' ');
        out.append(word.key);
    }
    return out;
}

int SpellingKey::typoLimit(int letters)
{
    if (letters < 5)
        return 0;
    return letters <= 7 ? 1 : 2;
}

int SpellingKey::distance(QStringView a, QStringView b, int limit)
{
    constexpr qsizetype longest = 64;
    const qsizetype n = a.size();
    const qsizetype m = b.size();
    if (std::abs(n - m) > limit || n > longest || m > longest)
        return a == b ? 0 : limit + 1;
    const auto substitution = [&](qsizetype i, qsizetype j) {
        const char16_t x = a.at(i).unicode();
        const char16_t y = b.at(j).unicode();
        if (x == y)
            return 0;
        return isVowel(x) || isVowel(y) ? 1 : 2;
    };
    // Three rows of the edit table (optimal string alignment: a swap of neighbours is one).
    std::vector<int> before(size_t(m + 1)), previous(size_t(m + 1)), current(size_t(m + 1));
    for (qsizetype j = 0; j <= m; ++j)
        previous[size_t(j)] = int(j);
    for (qsizetype i = 1; i <= n; ++i) {
        current[0] = int(i);
        int rowBest = current[0];
        for (qsizetype j = 1; j <= m; ++j) {
            int cost = std::min({previous[size_t(j)] + 1, current[size_t(j - 1)] + 1,
                                 previous[size_t(j - 1)] + substitution(i - 1, j - 1)});
            if (i > 1 && j > 1 && a.at(i - 1) == b.at(j - 2) && a.at(i - 2) == b.at(j - 1) &&
                a.at(i - 1) != a.at(i - 2))
                cost = std::min(cost, before[size_t(j - 2)] + 1);
            current[size_t(j)] = cost;
            rowBest = std::min(rowBest, cost);
        }
        if (rowBest > limit)
            return limit + 1;
        std::swap(before, previous);
        std::swap(previous, current);
    }
    return std::min(previous[size_t(m)], limit + 1);
}
