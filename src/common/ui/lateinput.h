#pragma once
// Keys and clicks that arrived while the program was held up waiting (for
// its database, say) are dropped once the wait is over, rather than
// delivered late to whatever the wait left on screen: the next job, or a
// message box that a stray Enter would close unread. Input typed after the
// wait, and typeahead behind a quick command, go through as always.
//
// An input event carries the window system's time of the key or click. The
// filter maps it to the program's own clock by the promptest event it has
// seen, so it can tell what was typed before a wait ended from what came
// after. Keys are judged as they come from the X server, before an input
// method takes them: what it hands on afterwards (or commits as text) no
// longer carries the time it was typed.
#include <QAbstractNativeEventFilter>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QObject>
#include <optional>

namespace common {

class LateInputFilter : public QObject, public QAbstractNativeEventFilter {
public:
    // Installed on the application for as long as it lives.
    explicit LateInputFilter(QCoreApplication *application);
    ~LateInputFilter() override;

    // A wait has just ended: what was typed or clicked until now is dropped.
    void discardUntilNow();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    bool nativeEventFilter(const QByteArray &eventType, void *message, qintptr *result) override;

private:
    quint32 now() const { return quint32(m_clock.elapsed()); }
    // Whether input the window system stamped so was typed before the wait ended.
    bool late(quint32 stamp);

    QElapsedTimer m_clock;
    // The program's time minus the event's, for the promptest event seen
    // (modulo 2^32, as the window system's time wraps).
    std::optional<quint32> m_offset;
    // Events typed before this (in the program's time) are dropped.
    std::optional<quint32> m_discardBefore;
};

} // namespace common
