#include "common/TextFile.h"
#include "support/FullDisk.h"
#include "support/TestFiles.h"

#include <gtest/gtest.h>

#include <QDirIterator>

#include <algorithm>

namespace classdiv {
namespace {

using testing::readBytes;
using testing::TempFolder;

TEST(TextEncoding, DecodesCp932AndUtf8AndRefusesBrokenBytes)
{
    const struct {
        QByteArray bytes;
        std::optional<QString> text;
        TextEncoding encoding;
    } cases[] = {
        {"\x89\xb9\x92\x6a,78\r\n", QString::fromUtf8("音男,78\r\n"), TextEncoding::Cp932},
        {"\x81\x60\x87\x40\xb1", QString::fromUtf8("～①ｱ"), TextEncoding::Cp932}, // CP932's own mappings
        {"\xEF\xBB\xBF\xE9\x9F\xB3", QString::fromUtf8("音"), TextEncoding::Utf8},
        {"", QString(), TextEncoding::Cp932},
        {"\x82\xa0\x81", std::nullopt, TextEncoding::Cp932},     // a lead byte cut off
        {"\xEF\xBB\xBF\xff", std::nullopt, TextEncoding::Utf8},
        // UTF-8 without a byte order mark, as LibreOffice and web spreadsheets write it
        {"\xE9\x9F\xB3\xE7\x94\xB7,78\r\n", QString::fromUtf8("音男,78\r\n"), TextEncoding::Utf8},
        {"1001,A1,78\r\n", QString::fromUtf8("1001,A1,78\r\n"), TextEncoding::Cp932}, // ASCII only
        // Half-width ﾃｽ in CP932 happens to be valid UTF-8: UTF-8 wins and reads it as ý.
        {"\xC3\xBD,1", QString::fromUtf8("ý,1"), TextEncoding::Utf8},
        {"\xC3\xBD\xC4,1", QString::fromUtf8("ﾃｽﾄ,1"), TextEncoding::Cp932}, // one more kana breaks the UTF-8
    };
    for (const auto& c : cases) {
        const auto decoded = decodeText(c.bytes);
        ASSERT_EQ(decoded.has_value(), c.text.has_value()) << c.bytes.toHex().constData();
        if (decoded) {
            EXPECT_EQ(decoded->text, *c.text);
            EXPECT_EQ(decoded->encoding, c.encoding);
        }
    }
    EXPECT_EQ(encodeText(QString::fromUtf8("音男,①～"), TextEncoding::Cp932),
              QByteArray("\x89\xb9\x92\x6a,\x87\x40\x81\x60"));
    for (const char* lacking : {"€", "😀", "𠮷"})
        EXPECT_EQ(encodeText(QString::fromUtf8(lacking), TextEncoding::Cp932), std::nullopt) << lacking;
    EXPECT_EQ(encodeText(QString::fromUtf8("€"), TextEncoding::Utf8), QByteArray("\xEF\xBB\xBF\xE2\x82\xAC"));
}

// Japanese text in CP932 is practically never valid UTF-8: the example year
// and every CP932 file the tests read are read as CP932.
TEST(TextEncoding, NoCp932FileOfTheProjectPassesForUtf8)
{
    int checked = 0;
    for (const char* folder : {"examples", "tests/data", "tests/fuzz/corpus"}) {
        QDirIterator files(QStringLiteral(CLASSDIV_SOURCE_DIR "/") + QString::fromLatin1(folder), QStringList{"*.csv", "*.TXT"}, QDir::Files,
                           QDirIterator::Subdirectories);
        while (files.hasNext()) {
            const QString path = files.next();
            const QByteArray bytes = readBytes(path);
            if (bytes.startsWith("\xEF\xBB\xBF") || std::all_of(bytes.begin(), bytes.end(), [](char c) { return c >= 0; }))
                continue;
            const auto decoded = decodeText(bytes);
            ASSERT_TRUE(decoded) << qPrintable(path);
            EXPECT_EQ(decoded->encoding, TextEncoding::Cp932) << qPrintable(path);
            ++checked;
        }
    }
    EXPECT_GE(checked, 8); // the example year, the result files, the field reader's seeds
}

TEST(TextFiles, ReadReportsEachKindOfFailure)
{
    TempFolder dir;
    ASSERT_TRUE(testing::writeBytes(dir.file("ok.csv"), "\x89\xb9\x92\x6a\r\n"));
    ASSERT_TRUE(testing::writeBytes(dir.file("bad.csv"), "\x82\xa0\x81"));
    ASSERT_TRUE(testing::writeBytes(dir.file("sub/x.csv"), "x"));

    const auto ok = readTextFile(dir.file("ok.csv"));
    EXPECT_EQ(ok.status, ReadStatus::Ok);
    EXPECT_EQ(ok.text, QString::fromUtf8("音男\r\n"));
    EXPECT_EQ(readTextFile(dir.file("bad.csv")).status, ReadStatus::InvalidEncoding);
    EXPECT_EQ(readTextFile(dir.file("gone/missing.csv")).status, ReadStatus::NotFound);
    EXPECT_EQ(readTextFile(dir.file("sub")).status, ReadStatus::Unreadable);
    QFile largest(dir.file("largest.csv")); // the largest file that is read
    ASSERT_TRUE(largest.open(QIODevice::WriteOnly) && largest.resize(kMaxTextFileBytes));
    EXPECT_EQ(readTextFile(largest.fileName()).status, ReadStatus::Ok);
}

TEST(TextFiles, AtomicWriteNeverLeavesAHalfWrittenFile)
{
    TempFolder dir;
    const QString target = dir.file("result.csv");
    ASSERT_EQ(writeFileAtomically(target, "first\r\n"), WriteStatus::Ok);
    ASSERT_EQ(writeFileAtomically(target, "second\r\n"), WriteStatus::Ok);
    EXPECT_EQ(readBytes(target), QByteArray("second\r\n"));
    EXPECT_EQ(writeFileAtomically(dir.file("no/such/folder.csv"), "x"), WriteStatus::Failed);
    EXPECT_EQ(writeFileAtomically(dir.path(), "x"), WriteStatus::Failed);

    {
        testing::FullDisk full; // the old file stays whole
        EXPECT_EQ(writeFileAtomically(target, "a longer third text\r\n"), WriteStatus::Failed);
    }
    EXPECT_EQ(readBytes(target), QByteArray("second\r\n"));
}

} // namespace
} // namespace classdiv
