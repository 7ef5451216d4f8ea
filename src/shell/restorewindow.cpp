#include "shell/restorewindow.h"

#include "common/ui/programwindow.h"

#include <QDialogButtonBox>
#include <QDir>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace shell {

QString fileSizeText(qint64 bytes)
{
    if (bytes < 1024 * 1024)
        return QStringLiteral("%1 KB").arg((bytes + 1023) / 1024);
    return QStringLiteral("%1 MB").arg(double(bytes) / (1024 * 1024), 0, 'f', 1);
}

RestoreWindow::RestoreWindow(const QStringList &snapshots, RestoreInto into, QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmRestore"));
    setWindowTitle(QStringLiteral("从备份恢复"));
    common::markProgramWindow(this);

    auto *hint = new QLabel(snapshots.isEmpty()
                                ? QStringLiteral("“备份”文件夹中还没有备份。本程序每次启动时自动备份一次。")
                                : QStringLiteral("这些是“备份”文件夹中的备份，最新的在最上面。选中一个，按“恢复”：")
                                      + (into == RestoreInto::DataFile
                                             ? QStringLiteral("现在的数据先备份一次，然后换成选中的备份。")
                                             : QStringLiteral("选中的备份装入服务器上的空表。")),
                            this);
    hint->setWordWrap(true);

    m_list = new QTreeWidget(this);
    m_list->setObjectName(QStringLiteral("lstSnapshots"));
    m_list->setRootIsDecorated(false);
    m_list->setUniformRowHeights(true);
    m_list->setHeaderLabels({QStringLiteral("备份时间"), QStringLiteral("记录数"), QStringLiteral("最大编号"),
                             QStringLiteral("大小")});
    for (const QString &path : snapshots) {
        const common::Result<store::SnapshotSummary> summary = store::summarizeSnapshot(path);
        store::SnapshotSummary row;
        auto *item = new QTreeWidgetItem(m_list);
        if (summary.ok()) {
            row = *summary;
            item->setText(1, QString::number(row.jobs));
            item->setText(2, row.jobs > 0 ? QString::number(row.highestJob) : QStringLiteral("—"));
        } else {
            // Listed all the same: choosing it says why it cannot be used.
            row.path = path;
            row.takenAt = QFileInfo(path).lastModified();
            row.bytes = QFileInfo(path).size();
            item->setText(1, QStringLiteral("无法读取"));
            item->setToolTip(1, summary.error().wholeText());
        }
        item->setText(0, row.takenAt.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")));
        item->setText(3, fileSizeText(row.bytes));
        for (int column = 1; column < 4; ++column)
            item->setTextAlignment(column, Qt::AlignRight | Qt::AlignVCenter);
        item->setToolTip(0, QDir::toNativeSeparators(path));
        m_rows << row;
    }
    m_list->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    m_list->header()->setSectionResizeMode(0, QHeaderView::Stretch);
    m_list->header()->setStretchLastSection(false);
    if (m_list->topLevelItemCount() > 0)
        m_list->setCurrentItem(m_list->topLevelItem(0));

    auto *buttons = new QDialogButtonBox(this);
    m_restore = buttons->addButton(QStringLiteral("恢复(&R)"), QDialogButtonBox::AcceptRole);
    m_restore->setObjectName(QStringLiteral("cmdRestore"));
    m_restore->setEnabled(!snapshots.isEmpty());
    QPushButton *close = buttons->addButton(QStringLiteral("关闭(&C)"), QDialogButtonBox::RejectRole);
    close->setObjectName(QStringLiteral("cmdClose"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(m_list, &QTreeWidget::itemActivated, this, &QDialog::accept);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(hint);
    layout->addWidget(m_list, 1);
    layout->addWidget(buttons);
    resize(560, 360);
    m_list->setFocus();
}

std::optional<store::SnapshotSummary> RestoreWindow::chosen() const
{
    const int row = m_list->indexOfTopLevelItem(m_list->currentItem());
    if (row < 0 || row >= m_rows.size())
        return std::nullopt;
    return m_rows.at(row);
}

std::optional<store::SnapshotSummary> RestoreWindow::choose(QWidget *parent, const QStringList &snapshots,
                                                            RestoreInto into)
{
    RestoreWindow window(snapshots, into, parent);
    if (window.exec() != QDialog::Accepted)
        return std::nullopt;
    return window.chosen();
}

} // namespace shell
