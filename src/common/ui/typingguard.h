#pragma once
// Keeps what the clerk types where it belongs. On a text field (a line edit
// or an editable combo) it
// - swallows Alt with a letter that no command took, which the field would
//   otherwise type as the bare letter;
// - while an input method composes there (pinyin typed, no candidate chosen
//   yet), holds back the keys that would leave the field or the job: Tab,
//   Enter, Page Up/Down, the arrows up and down, Escape. The input method
//   has had them first; what it lets through must not move the clerk on.
#include <QObject>
#include <QSet>

class QWidget;

namespace common {

class TypingGuard : public QObject {
    Q_OBJECT
public:
    explicit TypingGuard(QObject *parent = nullptr) : QObject(parent) {}

    // Install it after every other filter on the field, so it sees the keys first.
    void guard(QWidget *field);
    // Whether an input method is composing in field (or in the combo it belongs to).
    bool composing(const QObject *field) const;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QSet<const QObject *> m_composing;
};

} // namespace common
