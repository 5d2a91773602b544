#include "common/CodePage932.h"
#include "common/TextFile.h"
#include "support/FullDisk.h"
#include "support/TestFiles.h"

#include <QCryptographicHash>
#include <QDirIterator>

#include <gtest/gtest.h>

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
        {"\xfb\xfc\xfa\xb1\xed\x40", QString::fromUtf8("髙﨑纊"), TextEncoding::Cp932}, // IBM and NEC extensions
        {"\x85\x40", std::nullopt, TextEncoding::Cp932},         // a code with no character
        {"a\xa0", std::nullopt, TextEncoding::Cp932},             // a single byte with no character
        {"\x1a\x7f", QString::fromUtf8("\x1a\x7f"), TextEncoding::Cp932}, // control bytes as Windows reads them
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
    EXPECT_EQ(encodeText(QString::fromUtf8("音男,①～髙﨑"), TextEncoding::Cp932),
              QByteArray("\x89\xb9\x92\x6a,\x87\x40\x81\x60\xfb\xfc\xfa\xb1"));
    // Look-alikes that a best fit would write (¥ as \, 〜 as ～) are refused, not replaced.
    for (const char* lacking : {"€", "😀", "𠮷", "¥", "〜", "¬", "\uF86F"})
        EXPECT_EQ(encodeText(QString::fromUtf8(lacking), TextEncoding::Cp932), std::nullopt) << lacking;
    EXPECT_EQ(encodeText(QString(QChar(0xD842)), TextEncoding::Cp932), std::nullopt) << "half a surrogate pair";
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

// Every two bytes and every character of the Basic Multilingual Plane,
// converted one by one. ICU (Linux) and Windows' own tables differ in a few
// places that the Linux branch evens out, so both builds must give these same
// fingerprints: the same characters, the same refusals.
TEST(TextEncoding, EveryCodeConvertsTheSameOnBothSystems)
{
    QCryptographicHash decoded(QCryptographicHash::Sha256), encoded(QCryptographicHash::Sha256);
    int decodable = 0, encodable = 0;
    const auto record = [](QCryptographicHash& hash, QByteArrayView result) {
        hash.addData(QByteArray::number(result.size()) + ':');
        hash.addData(result);
    };
    for (int code = 0; code <= 0xFFFF; ++code) {
        const char pair[2] = {char(code >> 8), char(code & 0xFF)};
        const std::optional<QString> text = cp932Decode(QByteArrayView(pair, 2));
        decodable += text.has_value();
        record(decoded, text ? QByteArrayView(reinterpret_cast<const char*>(text->utf16()), text->size() * 2) : "-");
        const char16_t character = char16_t(code);
        const std::optional<QByteArray> bytes = cp932Encode(QStringView(&character, 1));
        encodable += bytes.has_value();
        record(encoded, bytes ? QByteArrayView(*bytes) : "-");
    }
    EXPECT_EQ(decodable, 46085);
    EXPECT_EQ(encodable, 9397);
    EXPECT_EQ(decoded.result().toHex().toStdString(), "179365a20875e64bb7939da7da7f41d62adb35f89d41f684a2b81ce1b2088370");
    EXPECT_EQ(encoded.result().toHex().toStdString(), "8540a64719662bd9aa6f328c2d67f1089d72055ad05eebd8907f8d149c313a84");
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

    if (testing::FullDisk::kAvailable) {
        {
            testing::FullDisk full; // the old file stays whole
            EXPECT_EQ(writeFileAtomically(target, "a longer third text\r\n"), WriteStatus::Failed);
        }
        EXPECT_EQ(readBytes(target), QByteArray("second\r\n"));
    }
}

} // namespace
} // namespace classdiv
