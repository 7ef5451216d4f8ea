#pragma once
// Back colours as the forms give them (RGB), set through the palette so the
// Fusion style honours them and tests can read them back.
#include <QColor>
#include <QPushButton>
#include <QWidget>

namespace common {

inline void setBackColor(QWidget *w, const QColor &c)
{
    QPalette p = w->palette();
    p.setColor(QPalette::Window, c);
    p.setColor(QPalette::Button, c);
    w->setPalette(p);
    w->setAutoFillBackground(true);
}

inline QColor backColor(const QWidget *w) { return w->palette().color(QPalette::Button); }

// A control named as the window calls it, at its place.
template <typename W>
W *placed(W *widget, const char *name, const QRect &geometry)
{
    widget->setObjectName(QLatin1String(name));
    widget->setGeometry(geometry);
    return widget;
}

// A command button of a dialog window: its back colour, and Enter in a box
// does not press it.
inline QPushButton *dialogButton(QWidget *parent, const char *name, const QString &caption, const QRect &geometry,
                                 const QColor &back)
{
    auto *button = placed(new QPushButton(caption, parent), name, geometry);
    setBackColor(button, back);
    button->setAutoDefault(false);
    return button;
}

// The design colour of the workspace buttons, light orange.
inline QColor buttonColor() { return QColor(255, 224, 192); }

// The query button's mark while a filter is in force.
inline QColor filterMarkColor() { return QColor(255, 0, 0); }

} // namespace common
