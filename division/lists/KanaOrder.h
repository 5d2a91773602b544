#pragma once
// The 五十音 order of readings (ふりがな), as a Japanese dictionary orders
// them. First every kana counts as its plain form: katakana as hiragana
// (half-width ones too), small kana as full ones (ゃ as や, っ as つ),
// voiced and semi-voiced as unvoiced (が, ぱ as か, は; ヴ as う), the long
// mark ー as the vowel of the kana before it (ケーキ as けえき), ゐ ゑ as
// い え, and ゝ ゞ as the kana before them. A blank (half- or full-width)
// between family and given name sorts before any kana, so いの たろう comes
// before いのうえ はなこ. Characters that are not kana (a reading typed in
// kanji or Latin letters) sort after every kana, by their code.
// Readings alike so far are then told apart as a dictionary does: unvoiced
// before voiced before semi-voiced (はは, はば, ぱぱ), then full before small
// kana (ひよう before ひょう), and a vowel written out before the long mark.
// Readings still alike are equal here: the caller breaks the tie.

#include <QString>

#include <string>

namespace classdiv {

struct ReadingKey {
    std::u32string primary; // plain kana, blanks as one separator, other characters after the kana
    std::string voicing;    // per position: 0 unvoiced, 1 voiced, 2 semi-voiced
    std::string form;       // per position: 0 full kana, 1 small kana, 2 long mark or repeat mark, 3 old kana

    bool operator==(const ReadingKey&) const = default;
};

ReadingKey readingKey(const QString& reading);
// Negative, zero or positive as a sorts before, with or after b.
int compareReadingKeys(const ReadingKey& a, const ReadingKey& b);
int compareReadings(const QString& a, const QString& b);

// Nothing but blanks: the student has no reading to sort by.
bool isBlankReading(const QString& reading);
// Whether every character is a kana, a long mark or a blank: a reading in
// kanji or Latin letters still sorts, but not in the 五十音 order.
bool isKanaReading(const QString& reading);

// Identifiers in their natural order: numbers by value (0123 as 123, full-
// width digits too), numbers before other texts, other texts by their code.
int compareIdentifiers(const QString& a, const QString& b);

} // namespace classdiv
