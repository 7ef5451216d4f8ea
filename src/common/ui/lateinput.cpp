#include "common/ui/lateinput.h"

#include <QEvent>
#include <QInputEvent>

namespace common {

namespace {

bool isUserInput(QEvent::Type type)
{
    switch (type) {
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::Wheel:
        return true;
    default:
        return false;
    }
}

// a before b on a clock that wraps.
bool before(quint32 a, quint32 b) { return qint32(a - b) < 0; }

} // namespace

LateInputFilter::LateInputFilter(QObject *application) : QObject(application)
{
    m_clock.start();
    application->installEventFilter(this);
}

void LateInputFilter::discardUntilNow() { m_discardBefore = now(); }

bool LateInputFilter::eventFilter(QObject *, QEvent *event)
{
    if (!isUserInput(event->type()))
        return false;
    const auto *input = static_cast<QInputEvent *>(event);
    // Events made up by the program itself carry no time.
    if (input->timestamp() == 0)
        return false;
    const quint32 stamp = quint32(input->timestamp());
    const quint32 offset = now() - stamp;
    if (!m_offset || before(offset, *m_offset))
        m_offset = offset;
    if (!m_discardBefore)
        return false;
    const quint32 typedAt = stamp + *m_offset;
    if (!before(typedAt, *m_discardBefore)) {
        m_discardBefore.reset();
        return false;
    }
    // An eaten shortcut request must say the key is taken, or the shortcut
    // fires anyway.
    event->accept();
    return true;
}

} // namespace common
