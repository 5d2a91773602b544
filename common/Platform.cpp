#include "common/Platform.h"

namespace classdiv::platform {

QString fontSubstitute(const QString& family)
{
#ifdef Q_OS_WIN
    Q_UNUSED(family);
    return QString();
#else
    if (family == u"ＭＳ Ｐ明朝")
        return QStringLiteral("IPAPMincho");
    if (family == u"ＭＳ 明朝")
        return QStringLiteral("IPAMincho");
    if (family == u"ＭＳ Ｐゴシック")
        return QStringLiteral("IPAPGothic");
    if (family == u"ＭＳ ゴシック")
        return QStringLiteral("IPAGothic");
    return QString();
#endif
}

} // namespace classdiv::platform
