#pragma once
// A long step the clerk waits for (the jobs moved onto a server, a backup
// put back onto one): how far it has come, with 取消, in a window-modal
// dialog that keeps every window painting while the step goes on.
#include <QProgressDialog>
#include <QString>

namespace common {

class StepProgress {
public:
    // label says how far, %1 being what is done and %2 all of it
    // ("已复制 %1 / %2 条记录").
    StepProgress(QWidget *parent, const QString &title, const QString &label);
    StepProgress(const StepProgress &) = delete;
    StepProgress &operator=(const StepProgress &) = delete;

    // For the step to call as it goes: false once the clerk pressed 取消.
    bool tell(qint64 done, qint64 all);

private:
    QProgressDialog m_dialog;
    QString m_label;
};

} // namespace common
