#pragma once
// Window geometry is given in twips; 15 twips make one pixel at 96 DPI.
#include <QRect>
#include <QRectF>
#include <QtMath>

namespace common {

constexpr double kTwipsPerPixel = 15.0;
constexpr double kTwipsPerInch = 1440.0;
constexpr double kMmPerInch = 25.4;

constexpr int px(int twips) { return twips >= 0 ? (twips * 2 + 15) / 30 : -((-twips * 2 + 15) / 30); }
inline QRect twipRect(int left, int top, int width, int height)
{
    return QRect(px(left), px(top), px(width), px(height));
}
constexpr double twipsToMm(double twips) { return twips / kTwipsPerInch * kMmPerInch; }
constexpr double twipsToPoints(double twips) { return twips / 20.0; }

} // namespace common
