#pragma once

#include <QList>
#include <QString>
#include <QStringView>

// The spelling-neutral form of a title, a teacher's name or a search word. Arabic terms reach
// Indonesian in many spellings (shalat/sholat/salat, hadits/hadis/hadith, ustadz/ustad/ustaz,
// fiqih/fiqh, Al-Qur'an/Alquran); the key makes the usual ones equal, so a search can compare
// keys instead of guessing the spelling of a title.
//
// A text becomes keys in this order:
//  1. letter case, diacritics and compatibility forms are folded; apostrophes and the ayn and
//     hamza marks (' ’ ‘ ` ´ ʿ ʾ ʼ ʻ) are dropped, so "Jum'at" is "jumat";
//  2. the text is split into words at everything that is not a letter or a digit;
//  3. an "al" joins the word after it and "allah" the word before it ("Al-Qur'an", "al quran"
//     and "alquran" are one word, as are "insya Allah" and "insyaallah");
//  4. each word is rewritten by the table in SpellingKey.cpp: doubled letters become one, the
//     transliteration digraphs their plain letter, a vowel between a consonant and a final
//     h, r or l goes (fiqih/fiqh, dzikir/dhikr, syarah/syarh) and a final h goes.
class SpellingKey
{
public:
    struct Word
    {
        QString key;
        int letters = 0;     // letters and digits of the folded word, before the rewriting
        bool digits = false; // holds a digit: never compared with typo tolerance
    };

    // The keys of the words of `text`, in order.
    static QList<Word> words(QStringView text);
    // The keys of `text` joined by single spaces.
    static QString of(QStringView text);

    // Edits a search word of `letters` letters may be away from a title word and still count
    // as a typo of it: none below five letters, one up to seven, two from eight.
    static int typoLimit(int letters);
    // Edits between two keys, counting an insertion, a deletion, a swap of neighbours or a
    // vowel changed as one, and one consonant for another as two: in Arabic terms the
    // consonants carry the meaning (sabar/sabat, hadis/hadir are other words, not typos).
    // Any value above `limit` is returned as limit + 1.
    static int distance(QStringView a, QStringView b, int limit);
};
