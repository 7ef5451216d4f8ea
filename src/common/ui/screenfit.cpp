#include "common/ui/screenfit.h"

#include <QEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#include <algorithm>

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

// Where the inside sits in the frame: borders of equal width, the title on top.
QPoint insideOfFrame(const QSize &extra) { return {extra.width() / 2, extra.height() - extra.width() / 2}; }

// Moves its window back into the free area once a resize has been framed.
class OnScreenKeeper : public QObject {
public:
    explicit OnScreenKeeper(QWidget *window) : QObject(window), m_window(window) { window->installEventFilter(this); }

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Resize && m_window->isVisible())
            QMetaObject::invokeMethod(this, &OnScreenKeeper::moveInside, Qt::QueuedConnection);
        return false;
    }

private:
    // By the inside and the frame's share, as centreOver places it: right
    // after a resize the window system may not have told the frame yet.
    void moveInside()
    {
        const QSize extra = frameExtra(m_window);
        const QRect frame(m_window->geometry().topLeft() - insideOfFrame(extra), m_window->size() + extra);
        if (!freeArea(m_window).contains(frame))
            centreOver(m_window, frame);
    }

    QWidget *m_window;
};

} // namespace

void keepOnScreen(QWidget *window) { new OnScreenKeeper(window); }

QSize roomOnScreen(const QWidget *window) { return freeArea(window).size() - frameExtra(window); }

void fitOnScreen(QWidget *window, const QSize &wanted)
{
    const QSize size = wanted.boundedTo(roomOnScreen(window)).expandedTo(window->minimumSize());
    window->resize(size);
    centreOver(window, freeArea(window));
}

QSize sizeWithScrollBars(const QSize &content, const QSize &room, int bar)
{
    bool across = content.width() > room.width();
    const bool down = content.height() + (across ? bar : 0) > room.height();
    across = across || content.width() + (down ? bar : 0) > room.width();
    return content + QSize(down ? bar : 0, across ? bar : 0);
}

void centreOver(QWidget *window, const QRect &over)
{
    const QRect area = freeArea(window);
    const QSize extra = frameExtra(window);
    QRect frame(QPoint(), window->size() + extra);
    frame.moveCenter(over.center());
    frame.moveLeft(std::clamp(frame.left(), area.left(), std::max(area.left(), area.right() + 1 - frame.width())));
    frame.moveTop(std::clamp(frame.top(), area.top(), std::max(area.top(), area.bottom() + 1 - frame.height())));
    // Placed by its inside: before the window manager has framed it, a
    // position given for the frame lands on the inside, and the title bar
    // would go above the screen.
    window->setGeometry(QRect(frame.topLeft() + insideOfFrame(extra), window->size()));
}

} // namespace common
