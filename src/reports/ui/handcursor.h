#pragma once
// The hand picture of the report panel: its window icon and the pointer over
// report captions. Drawn, so no maker's artwork is needed.
#include <QCursor>
#include <QPixmap>

namespace reports {

QPixmap handPixmap();
QCursor handCursor();

} // namespace reports
