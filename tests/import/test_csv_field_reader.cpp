#include "import/CsvFieldReader.h"

#include <gtest/gtest.h>

#include <QStringList>

using namespace classdiv;
using namespace Qt::StringLiterals;

namespace {

// Every field up to the end; atEnd() must hold exactly when no field is left.
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

} // namespace

TEST(CsvFieldReader, FieldsFollowTheReadingRules)
{
    const struct {
        const char* name;
        QString text;
        QStringList fields;
    } cases[] = {
        {"commas and CR LF separate", u"a,b\r\nc,,d\r\n"_s, {"a", "b", "c", "", "d"}},
        {"an empty line gives one empty field", u"a\r\n\r\nb"_s, {"a", "", "b"}},
        {"a lone CR and a lone LF end a line", u"a\rb\nc"_s, {"a", "b", "c"}},
        {"LF CR is two line ends", u"a\n\rb"_s, {"a", "", "b"}},
        {"leading and trailing blanks dropped", u"  音男  ,\tb\t\r\n"_s, {u"音男"_s, "b"}},
        {"full-width spaces kept", u"　山田　太郎　,x"_s, {u"　山田　太郎　"_s, "x"}},
        {"quoted field keeps comma and blanks", u"\" 山田, 太郎\",78"_s, {u" 山田, 太郎"_s, "78"}},
        {"after the closing quote dropped up to the comma", u"  \"a\"xyz,b"_s, {"a", "b"}},
        {"a doubled quote is not an escape", u"\"a\"\"b\",c"_s, {"a", "c"}},
        {"quoted field runs over a line end", u"\"a\r\nb\",c"_s, {u"a\r\nb"_s, "c"}},
        {"quote never closed runs to the end", u"x,\"abc\r\nd,e"_s, {"x", u"abc\r\nd,e"_s}},
        {"quote inside an unquoted field is a character", u"ab\"c,d"_s, {"ab\"c", "d"}},
        {"closing quote, then the line end", u"\"\"\r\nb"_s, {"", "b"}},
        {"no empty field after a final separator", u"a,"_s, {"a"}},
        {"trailing blanks at the end are one empty field", u"a,   "_s, {"a", ""}},
        {"empty text has no field", QString(), {}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(readAll(c.text), c.fields) << c.name;
}

TEST(SplitLines, CountsLinesAsThePreviewDoes)
{
    const struct {
        const char* name;
        QString text;
        QStringList lines;
    } cases[] = {
        {"empty text", QString(), {}},
        {"last line without line end counts", u"a\r\nb"_s, {"a", "b"}},
        {"lone CR and lone LF", u"a\rb\nc\r\n"_s, {"a", "b", "c"}},
        {"LF CR is two line ends", u"a\n\r"_s, {"a", ""}},
        {"quotes do not join lines", u"\"x\r\ny\""_s, {"\"x", "y\""}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(splitLines(c.text), c.lines) << c.name;
}
