#include "query/querywindows.h"

#include "store/recordset.h"

#include <QDialog>
#include <QWidget>

namespace query {

void runSearchWindow(QWidget *workspace, store::RecordSet &set)
{
    Q_UNUSED(set);
    QDialog window(workspace);
    window.setObjectName(QStringLiteral("frmSearch"));
    window.setWindowTitle(QStringLiteral("信息查询窗口"));
    window.exec();
}

void openSortWindow(QWidget *workspace, store::RecordSet &set)
{
    Q_UNUSED(set);
    auto *window = new QDialog(workspace);
    window->setObjectName(QStringLiteral("frmSerial"));
    window->setWindowTitle(QStringLiteral("排序窗口"));
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->show();
}

} // namespace query
