#include "export/TextFit.h"

#include <QRegularExpression>
#include <QStringList>

#include <algorithm>

namespace classdiv {

namespace {

double charEms(char32_t c)
{
    const bool half = (c >= 0x20 && c < 0x7f) || (c >= 0xff61 && c <= 0xff9f);
    return half ? 0.5 : 1.0;
}

} // namespace

double textEms(const QString& text)
{
    double ems = 0;
    for (const char32_t c : text.toUcs4())
        ems += charEms(c);
    return ems;
}

double fittingPoints(const QString& text, double width, double largest, double smallest)
{
    const double ems = textEms(text);
    if (ems <= 0)
        return largest;
    const double points = width / (ems * kMillimetresPerPoint);
    return std::clamp(points, smallest, largest);
}

QString elidedToEms(const QString& text, double ems)
{
    if (textEms(text) <= ems)
        return text;
    QString kept;
    double used = 1.0; // the 「…」
    for (const char32_t c : text.toUcs4()) {
        if (c == u'\n' || c == u'\r' || used + charEms(c) > ems)
            break;
        kept += QString::fromUcs4(&c, 1);
        used += charEms(c);
    }
    return kept + QStringLiteral("…");
}

QStringList wrappedToEms(const QString& text, double ems)
{
    QStringList lines;
    for (const QString& paragraph : text.split(QRegularExpression(QStringLiteral("\r\n|\r|\n")))) {
        QString line;
        double used = 0;
        for (const char32_t c : paragraph.toUcs4()) {
            if (used + charEms(c) > ems && !line.isEmpty()) {
                lines << line;
                line.clear();
                used = 0;
            }
            line += QString::fromUcs4(&c, 1);
            used += charEms(c);
        }
        lines << line;
    }
    return lines;
}

} // namespace classdiv
