#pragma once
class QWidget;

namespace shell {

// Puts a window in the middle of its screen.
void centreWindow(QWidget *window);

} // namespace shell
