#pragma once
// The CSV file named when the program is started (a double click on the file,
// "Open with" in the file manager, or a path typed after the program's name).
// The import window then opens in the file's folder with the file chosen.

#include "common/Message.h"

#include <QString>

#include <variant>

namespace classdiv {

struct StartFile {
    QString folder;   // absolute, cleaned; the folder of the name as given (a link is not followed)
    QString fileName; // the name as the file list lists it
};

// A path or a file:// address, relative ones taken from currentFolder.
// Anything but an existing file whose name ends in .csv or a workbook's
// extension (any case) gives the
// message to show before the ordinary start.
std::variant<StartFile, Message> checkStartFile(const QString& argument, const QString& currentFolder);

inline const QString kStartFileMissingMessage = QStringLiteral(
    "指定されたファイルが見つかりません。\n%1\n"
    "メニューから「プログラム実行」を押し、ＣＳＶファイルを選んでください。");
inline const QString kStartFileFolderMessage = QStringLiteral(
    "指定されたのはフォルダーです。ファイルではありません。\n%1\n"
    "メニューから「プログラム実行」を押し、ＣＳＶファイルを選んでください。");
inline const QString kStartFileNotCsvMessage = QStringLiteral(
    "指定されたファイルはＣＳＶファイル（名前の終わりが .csv）ではありません。\n%1\n"
    "メニューから「プログラム実行」を押し、ＣＳＶファイルを選んでください。");

} // namespace classdiv
