#include "common/ui/typingguard.h"

#include <QComboBox>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QLineEdit>

namespace common {
namespace {

bool leavesTheField(int key)
{
    switch (key) {
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_Escape:
        return true;
    default:
        return false;
    }
}

// Alt with a printable character: AltGr (Ctrl+Alt on some keyboards) types
// real characters and passes.
bool altLetter(const QKeyEvent *key)
{
    const Qt::KeyboardModifiers m = key->modifiers();
    return (m & Qt::AltModifier) && !(m & (Qt::ControlModifier | Qt::MetaModifier)) && !key->text().isEmpty()
           && key->text().at(0).isPrint();
}

// A combo's own line edit counts as the combo: the input method may talk to
// one while the keys arrive at the other.
const QObject *fieldOf(const QObject *watched)
{
    if (auto *combo = qobject_cast<const QComboBox *>(watched->parent()); combo && combo->lineEdit() == watched)
        return combo;
    return watched;
}

} // namespace

void TypingGuard::guard(QWidget *field)
{
    QList<QWidget *> watched = {field};
    if (auto *combo = qobject_cast<QComboBox *>(field); combo && combo->lineEdit())
        watched << combo->lineEdit();
    for (QWidget *w : watched) {
        w->installEventFilter(this);
        connect(w, &QObject::destroyed, this, [this, w] { m_composing.remove(w); });
    }
}

bool TypingGuard::composing(const QObject *field) const
{
    return m_composing.contains(fieldOf(field));
}

bool TypingGuard::eventFilter(QObject *watched, QEvent *event)
{
    const QObject *field = fieldOf(watched);
    switch (event->type()) {
    case QEvent::InputMethod:
        if (static_cast<QInputMethodEvent *>(event)->preeditString().isEmpty())
            m_composing.remove(field);
        else
            m_composing.insert(field);
        return false;
    case QEvent::FocusOut:
        m_composing.remove(field);
        return false;
    case QEvent::KeyPress: {
        const auto *key = static_cast<QKeyEvent *>(event);
        if (altLetter(key))
            return true;
        return composing(field) && leavesTheField(key->key());
    }
    default:
        return false;
    }
}

} // namespace common
