#pragma once
// Code page 932 (Shift-JIS with the NEC and IBM extensions), the code page of
// the files the program reads and writes. On Linux Qt converts through ICU;
// Qt for Windows is built without ICU, so there the system's own conversion
// functions do it. Both give the same characters and refuse the same bytes.

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

#include <optional>

namespace classdiv {

// nullopt for bytes that are no character of the code page, a lead byte cut
// off at the end included.
std::optional<QString> cp932Decode(QByteArrayView bytes);

// nullopt for a character the code page cannot hold exactly (no look-alike
// is ever written in its place).
std::optional<QByteArray> cp932Encode(QStringView text);

} // namespace classdiv
