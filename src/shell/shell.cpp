#include "shell/shell.h"

#include "common/ui/busycursor.h"
#include "common/ui/prompt.h"
#include "shell/centrewindow.h"
#include "shell/frmface.h"
#include "reports/reportdefinition.h"
#include "shell/startup.h"
#include "store/backup.h"
#include "store/database.h"
#include "store/fields.h"
#include "store/jobcopy.h"
#include "workspace/frmcorvale.h"
#include "workspace/settingsdialog.h"

#include <QAction>
#include <QDir>

namespace shell {

Shell::Shell(const QString &dataFolder, QObject *parent)
    : QObject(parent), m_folder(dataFolder), m_guard(QDir(dataFolder).filePath(instanceLockName()))
{
}

Shell::~Shell()
{
    // The workspace's record set goes before the database it reads.
    m_workspace.reset();
    m_db.reset();
}

void Shell::start()
{
    m_splash = std::make_unique<frmFace>();
    connect(m_splash.get(), &frmFace::timerFired, this, &Shell::onSplashTimer);
    m_splash->show();
    centreWindow(m_splash.get());
}

void Shell::onSplashTimer()
{
    if (m_timerDone)
        return;
    m_timerDone = true;
    switch (m_guard.state()) {
    case InstanceGuard::State::OnlyCopy:
        break;
    case InstanceGuard::State::AnotherCopy:
        common::say(QStringLiteral("本程序已经运行，立即退出！"), common::appTitle());
        emit finished(0);
        return;
    case InstanceGuard::State::CannotLock:
        common::say(folderNotWritableText(m_folder), QStringLiteral("警告"), common::Icon::Critical);
        emit finished(1);
        return;
    }
    if (m_splash)
        m_splash->close();
    const QDir folder(m_folder);
    m_settingsPath = folder.filePath(common::settingsFileName());
    QStringList warnings;
    m_settings = common::SiteSettings::load(m_settingsPath, &warnings);
    if (!warnings.isEmpty())
        common::say(settingsWarningText(warnings), QStringLiteral("提示"), common::Icon::Warning);
    const QString location = store::jobTableLocation(m_folder);
    QString backupFailure;
    if (store::isServerAddress(location)) {
        m_db = openServerDatabase(location);
        if (!m_db) {
            emit finished(1);
            return;
        }
        backupFailure = backUpServerAtStart(*m_db, m_folder, m_settings.backupCount);
    } else {
        // The snapshot comes before anything at all is written to the file.
        // Its failure is told once the file has opened: a file that cannot
        // be opened is said once, by the open.
        backupFailure = backUpAtStart(location, m_settings.backupCount);
        m_db = openWorkingDatabase(location);
        if (!m_db) {
            emit finished(1);
            return;
        }
    }
    if (!backupFailure.isEmpty())
        common::say(backupFailure, QStringLiteral("警告"), common::Icon::Warning);
    // After the snapshot, so the file as it was stays restorable.
    if (const auto e = store::bringUpToDate(*m_db); e.failed())
        common::say(QStringLiteral("数据库文件未能更新到本版本的格式，程序照常运行：\n") + e.error().text,
                    QStringLiteral("警告"), common::Icon::Warning);
    if (const auto written = reports::ensureReportDefinitions(m_folder); written.failed())
        common::say(written.error().text, QStringLiteral("警告"), common::Icon::Warning);
    {
        const common::BusyCursor busy;
        m_workspace = std::make_unique<workspace::frmCorvale>(*m_db, m_settings);
    }
    connect(m_workspace.get(), &workspace::frmCorvale::settingsRequested, this, &Shell::editSettings);
    connect(m_workspace.get(), &workspace::frmCorvale::moveToServerRequested, this, &Shell::moveLocalDataToServer);
    connect(m_workspace.get(), &workspace::frmCorvale::closed, this, [this] { emit finished(0); });
    m_workspace->show();
    centreWindow(m_workspace.get());
}

void Shell::editSettings(int page)
{
    if (!m_workspace)
        return;
    common::SiteSettings edited = m_settings;
    if (!workspace::SettingsDialog::edit(m_workspace.get(), page, edited, m_settingsPath))
        return;
    m_settings = edited;
    m_workspace->applySettings(m_settings);
}

void Shell::moveLocalDataToServer()
{
    if (!m_workspace || !m_db || m_db->engine() != store::Engine::PostgreSQL)
        return;
    const QString local = QDir(m_folder).filePath(store::databaseFileName());
    if (store::detectFileKind(local) != store::FileKind::SQLite) {
        common::say(QStringLiteral("数据文件夹中没有本机的数据库文件：\n%1").arg(QDir::toNativeSeparators(local)),
                    QStringLiteral("提示"), common::Icon::Information);
        return;
    }
    const common::Result<std::unique_ptr<store::Database>> opened = store::Database::open(local);
    if (opened.failed()) {
        common::say(openFailedText(local, opened.error().text), QStringLiteral("警告"), common::Icon::Critical);
        return;
    }
    const std::unique_ptr<store::Database> &file = *opened;
    const common::Result<int> count = store::jobCount(*file);
    if (count.failed()) {
        common::say(count.error().text, QStringLiteral("警告"), common::Icon::Critical);
        return;
    }
    const QString server = store::displayedAddress(m_db->path());
    if (common::say(moveToServerQuestion(*count, server), QStringLiteral("提示"), common::Icon::Question,
                    common::Buttons::YesNo) != common::Answer::Yes)
        return;
    const common::Result<int> moved = [&] {
        const common::BusyCursor busy;
        return store::copyAllJobs(*file, *m_db);
    }();
    if (moved.failed()) {
        common::say(QStringLiteral("没有移入任何记录：%1").arg(moved.error().text), QStringLiteral("警告"),
                    common::Icon::Critical);
        return;
    }
    common::say(QStringLiteral("已把 %1 条记录移到服务器 %2。本机的数据文件没有改动。").arg(*moved).arg(server),
                QStringLiteral("提示"), common::Icon::Information);
    m_workspace->commands().refresh->trigger();
}

QString moveToServerQuestion(int jobs, const QString &server)
{
    return QStringLiteral("把本机数据文件中的全部 %1 条记录复制到服务器 %2 吗？\n"
                          "服务器上的表必须是空的；本机的数据文件保持不变。")
        .arg(jobs)
        .arg(server);
}

QString folderNotWritableText(const QString &folder)
{
    return QStringLiteral("无法在数据文件夹中写入文件：\n%1\n\n该文件夹是只读的，或者磁盘已满。"
                          "请检查文件夹的写入权限和磁盘空间后再启动本程序。")
        .arg(QDir::toNativeSeparators(QDir(folder).absolutePath()));
}

QString settingsWarningText(const QStringList &warnings)
{
    return QStringLiteral("设置文件 corvale.ini 中有以下内容无法识别，已改用默认值：\n")
        + warnings.join(u'\n');
}

QString backUpServerAtStart(const store::Database &server, const QString &folder, int keep)
{
    const store::BackupResult result = store::backupServerOnStart(server, folder, keep);
    if (result.outcome != store::BackupResult::Outcome::Failed)
        return {};
    return QStringLiteral("自动备份失败，程序照常运行：\n") + result.message;
}

QString backUpAtStart(const QString &dbPath, int keep)
{
    if (store::detectFileKind(dbPath) != store::FileKind::SQLite)
        return {}; // nothing of ours to back up yet
    const store::BackupResult result = store::backupOnStart(dbPath, keep);
    if (result.outcome != store::BackupResult::Outcome::Failed)
        return {};
    return QStringLiteral("自动备份失败，程序照常运行：\n") + result.message;
}

} // namespace shell
