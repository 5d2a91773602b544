#pragma once
// A modal message with an OK button only, as the actions ask for it.

#include <QString>

namespace classdiv {

struct Message {
    QString text;
    QString title; // empty: the box carries the program's own title

    bool operator==(const Message&) const = default;
};

namespace titles {
inline const QString reenter = QStringLiteral("再入力");
inline const QString inputMistake = QStringLiteral("入力ミス");
inline const QString error = QStringLiteral("エラー発生");
} // namespace titles

} // namespace classdiv
