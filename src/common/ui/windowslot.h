#pragma once
// The one instance of a window that another window opens: created on first
// use, shown again while it lives, gone when it deletes itself on close or
// when its owner goes. The owner keeps the slot as a member, and the window
// is the owner's child or reset() by the owner's destructor, so nothing
// outlives the window that opened it.
#include <QPointer>
#include <QWidget>

namespace common {

template <typename W>
class WindowSlot {
public:
    // The window while it lives; nullptr before the first showing or after it went.
    W *get() const { return m_window.data(); }

    // The living window, or a new one from make() (a W* whose parent is the owner).
    template <typename Make>
    W *ensure(Make make)
    {
        if (!m_window)
            m_window = make();
        return m_window.data();
    }

    // ensure(), then shown in front with the focus.
    template <typename Make>
    W *show(Make make)
    {
        W *w = ensure(make);
        w->show();
        w->raise();
        w->activateWindow();
        return w;
    }

    // Closes and forgets the window (the next ensure() makes a new one).
    void reset() { delete m_window.data(); }

private:
    QPointer<W> m_window;
};

} // namespace common
