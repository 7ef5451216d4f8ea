#include "shell/frmface.h"

#include "common/fonts.h"
#include "shell/centrewindow.h"

#include <QLabel>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QTimer>

namespace shell {

QPixmap splashPicture()
{
    QPixmap pixmap(445, 244);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient sky(0, 0, 0, 244);
    sky.setColorAt(0, QColor(24, 72, 132));
    sky.setColorAt(1, QColor(140, 196, 236));
    p.fillRect(pixmap.rect(), sky);

    // A stylised snowflake: the trade of the shop, cold.
    p.save();
    p.translate(352, 112);
    p.setPen(QPen(QColor(255, 255, 255, 200), 5, Qt::SolidLine, Qt::RoundCap));
    for (int arm = 0; arm < 6; ++arm) {
        p.drawLine(0, 0, 0, -62);
        p.drawLine(0, -38, -14, -52);
        p.drawLine(0, -38, 14, -52);
        p.drawLine(0, -18, -10, -28);
        p.drawLine(0, -18, 10, -28);
        p.rotate(60);
    }
    p.restore();

    // A wrench across the lower band.
    QPainterPath wrench;
    wrench.addRoundedRect(QRectF(40, 196, 210, 14), 7, 7);
    wrench.addEllipse(QPointF(40, 203), 16, 16);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 255, 255, 90));
    p.drawPath(wrench);

    p.setPen(Qt::white);
    QFont title = common::cjkFont(QStringLiteral("黑体"), 30, true);
    p.setFont(title);
    p.drawText(QRect(36, 40, 300, 60), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("Corvale"));
    p.setFont(common::cjkFont(QStringLiteral("黑体"), 16));
    p.drawText(QRect(38, 100, 300, 34), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("维修登记管理系统"));
    p.setFont(common::cjkFont(QStringLiteral("宋体"), 11));
    p.drawText(QRect(40, 136, 300, 24), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("冰箱 · 空调  V3.0"));
    p.setPen(QColor(255, 255, 255, 160));
    p.drawText(QRect(260, 214, 175, 24), Qt::AlignRight | Qt::AlignVCenter, QStringLiteral("正在启动……"));
    return pixmap;
}

frmFace::frmFace(QWidget *parent) : QWidget(parent, Qt::Window | Qt::MSWindowsFixedSizeDialogHint)
{
    setObjectName(QStringLiteral("frmFace"));
    setWindowTitle(QStringLiteral("Corvale"));
    setFixedSize(445, 244);
    setCursor(Qt::WaitCursor);
    auto *image = new QLabel(this);
    image->setObjectName(QStringLiteral("Image1"));
    image->setGeometry(rect());
    image->setPixmap(splashPicture());

    m_timer = new QTimer(this);
    m_timer->setObjectName(QStringLiteral("tmrControl"));
    m_timer->setInterval(2000);
    connect(m_timer, &QTimer::timeout, this, [this] {
        m_timer->stop();
        if (m_fired)
            return;
        m_fired = true;
        emit timerFired();
    });
    m_timer->start();
    centreWindow(this);
}

} // namespace shell
