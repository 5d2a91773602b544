#include "import/CsvFieldReader.h"

#include <gtest/gtest.h>

#include <QStringList>

using namespace classdiv;
using namespace Qt::StringLiterals;

namespace {

QStringList readAll(const QString& text)
{
    CsvFieldReader reader(text);
    QStringList fields;
    while (!reader.atEnd()) {
        auto field = reader.readField();
        if (!field) {
            ADD_FAILURE() << "end-of-file failure although atEnd() was false";
            break;
        }
        fields.append(*field);
    }
    EXPECT_FALSE(reader.readField().has_value()) << "reading past the end must fail";
    return fields;
}

struct ReaderCase {
    const char* name;
    QString text;
    QStringList fields;
};

} // namespace

TEST(CsvFieldReader, FieldsFollowTheFiveRulesAndTheDecidedFinerPoints)
{
    const ReaderCase cases[] = {
        {"commas separate", u"a,b,c"_s, {"a", "b", "c"}},
        {"CR LF separates like a comma", u"a,b\r\nc,d\r\n"_s, {"a", "b", "c", "d"}},
        {"two commas give an empty field", u"a,,b"_s, {"a", "", "b"}},
        {"an empty line gives one empty field", u"a\r\n\r\nb"_s, {"a", "", "b"}},
        {"a lone CR and a lone LF end a line", u"a\rb\nc"_s, {"a", "b", "c"}},
        {"LF CR is two line ends", u"a\n\rb"_s, {"a", "", "b"}},
        {"leading blanks skipped", u"  a,\tb"_s, {"a", "b"}},
        {"trailing blanks of an unquoted field dropped", u"音男  ,b\t\r\n"_s, {u"音男"_s, "b"}},
        {"full-width spaces kept", u"　山田　太郎　,x"_s, {u"　山田　太郎　"_s, "x"}},
        {"quoted field keeps its comma", u"\"山田, 太郎\",78"_s, {u"山田, 太郎"_s, "78"}},
        {"blanks inside quotes kept", u"\" a \",b"_s, {" a ", "b"}},
        {"after the closing quote dropped up to the comma", u"\"a\"xyz,b"_s, {"a", "b"}},
        {"a doubled quote is not an escape", u"\"a\"\"b\",c"_s, {"a", "c"}},
        {"quoted field after blanks", u"  \"a\" ,b"_s, {"a", "b"}},
        {"quoted field runs over a line end", u"\"a\r\nb\",c"_s, {u"a\r\nb"_s, "c"}},
        {"quote never closed runs to the end", u"x,\"abc\r\nd,e"_s, {"x", u"abc\r\nd,e"_s}},
        {"quote inside an unquoted field is a character", u"ab\"c,d"_s, {"ab\"c", "d"}},
        {"empty quoted field", u"\"\",x"_s, {"", "x"}},
        {"closing quote, then the line end", u"\"a\"\r\nb"_s, {"a", "b"}},
        {"no empty field after a final separator", u"a,"_s, {"a"}},
        {"a lone comma is one empty field", u","_s, {""}},
        {"trailing blanks at the end are one empty field", u"a,   "_s, {"a", ""}},
        {"empty text has no field", QString(), {}},
    };
    for (const ReaderCase& c : cases)
        EXPECT_EQ(readAll(c.text), c.fields) << c.name;
}

TEST(CsvFieldReader, AtEndOnlyWhenNoCharacterIsLeft)
{
    CsvFieldReader reader(u"a\r\n"_s);
    EXPECT_FALSE(reader.atEnd());
    EXPECT_EQ(reader.readField(), QString("a"));
    EXPECT_TRUE(reader.atEnd()); // the CR LF went with the field
    EXPECT_EQ(reader.readField(), std::nullopt);
    EXPECT_EQ(reader.readField(), std::nullopt);
}

TEST(SplitLines, CountsLinesAsThePreviewDoes)
{
    const struct {
        const char* name;
        QString text;
        QStringList lines;
    } cases[] = {
        {"empty text", QString(), {}},
        {"one line without line end", u"a"_s, {"a"}},
        {"one line with CR LF", u"a\r\n"_s, {"a"}},
        {"last line without line end counts", u"a\r\nb"_s, {"a", "b"}},
        {"lone CR and lone LF", u"a\rb\nc\r\n"_s, {"a", "b", "c"}},
        {"empty lines", u"\r\n\r\n"_s, {"", ""}},
        {"LF CR is two line ends", u"a\n\r"_s, {"a", ""}},
        {"quotes do not join lines", u"\"x\r\ny\""_s, {"\"x", "y\""}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(splitLines(c.text), c.lines) << c.name;
}
