#pragma once
// Windows that fit the screen they open on: a laptop at 1366 × 768, or a
// desktop scaled to 150 %, has less room than the forms were drawn for.
#include <QRect>
#include <QSize>

class QWidget;

namespace common {

// The room a window may take on its screen: the free area less the window
// manager's frame (measured once the window is shown, estimated before).
QSize roomOnScreen(const QWidget *window);

// Sizes window as wanted, or as much of it as the screen leaves, and centres
// its frame in the screen's free area.
void fitOnScreen(QWidget *window, const QSize &wanted);

// The size of a scroll area showing content of a fixed size in room: the
// content plus a scroll bar (bar wide) for each way the content does not fit
// once the other bar has taken its share.
QSize sizeWithScrollBars(const QSize &content, const QSize &room, int bar);

// Centres window's frame over a place (another window), as far as its screen
// allows: the title bar and the bottom edge stay on the screen.
void centreOver(QWidget *window, const QRect &over);

// Keeps a window that grows by itself (the print dialog's 选项 >>) on its
// screen: after each resize its frame is moved back into the free area.
void keepOnScreen(QWidget *window);

} // namespace common
