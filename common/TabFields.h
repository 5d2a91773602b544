#pragma once
// The fields of the program's own line files (the drafts, the separation
// record): tab-separated UTF-8, a tab, a line end or a backslash inside a
// text written \t, \n, \r, \\.

#include <QString>
#include <QStringView>

#include <optional>

namespace classdiv {

QString escapedField(const QString& text);
// nullopt for a backslash that starts no known escape.
std::optional<QString> unescapedField(QStringView text);

} // namespace classdiv
