#include "common/ui/stepprogress.h"

namespace common {

StepProgress::StepProgress(QWidget *parent, const QString &title, const QString &label)
    : m_dialog(parent), m_label(label)
{
    m_dialog.setWindowTitle(title);
    m_dialog.setWindowModality(Qt::WindowModal);
    m_dialog.setCancelButtonText(QStringLiteral("取消"));
    m_dialog.setAutoClose(false);
    m_dialog.setAutoReset(false);
    // A step done within a moment shows no window at all.
    m_dialog.setMinimumDuration(700);
    m_dialog.setLabelText(m_label.arg(0).arg(QStringLiteral("…")));
    m_dialog.setValue(0);
}

bool StepProgress::tell(qint64 done, qint64 all)
{
    m_dialog.setMaximum(int(all));
    m_dialog.setLabelText(m_label.arg(done).arg(all));
    // A modal dialog lets the windows paint and takes the clerk's 取消 here.
    m_dialog.setValue(int(done));
    return !m_dialog.wasCanceled();
}

} // namespace common
