#pragma once
// The numeric value of a score text, read once per student and press.

#include <QString>

namespace classdiv {

// Same value as textValue(); plain decimal scores such as "85" or "-72.5"
// take a short path, because a press reads every score several hundred times
// a second while the user keeps pressing.
double scoreValue(const QString& text);

// The class number 1 .. 10 whose decimal text newClass is, else 0.
int classRowOf(const QString& newClass);

} // namespace classdiv
