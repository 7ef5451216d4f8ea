#pragma once
// The entry rules at work on the workspace's fields: Enter, Page Up/Down,
// the checks when a date or fee field is left, the shop rule on 修理内容,
// and the fee total on a click of 合计, or Enter or Space in it.
#include <QObject>

class QComboBox;
class QLineEdit;

namespace workspace {

class JobDesk;

class EntryRuleFilter : public QObject {
    Q_OBJECT
public:
    explicit EntryRuleFilter(JobDesk &desk);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void checkLeftField(int index);
    void checkShop();
    void addUpFees();

    JobDesk &m_desk;
    QLineEdit *m_sum;
    QComboBox *m_combo8;
};

} // namespace workspace
