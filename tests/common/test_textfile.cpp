#include "common/TextFile.h"
#include "support/TestFiles.h"

#include <QFile>
#include <QFileDevice>

#include <gtest/gtest.h>

namespace classdiv {
namespace {

using testing::readBytes;
using testing::TempFolder;
using testing::writeBytes;

TEST(TextDecoding, Cp932AndUtf8WithBom)
{
    const struct {
        QByteArray bytes;
        std::optional<QString> text;
        TextEncoding encoding;
    } cases[] = {
        {QByteArray("\x89\xb9\x92\x6a,78\r\n"), QString::fromUtf8("音男,78\r\n"), TextEncoding::Cp932},
        {QByteArray("\x81\x60\x87\x40"), QString::fromUtf8("～①"), TextEncoding::Cp932}, // CP932's own mappings
        {QByteArray("\xb1\xb2"), QString::fromUtf8("ｱｲ"), TextEncoding::Cp932},           // half-width kana
        {QByteArray("\xEF\xBB\xBF\xE9\x9F\xB3\xE7\x94\xB7"), QString::fromUtf8("音男"), TextEncoding::Utf8WithBom},
        {QByteArray(), QString(), TextEncoding::Cp932},
        {QByteArray("\x82", 1), std::nullopt, TextEncoding::Cp932},       // a lead byte cut off
        {QByteArray("\x82\xa0\x81", 3), std::nullopt, TextEncoding::Cp932},
        {QByteArray("\xEF\xBB\xBF\xff", 4), std::nullopt, TextEncoding::Utf8WithBom},
        {QByteArray("\xE3\x81\x82", 3), std::nullopt, TextEncoding::Cp932}, // UTF-8 "あ" without a BOM ends on a lone lead byte
    };
    for (const auto& c : cases) {
        const auto decoded = decodeText(c.bytes);
        ASSERT_EQ(decoded.has_value(), c.text.has_value()) << c.bytes.toHex().constData();
        if (decoded) {
            EXPECT_EQ(decoded->text, *c.text);
            EXPECT_EQ(decoded->encoding, c.encoding);
        }
    }
}

TEST(TextEncoding, RefusesCharactersTheCodePageLacks)
{
    EXPECT_EQ(encodeText(QString::fromUtf8("音男,①～"), TextEncoding::Cp932),
              std::optional<QByteArray>(QByteArray("\x89\xb9\x92\x6a,\x87\x40\x81\x60")));
    EXPECT_EQ(encodeText(QString::fromUtf8("€"), TextEncoding::Cp932), std::nullopt);
    EXPECT_EQ(encodeText(QString::fromUtf8("😀"), TextEncoding::Cp932), std::nullopt);
    EXPECT_EQ(encodeText(QString::fromUtf8("𠮷"), TextEncoding::Cp932), std::nullopt);
    EXPECT_EQ(encodeText(QString::fromUtf8("€"), TextEncoding::Utf8WithBom),
              std::optional<QByteArray>(QByteArray("\xEF\xBB\xBF\xE2\x82\xAC")));
    EXPECT_EQ(encodeFragment(QString::fromUtf8("a"), TextEncoding::Utf8WithBom),
              std::optional<QByteArray>(QByteArray("a")));
}

TEST(TextFiles, ReadReportsEachKindOfFailure)
{
    TempFolder dir;
    ASSERT_TRUE(writeBytes(dir.file("ok.csv"), QByteArray("\x89\xb9\x92\x6a\r\n")));
    ASSERT_TRUE(writeBytes(dir.file("bad.csv"), QByteArray("\x82\xa0\x81", 3)));
    ASSERT_TRUE(writeBytes(dir.file("sub/x.csv"), QByteArray("x")));

    const auto ok = readTextFile(dir.file("ok.csv"));
    EXPECT_EQ(ok.status, ReadStatus::Ok);
    EXPECT_EQ(ok.text, QString::fromUtf8("音男\r\n"));
    EXPECT_EQ(readTextFile(dir.file("bad.csv")).status, ReadStatus::InvalidEncoding);
    EXPECT_EQ(readTextFile(dir.file("missing.csv")).status, ReadStatus::NotFound);
    EXPECT_EQ(readTextFile(dir.file("gone/missing.csv")).status, ReadStatus::NotFound);
    EXPECT_EQ(readTextFile(QString()).status, ReadStatus::NotFound);
    EXPECT_EQ(readTextFile(dir.file("sub")).status, ReadStatus::Unreadable);
}

TEST(TextFiles, AtomicWriteNeverLeavesAHalfWrittenFile)
{
    TempFolder dir;
    const QString target = dir.file("result.csv");
    ASSERT_EQ(writeFileAtomically(target, "first\r\n"), WriteStatus::Ok);
    EXPECT_EQ(readBytes(target), QByteArray("first\r\n"));
    ASSERT_EQ(writeFileAtomically(target, "second\r\n"), WriteStatus::Ok);
    EXPECT_EQ(readBytes(target), QByteArray("second\r\n"));

    // A folder that does not exist, and a path that is a folder, fail without touching anything.
    EXPECT_EQ(writeFileAtomically(dir.file("no/such/folder.csv"), "x"), WriteStatus::Failed);
    EXPECT_EQ(writeFileAtomically(dir.path(), "x"), WriteStatus::Failed);
    EXPECT_EQ(writeFileAtomically(QString(), "x"), WriteStatus::Failed);

    // A read-only folder refuses the write and keeps the earlier file whole.
    QFile::setPermissions(dir.path(), QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    const bool canStillWrite = QFile(dir.file("probe")).open(QIODevice::WriteOnly); // root ignores permissions
    if (!canStillWrite) {
        EXPECT_EQ(writeFileAtomically(target, "third\r\n"), WriteStatus::Failed);
        EXPECT_EQ(readBytes(target), QByteArray("second\r\n"));
    }
    QFile::setPermissions(dir.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
}

} // namespace
} // namespace classdiv
