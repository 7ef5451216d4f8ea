#include "common/ui/lateinput.h"

#include <QCoreApplication>
#include <QEvent>
#include <QInputEvent>

#include <cstring>

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

// The X protocol's key event as it comes over the wire: its kind in the
// first byte (the top bit marks a sent one), the server's time at byte 4.
std::optional<quint32> xKeyTime(const QByteArray &eventType, const void *message)
{
    if (eventType != "xcb_generic_event_t")
        return std::nullopt;
    const auto *bytes = static_cast<const uchar *>(message);
    constexpr uchar keyPress = 2, keyRelease = 3;
    const uchar kind = bytes[0] & 0x7f;
    if (kind != keyPress && kind != keyRelease)
        return std::nullopt;
    quint32 time;
    std::memcpy(&time, bytes + 4, sizeof time);
    return time;
}

} // namespace

LateInputFilter::LateInputFilter(QCoreApplication *application) : QObject(application)
{
    m_clock.start();
    application->installEventFilter(this);
    application->installNativeEventFilter(this);
}

LateInputFilter::~LateInputFilter()
{
    if (QCoreApplication::instance())
        QCoreApplication::instance()->removeNativeEventFilter(this);
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
    if (!late(quint32(input->timestamp())))
        return false;
    // An eaten shortcut request must say the key is taken, or the shortcut
    // fires anyway.
    event->accept();
    return true;
}

bool LateInputFilter::nativeEventFilter(const QByteArray &eventType, void *message, qintptr *)
{
    const std::optional<quint32> time = xKeyTime(eventType, message);
    return time && late(*time);
}

bool LateInputFilter::late(quint32 stamp)
{
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
    return true;
}

} // namespace common
