#include "common/FileMessages.h"

#include <QDir>

namespace classdiv {

namespace {

QString withKept(QString text, const QString& kept)
{
    return kept.isEmpty() ? text : text + u'\n' + kept;
}

} // namespace

Message writeFailedMessage(const QString& path, const QString& what, const QString& kept)
{
    const QString text = QStringLiteral("%1を保存できませんでした。\n%2\n"
                                        "保存先のフォルダーに書き込めるか、同じ名前のファイルが他のソフトで開かれていないか、"
                                        "ディスクに空きがあるかを確かめて下さい。\n"
                                        "同じ名前のファイルがあった場合、その中身は変わっていません。")
                             .arg(what, QDir::toNativeSeparators(path));
    return Message{withKept(text, kept), titles::error};
}

Message readFailedMessage(const QString& path, const QString& what, const QString& kept)
{
    const QString text = QStringLiteral("%1を読めません。\n%2").arg(what, QDir::toNativeSeparators(path));
    return Message{withKept(text, kept), titles::error};
}

} // namespace classdiv
