#include "reports/ui/handcursor.h"

#include <QPainter>
#include <QPainterPath>

namespace reports {

QPixmap handPixmap()
{
    QPixmap pm(32, 32);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    QPainterPath hand;
    hand.addRoundedRect(QRectF(11, 2, 5, 16), 2.5, 2.5);   // index finger
    hand.addRoundedRect(QRectF(16, 10, 4.5, 10), 2.2, 2.2); // middle
    hand.addRoundedRect(QRectF(20.5, 11, 4.5, 9), 2.2, 2.2);
    hand.addRoundedRect(QRectF(25, 12, 4, 8), 2, 2);
    hand.addRoundedRect(QRectF(11, 14, 18, 14), 4, 4);      // palm
    hand.addRoundedRect(QRectF(5, 15, 8, 5), 2.5, 2.5);     // thumb
    p.setPen(QPen(Qt::black, 1.2));
    p.setBrush(Qt::white);
    p.drawPath(hand.simplified());
    return pm;
}

QCursor handCursor()
{
    // Hot spot at the tip of the index finger.
    return QCursor(handPixmap(), 13, 2);
}

} // namespace reports
