#include "common/fonts.h"

#include <QFontDatabase>
#include <QStringList>

namespace common {

void installFontSubstitutions()
{
    const QStringList serif{QStringLiteral("AR PL UMing CN"), QStringLiteral("Noto Serif CJK SC"),
                            QStringLiteral("Noto Sans CJK SC")};
    const QStringList kai{QStringLiteral("AR PL UKai CN"), QStringLiteral("AR PL UMing CN"),
                          QStringLiteral("Noto Serif CJK SC")};
    const QStringList sans{QStringLiteral("Noto Sans CJK SC"), QStringLiteral("AR PL UMing CN")};
    QFont::insertSubstitutions(QStringLiteral("宋体"), serif);
    QFont::insertSubstitutions(QStringLiteral("SimSun"), serif);
    QFont::insertSubstitutions(QStringLiteral("楷体_GB2312"), kai);
    QFont::insertSubstitutions(QStringLiteral("楷体"), kai);
    // No calligraphic clerical face is packaged in Debian; the brush-style Kai is the nearest.
    QFont::insertSubstitutions(QStringLiteral("隶书"), kai);
    QFont::insertSubstitutions(QStringLiteral("黑体"), sans);
}

QFont cjkFont(const QString &family, double points, bool bold, bool underline)
{
    QFont font(family);
    font.setPointSizeF(points);
    font.setBold(bold);
    font.setUnderline(underline);
    return font;
}

} // namespace common
