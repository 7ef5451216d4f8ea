#pragma once
#include <QFont>
#include <QString>

namespace common {

// Maps the Windows font families the forms name (宋体, 楷体_GB2312, 隶书, 黑体)
// to installed CJK faces, so Qt does not fall back to a Latin font.
void installFontSubstitutions();

// A font of the given family and size in points, with the substitutions above.
QFont cjkFont(const QString &family, double points, bool bold = false, bool underline = false);

} // namespace common
