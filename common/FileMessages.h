#pragma once
// The one wording of a file that could not be written or read. Every writer
// of the program, from the lock beside a file up to the windows' PDFs, says
// the same thing about a failed save; only the name of the file (what it is
// to the teacher) and what stays as it was differ.

#include "common/Message.h"

#include <QString>

namespace classdiv {

// What each file is called in the messages.
namespace fileNames {
inline const QString result = QStringLiteral("結果のファイル");
inline const QString conditions = QStringLiteral("条件ファイル");
inline const QString rules = QStringLiteral("列の設定ファイル");
inline const QString drafts = QStringLiteral("クラス分けの案のファイル");
inline const QString record = QStringLiteral("離す記録のファイル");
inline const QString pdf = QStringLiteral("PDFファイル");
inline const QString image = QStringLiteral("グラフの画像");
inline const QString numbers = QStringLiteral("出席番号のファイル");
} // namespace fileNames

// A file that could not be written (the folder, a file in use, a full disk),
// titled "エラー発生". `kept` says what stays as it was besides the file
// (「入力した条件は画面に残っています。」); empty when nothing needs saying.
Message writeFailedMessage(const QString& path, const QString& what = fileNames::result, const QString& kept = {});

// A file that exists but could not be opened or read.
Message readFailedMessage(const QString& path, const QString& what, const QString& kept = {});

} // namespace classdiv
