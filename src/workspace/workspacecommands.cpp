#include "workspace/workspacecontrols.h"

#include "common/sitesettings.h"

#include <QAction>
#include <QPushButton>

namespace workspace {
namespace {

QAction *action(QObject *parent, const char *name, const QString &text, bool checkable = false)
{
    auto *a = new QAction(text, parent);
    a->setObjectName(QString::fromLatin1(name));
    a->setCheckable(checkable);
    return a;
}

// The button runs its command's action and is enabled with it. Its access
// key moves to the action: a button's own access key clicks it a moment
// later (an animated click), and keys typed meanwhile would reach the row
// the command is about to leave. An action whose caption has an access key
// of its own (退出系统(&X) on the menu bar) keeps only that one: two owners
// of one key would leave it doing nothing.
void bindButton(QPushButton *b, QAction *a)
{
    const QKeySequence key = QKeySequence::mnemonic(b->text());
    b->setShortcut(QKeySequence());
    if (a->shortcut().isEmpty() && QKeySequence::mnemonic(a->text()).isEmpty())
        a->setShortcut(key);
    QObject::connect(b, &QPushButton::clicked, a, &QAction::trigger);
    QObject::connect(a, &QAction::enabledChanged, b, &QWidget::setEnabled);
    b->setEnabled(a->isEnabled());
}

} // namespace

WorkspaceCommands WorkspaceCommands::create(QObject *parent)
{
    WorkspaceCommands k;
    k.append = action(parent, "append", QStringLiteral("添加"));
    k.deleteJob = action(parent, "delete", QStringLiteral("删除"));
    k.sort = action(parent, "serial", QStringLiteral("排序"));
    k.findNumber = action(parent, "findNumber", QStringLiteral("编号查询"));
    k.search = action(parent, "Search", QStringLiteral("信息查询"));
    k.print = action(parent, "Print", QStringLiteral("打印"));
    k.refresh = action(parent, "Refresh", QStringLiteral("刷新"));
    k.copy = action(parent, "CopyRecord", QStringLiteral("复制记录"));
    k.exit = action(parent, "ExitSys", QStringLiteral("退出系统(&X)"));
    k.moveToServer = action(parent, "MoveToServer", QStringLiteral("把本机数据移到服务器…"));
    k.restoreBackup = action(parent, "RestoreBackup", QStringLiteral("从备份恢复…"));
    k.staffSettings = action(parent, "WorkerSer", QStringLiteral("员工设置"));
    k.modelSettings = action(parent, "TypeSet", QStringLiteral("型号设置"));
    k.repairTypeSettings = action(parent, "RepairType", QStringLiteral("维修类别设置"));
    k.partSettings = action(parent, "PeiJianSet", QStringLiteral("申请配件设置"));
    k.messageSettings = action(parent, "MessageSet", QStringLiteral("信息来源设置"));
    k.statistics = action(parent, "Statistics", QStringLiteral("经营统计…"));
    k.viewImage = action(parent, "ViewImage", QStringLiteral("显示图像"), true);
    k.viewTable = action(parent, "ViewTable", QStringLiteral("显示表格"), true);
    k.helpDownload = action(parent, "HelpDownload", QStringLiteral("说明书下载"));
    k.companyWeb = action(parent, "CompanyWeb", QStringLiteral("公司网站"));
    k.about = action(parent, "About", QStringLiteral("关于本软件"));
    return k;
}

QList<std::pair<QAction *, common::SettingsPage>> WorkspaceCommands::settingsPages() const
{
    // The staff page also holds the service point's particulars.
    return {{staffSettings, common::SettingsPage::ServicePoint},
            {modelSettings, common::SettingsPage::Models},
            {repairTypeSettings, common::SettingsPage::RepairTypes},
            {partSettings, common::SettingsPage::Parts},
            {messageSettings, common::SettingsPage::MessageSources}};
}

void bindButtons(const WorkspaceControls &c, const WorkspaceCommands &k)
{
    bindButton(c.cmdAppend, k.append);
    bindButton(c.cmdDeleted, k.deleteJob);
    bindButton(c.cmdSerial, k.sort);
    bindButton(c.cmdFind, k.findNumber);
    bindButton(c.cmdSearch, k.search);
    bindButton(c.cmdPrint, k.print);
    bindButton(c.cmdRenovation, k.refresh);
    bindButton(c.cmdExit, k.exit);
    bindButton(c.cmdCopy, k.copy);
}

} // namespace workspace
