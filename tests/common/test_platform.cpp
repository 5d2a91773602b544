#include "common/Platform.h"

#include <gtest/gtest.h>

namespace classdiv {
namespace {

TEST(Platform, EachLayoutFontHasItsOwnSubstitute)
{
    const struct {
        const char16_t* family;
        const char* substitute; // on Linux; none on Windows
    } cases[] = {
        {u"ＭＳ Ｐ明朝", "IPAPMincho"}, {u"ＭＳ 明朝", "IPAMincho"}, {u"ＭＳ Ｐゴシック", "IPAPGothic"},
        {u"ＭＳ ゴシック", "IPAGothic"}, {u"", ""}, {u"IPAMincho", ""},
    };
    for (const auto& c : cases) {
        const QString family = QString::fromUtf16(c.family);
#ifdef Q_OS_WIN
        EXPECT_EQ(platform::fontSubstitute(family), QString()) << qPrintable(family);
#else
        EXPECT_EQ(platform::fontSubstitute(family), QString::fromLatin1(c.substitute)) << qPrintable(family);
#endif
    }
}

} // namespace
} // namespace classdiv
