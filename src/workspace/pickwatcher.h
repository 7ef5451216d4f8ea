#pragma once
// Tells a pick from a combo's list apart from typed text. QComboBox reports
// "activated" also when typed text that matches an entry is left; only real
// picks (the list, arrow keys, the wheel) may fill other fields.
#include <QObject>

class QComboBox;

namespace workspace {

class PickWatcher : public QObject {
    Q_OBJECT
public:
    explicit PickWatcher(QComboBox *combo);

signals:
    void picked();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    bool m_typed = false;
};

} // namespace workspace
