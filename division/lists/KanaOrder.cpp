#include "division/lists/KanaOrder.h"

#include <QRegularExpression>

#include <algorithm>

namespace classdiv {

namespace {

constexpr char32_t kSeparator = 1;
constexpr char32_t kOtherBase = 0x200000; // after every kana
constexpr char32_t kVoiced = 0x3099, kSemiVoiced = 0x309A, kLongMark = 0x30FC;
constexpr char32_t kRepeat = 0x309D; // ゝ (ヽ once made hiragana)

bool isHiragana(char32_t c) { return c >= 0x3041 && c <= 0x3096; }

// A katakana as its hiragana; anything else unchanged.
char32_t asHiragana(char32_t c)
{
    return (c >= 0x30A1 && c <= 0x30F6) || c == 0x30FD ? c - 0x60 : c;
}

struct Plain {
    char32_t kana;
    char form;
};

// Small kana as full ones, ゐ ゑ as い え; everything else as it is.
Plain plainKana(char32_t c)
{
    switch (c) {
    case U'ぁ': case U'ぃ': case U'ぅ': case U'ぇ': case U'ぉ':
    case U'っ': case U'ゃ': case U'ゅ': case U'ょ': case U'ゎ':
        return {c + 1, 1};
    case U'ゕ':
        return {U'か', 1};
    case U'ゖ':
        return {U'け', 1};
    case U'ゐ':
        return {U'い', 3};
    case U'ゑ':
        return {U'え', 3};
    default:
        return {c, 0};
    }
}

// The vowel a long mark after this plain kana stands for.
char32_t vowelOf(char32_t kana)
{
    static const std::u32string bases = U"あいうえおかきくけこさしすせそたちつてとなにぬねのはひふへほまみむめもやゆよらりるれろわをん";
    static const std::u32string vowels = U"あいうえおあいうえおあいうえおあいうえおあいうえおあいうえおあいうえおあうおあいうえおあおん";
    const size_t at = bases.find(kana);
    return at == std::u32string::npos ? 0 : vowels[at];
}

// Full-width letters and digits as plain ones, half-width katakana as full
// ones, then every voiced kana split into its plain kana and the mark.
QList<uint> decomposed(const QString& text)
{
    return text.normalized(QString::NormalizationForm_KC).normalized(QString::NormalizationForm_D).toUcs4();
}

bool isBlank(char32_t c) { return c == U' ' || c == U'\t' || c == 0x3000; }

} // namespace

ReadingKey readingKey(const QString& reading)
{
    ReadingKey key;
    const auto push = [&key](char32_t primary, char form) {
        key.primary.push_back(primary);
        key.voicing.push_back(0);
        key.form.push_back(form);
    };
    const auto lastKana = [&key]() -> char32_t {
        return key.primary.empty() || !isHiragana(key.primary.back()) ? 0 : key.primary.back();
    };
    for (const uint code : decomposed(reading)) {
        const char32_t c = asHiragana(char32_t(code));
        if (c == kVoiced || c == kSemiVoiced) {
            if (lastKana())
                key.voicing.back() = c == kVoiced ? 1 : 2;
        } else if (isBlank(c)) {
            if (!key.primary.empty() && key.primary.back() != kSeparator)
                push(kSeparator, 0);
        } else if (isHiragana(c)) {
            const Plain plain = plainKana(c);
            push(plain.kana, plain.form);
        } else if (c == kLongMark && vowelOf(lastKana())) {
            push(vowelOf(lastKana()), 2);
        } else if (c == kRepeat && lastKana()) {
            push(lastKana(), 2);
        } else {
            const char32_t folded = QChar::toCaseFolded(c);
            push(kOtherBase + folded, 0);
        }
    }
    if (!key.primary.empty() && key.primary.back() == kSeparator) {
        key.primary.pop_back();
        key.voicing.pop_back();
        key.form.pop_back();
    }
    return key;
}

int compareReadingKeys(const ReadingKey& a, const ReadingKey& b)
{
    if (const int c = a.primary.compare(b.primary))
        return c;
    if (const int c = a.voicing.compare(b.voicing))
        return c;
    return a.form.compare(b.form);
}

int compareReadings(const QString& a, const QString& b)
{
    return compareReadingKeys(readingKey(a), readingKey(b));
}

bool isBlankReading(const QString& reading)
{
    return std::all_of(reading.begin(), reading.end(), [](QChar c) { return isBlank(c.unicode()); });
}

bool isKanaReading(const QString& reading)
{
    const QList<uint> codes = decomposed(reading);
    return std::all_of(codes.begin(), codes.end(), [](uint code) {
        const char32_t c = asHiragana(char32_t(code));
        return isHiragana(c) || isBlank(c) || c == U' ' || c == kVoiced || c == kSemiVoiced || c == kLongMark ||
               c == kRepeat;
    });
}

int compareIdentifiers(const QString& a, const QString& b)
{
    const QString x = a.normalized(QString::NormalizationForm_KC).trimmed();
    const QString y = b.normalized(QString::NormalizationForm_KC).trimmed();
    const auto digits = [](const QString& t) {
        return !t.isEmpty() && std::all_of(t.begin(), t.end(), [](QChar c) { return c >= u'0' && c <= u'9'; });
    };
    const bool xNumber = digits(x), yNumber = digits(y);
    if (xNumber != yNumber)
        return xNumber ? -1 : 1;
    if (xNumber) {
        const auto significant = [](const QString& t) {
            const qsizetype first = t.indexOf(QRegularExpression(QStringLiteral("[^0]")));
            return first < 0 ? QString() : t.mid(first);
        };
        const QString p = significant(x), q = significant(y);
        if (p.size() != q.size())
            return p.size() < q.size() ? -1 : 1;
        if (const int c = p.compare(q))
            return c;
    }
    return x.compare(y);
}

} // namespace classdiv
