#include "import/StartFile.h"

#include "support/TestFiles.h"

#include <QDir>
#include <QFile>
#include <QUrl>

#include <gtest/gtest.h>

using namespace classdiv;
using namespace Qt::StringLiterals;
using classdiv::testing::TempFolder;
using classdiv::testing::writeBytes;

// A name given at start either lands in the import window (folder and name as
// File1 lists them) or gives its message and the ordinary start.
TEST(StartFile, OnlyAnExistingCsvFileIsShown)
{
    TempFolder root;
    const QString dir = root.file(u"２年 名簿"_s);
    for (const char* name : {"nen1.csv", "NEN2.CSV", "memo.txt", "dir.csv/x"})
        ASSERT_TRUE(writeBytes(dir + u'/' + QLatin1String(name), "a"));
#ifndef Q_OS_WIN // a Windows shortcut is a file of its own, not a link a path passes through
    ASSERT_TRUE(QFile::link(dir + u"/nen1.csv"_s, root.file(u"link.csv"_s)));
#endif
    const auto shown = [](const QString& path) { return QDir::toNativeSeparators(path); };
    const struct {
        QString argument;
        QString expected; // "folder|name", or the message's text
    } cases[] = {
        {dir + u"/nen1.csv"_s, dir + u"|nen1.csv"_s},
        {u"../２年 名簿/./NEN2.CSV"_s, dir + u"|NEN2.CSV"_s}, // relative to the current folder, any case
        {QUrl::fromLocalFile(dir + u"/nen1.csv"_s).toString(), dir + u"|nen1.csv"_s},
#ifndef Q_OS_WIN
        {root.file(u"link.csv"_s), root.path() + u"|link.csv"_s}, // the link's own folder
#endif
        {u"nen3.csv"_s, kStartFileMissingMessage.arg(shown(dir + u"/nen3.csv"_s))},
        {QString(), kStartFileMissingMessage.arg(QString())},
        {u"memo.txt"_s, kStartFileNotCsvMessage.arg(shown(dir + u"/memo.txt"_s))},
        {u"dir.csv"_s, kStartFileFolderMessage.arg(shown(dir + u"/dir.csv"_s))},
    };
    for (const auto& c : cases) {
        const auto result = checkStartFile(c.argument, dir);
        const auto* file = std::get_if<StartFile>(&result);
        EXPECT_EQ(file ? file->folder + u'|' + file->fileName : std::get<Message>(result).text, c.expected)
            << qPrintable(c.argument);
    }
}
