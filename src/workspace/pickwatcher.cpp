#include "workspace/pickwatcher.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>

namespace workspace {

PickWatcher::PickWatcher(QComboBox *combo) : QObject(combo)
{
    if (QLineEdit *edit = combo->lineEdit()) {
        connect(edit, &QLineEdit::textEdited, this, [this] { m_typed = true; });
        edit->installEventFilter(this);
    }
    combo->installEventFilter(this);
    combo->view()->installEventFilter(this);
    connect(combo, &QComboBox::activated, this, [this] {
        const bool typed = m_typed;
        m_typed = false;
        if (!typed)
            emit picked();
    });
}

bool PickWatcher::eventFilter(QObject *, QEvent *event)
{
    switch (event->type()) {
    case QEvent::Show: // the list opens
    case QEvent::Wheel:
        m_typed = false;
        break;
    case QEvent::KeyPress:
        switch (static_cast<QKeyEvent *>(event)->key()) {
        case Qt::Key_Up:
        case Qt::Key_Down:
        case Qt::Key_PageUp:
        case Qt::Key_PageDown:
        case Qt::Key_Home:
        case Qt::Key_End:
            m_typed = false;
            break;
        default:
            break;
        }
        break;
    default:
        break;
    }
    return false;
}

} // namespace workspace
