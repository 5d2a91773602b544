#pragma once
// What differs between the two programs built from these sources.

#include <QString>

namespace classdiv {

struct Deliverable {
    QString programTitle; // the title of messages that have none of their own
    bool fixedFrame = false; // lintoraq: windows cannot be resized
    QString text8Initial;    // first text of the import window's Text8

    static Deliverable varmesto()
    {
        return {QStringLiteral("varmesto"), false, QString()};
    }
    static Deliverable lintoraq()
    {
        return {QStringLiteral("lintoraq"), true, QStringLiteral("読み込みデータを表示\r\n")};
    }
};

} // namespace classdiv
