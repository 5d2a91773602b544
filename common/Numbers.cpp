#include "common/Numbers.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <string>

namespace classdiv {

namespace {

bool isDigit(QChar c) { return c >= u'0' && c <= u'9'; }

double radixValue(const QString& s, qsizetype start, int radix)
{
    double value = 0;
    for (qsizetype i = start; i < s.size(); ++i) {
        const QChar c = s.at(i);
        int digit = -1;
        if (isDigit(c))
            digit = c.unicode() - u'0';
        else if (radix == 16 && c >= u'a' && c <= u'f')
            digit = c.unicode() - u'a' + 10;
        else if (radix == 16 && c >= u'A' && c <= u'F')
            digit = c.unicode() - u'A' + 10;
        if (digit < 0 || digit >= radix)
            break;
        value = value * radix + digit;
    }
    return value;
}

// Plain decimal texts such as "85" or "-72.5" (nearly every score) without
// building strings. Up to 15 digits the mantissa and the power of ten are
// exact doubles, so one division is correctly rounded, as strtod is.
std::optional<double> plainDecimalValue(const QString& text)
{
    static constexpr double kPowersOfTen[] = {1e0, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7,
                                              1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
    const qsizetype size = text.size();
    const QChar* chars = text.constData();
    qsizetype i = 0;
    bool negative = false;
    if (i < size && (chars[i] == u'-' || chars[i] == u'+'))
        negative = chars[i++] == u'-';
    int64_t mantissa = 0;
    int digits = 0;
    int fractionDigits = 0;
    bool point = false;
    for (; i < size; ++i) {
        const char16_t c = chars[i].unicode();
        if (c >= u'0' && c <= u'9') {
            if (++digits > 15)
                return std::nullopt;
            mantissa = mantissa * 10 + (c - u'0');
            if (point)
                ++fractionDigits;
        } else if (c == u'.' && !point) {
            point = true;
        } else {
            return std::nullopt; // blanks, exponents, &H, trailing letters ...
        }
    }
    if (digits == 0)
        return std::nullopt;
    const double value = fractionDigits == 0 ? static_cast<double>(mantissa)
                                             : static_cast<double>(mantissa) / kPowersOfTen[fractionDigits];
    return negative ? -value : value;
}

} // namespace

double textValue(const QString& text)
{
    if (const std::optional<double> plain = plainDecimalValue(text))
        return *plain;
    QString s;
    s.reserve(text.size());
    for (QChar c : text) {
        if (c != u' ' && c != u'\t' && c != u'\n')
            s.append(c);
    }
    if (s.size() >= 2 && s.at(0) == u'&') {
        const QChar kind = s.at(1).toUpper();
        if (kind == u'H')
            return radixValue(s, 2, 16);
        if (kind == u'O')
            return radixValue(s, 2, 8);
        return 0;
    }

    // Collect the longest beginning that forms a decimal number.
    std::string number;
    qsizetype i = 0;
    if (i < s.size() && (s.at(i) == u'+' || s.at(i) == u'-'))
        number += char(s.at(i++).unicode());
    bool digits = false;
    bool point = false;
    for (; i < s.size(); ++i) {
        const QChar c = s.at(i);
        if (isDigit(c)) {
            number += char(c.unicode());
            digits = true;
        } else if (c == u'.' && !point) {
            number += '.';
            point = true;
        } else {
            break;
        }
    }
    if (!digits)
        return 0;
    if (i < s.size()) {
        const QChar e = s.at(i).toUpper();
        if (e == u'E' || e == u'D') {
            std::string exponent = "e";
            qsizetype j = i + 1;
            if (j < s.size() && (s.at(j) == u'+' || s.at(j) == u'-'))
                exponent += char(s.at(j++).unicode());
            bool expDigits = false;
            for (; j < s.size() && isDigit(s.at(j)); ++j) {
                exponent += char(s.at(j).unicode());
                expDigits = true;
            }
            if (expDigits)
                number += exponent;
        }
    }
    return std::strtod(number.c_str(), nullptr);
}

std::optional<int16_t> toInt16(double value)
{
    const double r = roundHalfEven(value);
    if (!std::isfinite(r) || r < std::numeric_limits<int16_t>::min() || r > std::numeric_limits<int16_t>::max())
        return std::nullopt;
    return static_cast<int16_t>(r);
}

std::optional<int32_t> toInt32(double value)
{
    const double r = roundHalfEven(value);
    if (!std::isfinite(r) || r < std::numeric_limits<int32_t>::min() || r > std::numeric_limits<int32_t>::max())
        return std::nullopt;
    return static_cast<int32_t>(r);
}

float roundOneDecimal(float value)
{
    return static_cast<float>(std::floor(static_cast<double>(value) * 10.0 + 0.5) / 10.0);
}

QString fileNumber(double value, int significantDigits)
{
    if (!std::isfinite(value))
        return QStringLiteral("0");
    if (value == 0)
        return QStringLiteral("0");
    // Scientific form with the wanted significant digits, then laid out as a
    // plain decimal: d.ddddde±x -> digits and exponent.
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.*e", significantDigits - 1, value);
    std::string sci(buf);
    const bool negative = sci[0] == '-';
    if (negative)
        sci.erase(0, 1);
    const auto ePos = sci.find('e');
    const int exponent = std::atoi(sci.c_str() + ePos + 1);
    std::string digits;
    for (size_t i = 0; i < ePos; ++i) {
        if (sci[i] != '.')
            digits += sci[i];
    }
    while (digits.size() > 1 && digits.back() == '0')
        digits.pop_back();
    // The decimal point stands after digit number (exponent + 1).
    std::string out;
    const int pointAt = exponent + 1;
    if (pointAt <= 0) {
        out = "0." + std::string(static_cast<size_t>(-pointAt), '0') + digits;
    } else if (pointAt >= static_cast<int>(digits.size())) {
        out = digits + std::string(static_cast<size_t>(pointAt) - digits.size(), '0');
    } else {
        out = digits.substr(0, static_cast<size_t>(pointAt)) + "." + digits.substr(static_cast<size_t>(pointAt));
    }
    if (negative)
        out.insert(out.begin(), '-');
    return QString::fromLatin1(out.c_str());
}

QString printNumber(double value, int significantDigits)
{
    const QString digits = fileNumber(value, significantDigits);
    if (digits.startsWith(u'-'))
        return digits + u' ';
    return u' ' + digits + u' ';
}

} // namespace classdiv
