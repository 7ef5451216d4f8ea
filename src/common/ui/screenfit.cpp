#include "common/ui/screenfit.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

namespace common {
namespace {

QRect freeArea(const QWidget *window)
{
    const QScreen *screen = window->screen() ? window->screen() : QGuiApplication::primaryScreen();
    return screen ? screen->availableGeometry() : QRect(0, 0, 1024, 768);
}

// The frame's share of a window's outer size: a title bar and borders.
QSize frameExtra(const QWidget *window)
{
    const QSize measured = window->frameGeometry().size() - window->geometry().size();
    return window->isVisible() && !measured.isEmpty() ? measured : QSize(12, 40);
}

} // namespace

QSize roomOnScreen(const QWidget *window) { return freeArea(window).size() - frameExtra(window); }

void fitOnScreen(QWidget *window, const QSize &wanted)
{
    const QSize size = wanted.boundedTo(roomOnScreen(window)).expandedTo(window->minimumSize());
    const QRect area = freeArea(window);
    const QSize extra = frameExtra(window);
    const QSize outer = size + extra;
    // Placed by its inside: before the window manager has framed it, a
    // position given for the frame lands on the inside, and the title bar
    // would go above the screen. The frame is taken as borders of equal
    // width with the title on top.
    const int border = extra.width() / 2;
    const int title = extra.height() - border;
    window->setGeometry(area.x() + qMax(0, (area.width() - outer.width()) / 2) + border,
                        area.y() + qMax(0, (area.height() - outer.height()) / 2) + title, size.width(),
                        size.height());
}

} // namespace common
