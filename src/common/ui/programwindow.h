#pragma once
// The program's own windows (the query and sort windows, the report panel and
// its previews, the settings and about windows) say so. Coming back to the
// workspace from one of them re-runs its activation; coming back from a
// message box, an input box, a file dialog or another program does not.
#include <QWidget>

namespace common {

inline void markProgramWindow(QWidget *window) { window->setProperty("corvaleProgramWindow", true); }

inline bool isProgramWindow(const QWidget *window)
{
    return window && window->property("corvaleProgramWindow").toBool();
}

} // namespace common
