#include "shell/shell.h"

#include "common/clock.h"
#include "common/regularfile.h"
#include "common/ui/busycursor.h"
#include "common/ui/stepprogress.h"
#include "common/ui/prompt.h"
#include "shell/centrewindow.h"
#include "shell/frmface.h"
#include "shell/restorewindow.h"
#include "reports/catalogue/definition.h"
#include "shell/startup.h"
#include "store/backup.h"
#include "store/database.h"
#include "store/fields.h"
#include "store/jobcopy.h"
#include "store/rowreader.h"
#include "store/serveraddress.h"
#include "workspace/frmcorvale.h"
#include "workspace/settingsdialog.h"

#include <QAction>
#include <QDir>
#include <QFileInfo>

namespace shell {

Shell::Shell(const QString &dataFolder, QObject *parent)
    : QObject(parent), m_guard(QDir(dataFolder).filePath(instanceLockName()))
{
    m_shop.folder = dataFolder;
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
        common::say(folderNotWritableText(m_shop.folder), QStringLiteral("警告"), common::Icon::Critical);
        emit finished(1);
        return;
    case InstanceGuard::State::LockNotAFile:
        common::say(QStringLiteral("数据文件夹中的 %1 是%2，不是本程序的锁文件（它防止同一文件夹被打开两次）。\n"
                                   "请把它移走或改名后再启动本程序：\n%3")
                        .arg(instanceLockName(), m_guard.notAFile(),
                             QDir::toNativeSeparators(m_shop.file(instanceLockName()))),
                    QStringLiteral("警告"), common::Icon::Critical);
        emit finished(1);
        return;
    }
    if (m_splash)
        m_splash->close();
    m_settingsPath = m_shop.file(common::settingsFileName());
    const common::Result<common::LoadedSettings> loaded = common::SiteSettings::load(m_settingsPath);
    m_shop.settings = loaded.ok() ? loaded->settings : common::SiteSettings::defaults();
    if (const QString notice = settingsNotice(loaded, m_settingsPath); !notice.isEmpty())
        common::say(notice, QStringLiteral("提示"), common::Icon::Warning);
    if (const QString notice = readablePasswordText(m_settingsPath, m_shop.settings.databaseServer); !notice.isEmpty())
        common::say(notice, QStringLiteral("提示"), common::Icon::Warning);
    const std::optional<common::Result<store::Backup>> backup = openJobTable();
    if (!backup) {
        emit finished(1);
        return;
    }
    // Said together, so a full disk that stops both is one message.
    if (const QString notice = goingOnNotice({backupNotice(*backup), prepareDatabase()});
        !notice.isEmpty())
        common::say(notice, QStringLiteral("警告"), common::Icon::Warning);
    if (const auto written = reports::ensureReportDefinitions(m_shop.folder); written.failed())
        common::say(written.error(), QStringLiteral("警告"), common::Icon::Warning);
    else if (!written->isEmpty())
        common::say(QStringLiteral("“报表”中这些报表定义是空的（多半是上次磁盘满了），已重新写入自带的定义：\n%1")
                        .arg(written->join(QStringLiteral("、"))),
                    QStringLiteral("提示"), common::Icon::Information);
    showWorkspace();
    // A slow share or stick takes its time while the clerk already works.
    if (backup->ok() && !(*backup)->snapshotPath.isEmpty() && !m_shop.settings.backupCopyFolder.isEmpty()) {
        connect(&m_secondCopy, &SecondCopy::done, this, &Shell::onSecondCopyDone, Qt::UniqueConnection);
        m_secondCopy.start((*backup)->snapshotPath, m_shop.settings.backupCopyFolder, m_shop.settings.backupCount);
    }
}

std::optional<common::Result<store::Backup>> Shell::openJobTable()
{
    // A server given by --database is not the clerk's to edit here.
    const bool lineOfSettings = store::givenServer().isEmpty();
    const common::Result<QString> located = store::jobTableLocation(m_shop.folder, m_shop.settings);
    if (located.failed()) {
        if (lineOfSettings)
            return correctServerLine(located.error().text, located.error().detail) ? openJobTable() : std::nullopt;
        common::say(located.error(), QStringLiteral("警告"), common::Icon::Critical);
        return std::nullopt;
    }
    // Found once: a server line changed in the settings counts from the next start.
    m_shop.jobTable = *located;
    const QString &location = m_shop.jobTable;
    if (store::isServerAddress(location)) {
        common::Result<std::unique_ptr<store::Database>> opened = store::Database::open(location);
        if (opened.failed()) {
            const QString refusal = serverRefusedText(location, opened.error().text);
            if (lineOfSettings)
                return correctServerLine(refusal, opened.error().detail) ? openJobTable() : std::nullopt;
            common::say(refusal, QStringLiteral("警告"), common::Icon::Critical, common::Buttons::Ok,
                        opened.error().detail);
            return std::nullopt;
        }
        m_db = std::move(opened).value();
        return store::backupServerOnStart(*m_db, m_shop.folder, m_shop.settings.backupCount);
    }
    // The snapshot comes before anything at all is written to the file. Its
    // failure is told once the file has opened: a file that cannot be opened
    // is said once, by the open.
    store::removeUnfinishedRestore(location);
    common::Result<store::Backup> backup = store::Backup{};
    if (store::detectFileKind(location) == store::FileKind::SQLite)
        backup = store::backupOnStart(location, m_shop.settings.backupCount);
    m_db = openWorkingDatabase(location);
    if (!m_db)
        return std::nullopt;
    return backup;
}

bool Shell::correctServerLine(const QString &refusal, const QString &detail)
{
    if (common::say(refusal + QStringLiteral("\n\n现在打开“基础资料设置 → 数据库服务器”改正吗？选“否”则退出本程序。"),
                    QStringLiteral("警告"), common::Icon::Critical, common::Buttons::YesNo, detail)
        != common::Answer::Yes)
        return false;
    common::SiteSettings edited = m_shop.settings;
    if (!workspace::SettingsDialog::edit(nullptr, common::SettingsPage::Database, edited, m_settingsPath))
        return false;
    m_shop.settings = edited;
    return true;
}

void Shell::onSecondCopyDone(const common::Result<QString> &copied)
{
    if (copied.failed())
        common::say(secondCopyFailedText(copied.error()), QStringLiteral("警告"), common::Icon::Warning,
                    common::Buttons::Ok, copied.error().detail);
}

QString Shell::prepareDatabase()
{
    // After the snapshot, so the file as it was stays restorable.
    const auto e = store::bringUpToDate(*m_db);
    return e.failed() ? e.error().text : QString();
}

void Shell::showWorkspace()
{
    {
        const common::BusyCursor busy;
        m_workspace = std::make_unique<workspace::frmCorvale>(*m_db, m_shop);
    }
    connect(m_workspace.get(), &workspace::frmCorvale::settingsRequested, this, &Shell::editSettings);
    connect(m_workspace.get(), &workspace::frmCorvale::moveToServerRequested, this, &Shell::moveLocalDataToServer);
    // Queued: the restore replaces the workspace whose menu asked for it.
    connect(m_workspace.get(), &workspace::frmCorvale::restoreRequested, this, &Shell::restoreFromBackup,
            Qt::QueuedConnection);
    connect(m_workspace.get(), &workspace::frmCorvale::closed, this, [this] { emit finished(0); });
    // It sizes and places itself within the screen as it first shows.
    m_workspace->show();
}

void Shell::editSettings(common::SettingsPage page)
{
    if (!m_workspace)
        return;
    common::SiteSettings edited = m_shop.settings;
    if (!workspace::SettingsDialog::edit(m_workspace.get(), page, edited, m_settingsPath))
        return;
    m_shop.settings = edited;
    m_workspace->applySettings();
}

void Shell::moveLocalDataToServer()
{
    if (!m_workspace || !m_db || m_db->engine() != store::Engine::PostgreSQL)
        return;
    const QString local = QDir(m_shop.folder).filePath(store::databaseFileName());
    if (store::detectFileKind(local) != store::FileKind::SQLite) {
        common::say(QStringLiteral("数据文件夹中没有本机的数据库文件：\n%1").arg(QDir::toNativeSeparators(local)),
                    QStringLiteral("提示"), common::Icon::Information);
        return;
    }
    const common::Result<std::unique_ptr<store::Database>> opened = store::Database::open(local);
    if (opened.failed()) {
        common::say(openFailedText(local, opened.error().text), QStringLiteral("警告"), common::Icon::Critical, common::Buttons::Ok, opened.error().detail);
        return;
    }
    const std::unique_ptr<store::Database> &file = *opened;
    const common::Result<int> count = store::jobCount(*file);
    if (count.failed()) {
        common::say(count.error(), QStringLiteral("警告"), common::Icon::Critical);
        return;
    }
    const QString server = store::displayedAddress(m_db->path());
    if (common::say(moveToServerQuestion(*count, server), QStringLiteral("提示"), common::Icon::Question,
                    common::Buttons::YesNo) != common::Answer::Yes)
        return;
    const common::Result<store::CopiedJobs> moved = [&] {
        common::StepProgress progress(m_workspace.get(), QStringLiteral("把本机数据移到服务器"),
                                      QStringLiteral("正在把记录复制到服务器 %1……\n已复制 %2 / %3 条记录").arg(server));
        return store::copyAllJobs(*file, *m_db, [&](qint64 done, qint64 all) { return progress.tell(done, all); });
    }();
    if (moved.failed() && moved.error().code == store::code::Stopped) {
        common::say(QStringLiteral("已取消：服务器上没有移入任何记录，本机的数据文件没有改动。"), QStringLiteral("提示"),
                    common::Icon::Information);
        return;
    }
    if (moved.failed()) {
        common::say(QStringLiteral("没有移入任何记录：%1").arg(moved.error().text), QStringLiteral("警告"),
                    common::Icon::Critical, common::Buttons::Ok, moved.error().detail);
        return;
    }
    QString done = QStringLiteral("已把 %1 条记录移到服务器 %2。本机的数据文件没有改动。").arg(moved->jobs).arg(server);
    if (moved->photos > 0)
        done += QStringLiteral("\n记录的照片（%1 张）也已放到服务器上，每台电脑都能看到。").arg(moved->photos);
    if (!moved->photosLeftOut.isEmpty())
        done += QStringLiteral("\n以下 %1 条记录的照片没有找到或无法读取，没有移过去：\n%2")
                    .arg(moved->photosLeftOut.size())
                    .arg(moved->photosLeftOut.mid(0, 5).join(u'\n')
                         + (moved->photosLeftOut.size() > 5 ? QStringLiteral("\n……") : QString()));
    common::say(done, QStringLiteral("提示"), common::Icon::Information);
    m_workspace->commands().refresh->trigger();
}

namespace {

struct ChosenRestore {
    store::SnapshotSummary snapshot;
    std::unique_ptr<store::StagedRestore> staged;
};

// The clerk picks one of dbPath's snapshots; it is checked and staged, and
// the clerk confirms. Nothing when the clerk stopped or the snapshot was
// refused (which is said).
std::optional<ChosenRestore> chooseRestore(QWidget *parent, const QString &dbPath, RestoreInto into)
{
    const std::optional<store::SnapshotSummary> chosen = RestoreWindow::choose(parent, store::snapshots(dbPath), into);
    if (!chosen)
        return std::nullopt;
    common::Result<std::unique_ptr<store::StagedRestore>> staged = [&] {
        const common::BusyCursor busy;
        return store::StagedRestore::prepare(chosen->path, dbPath);
    }();
    if (staged.failed()) {
        common::say(staged.error(), QStringLiteral("警告"), common::Icon::Warning);
        return std::nullopt;
    }
    if (common::say(restoreQuestion(*chosen, into), QStringLiteral("提示"), common::Icon::Question,
                    common::Buttons::YesNo) != common::Answer::Yes)
        return std::nullopt;
    return ChosenRestore{*chosen, std::move(*staged)};
}

} // namespace

void Shell::restoreFromBackup()
{
    if (!m_workspace || !m_db)
        return;
    if (m_db->engine() == store::Engine::PostgreSQL) {
        restoreIntoServer();
        return;
    }
    const QString dbPath = m_db->path();
    std::optional<ChosenRestore> chosen = chooseRestore(m_workspace.get(), dbPath, RestoreInto::DataFile);
    if (!chosen)
        return;
    // What was typed goes into the snapshot below, so the restore can be undone.
    if (!m_workspace->saveNow())
        return;
    common::Result<store::Backup> before = store::Backup{};
    {
        const common::BusyCursor busy;
        before = store::backupOnStart(dbPath, m_shop.settings.backupCount);
    }
    if (!before.ok()) {
        common::say(QStringLiteral("没有恢复：现在的数据没能先备份。\n%1").arg(before.error().text),
                    QStringLiteral("警告"), common::Icon::Critical, common::Buttons::Ok, before.error().detail);
        return;
    }
    swapInAndReopen(*chosen->staged, chosen->snapshot, before->snapshotPath);
}

void Shell::swapInAndReopen(store::StagedRestore &staged, const store::SnapshotSummary &chosen,
                            const QString &preRestoreSnapshot)
{
    const QString dbPath = m_db->path();
    // Every connection to the file closes before it is replaced.
    m_workspace.reset();
    m_db.reset();
    const common::Result<void> swapped = staged.swapIn();
    m_db = openWorkingDatabase(dbPath);
    if (!m_db) {
        emit finished(1);
        return;
    }
    if (const QString notice = goingOnNotice({prepareDatabase()}); !notice.isEmpty())
        common::say(notice, QStringLiteral("警告"), common::Icon::Warning);
    showWorkspace();
    if (swapped.failed()) {
        common::say(QStringLiteral("没有恢复，数据保持原样：%1").arg(swapped.error().text), QStringLiteral("警告"),
                    common::Icon::Critical, common::Buttons::Ok, swapped.error().detail);
        return;
    }
    common::say(QStringLiteral("已用 %1 的备份恢复，共 %2 条记录。\n恢复之前的数据保存在 %3，需要时可以同样恢复回去。")
                    .arg(chosen.takenAt.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")))
                    .arg(chosen.jobs)
                    .arg(QDir::toNativeSeparators(preRestoreSnapshot)),
                QStringLiteral("提示"), common::Icon::Information);
}

void Shell::restoreIntoServer()
{
    const QString server = store::displayedAddress(m_db->path());
    const common::Result<int> jobs = store::jobCount(*m_db);
    if (!jobs.ok()) {
        common::say(jobs.error(), QStringLiteral("警告"), common::Icon::Critical);
        return;
    }
    if (*jobs > 0) {
        common::say(QStringLiteral("服务器 %1 上已有 %2 条维修记录。备份只能恢复到服务器上的空表中，"
                                   "以免覆盖别的电脑正在使用的记录。\n\n"
                                   "请先关闭各台电脑上的本程序，由管理员在服务器上另建一个空的数据库"
                                   "（原来的数据库改名保留，做法见说明书“从备份恢复”一节），"
                                   "再启动本程序，从这里恢复。")
                        .arg(server)
                        .arg(*jobs),
                    QStringLiteral("提示"), common::Icon::Information);
        return;
    }
    const std::optional<ChosenRestore> chosen =
        chooseRestore(m_workspace.get(), QDir(m_shop.folder).filePath(store::databaseFileName()),
                      RestoreInto::EmptyServer);
    if (!chosen)
        return;
    const common::Result<store::CopiedJobs> copied = [&]() -> common::Result<store::CopiedJobs> {
        const auto file = store::Database::open(chosen->staged->path());
        if (file.failed())
            return file.error();
        common::StepProgress progress(m_workspace.get(), QStringLiteral("从备份恢复"),
                                      QStringLiteral("正在把备份装入服务器 %1……\n已装入 %2 / %3 条记录").arg(server));
        return store::copyAllJobs(**file, *m_db, [&](qint64 done, qint64 all) { return progress.tell(done, all); });
    }();
    if (copied.failed() && copied.error().code == store::code::Stopped) {
        common::say(QStringLiteral("已取消：服务器上的表仍是空的，没有恢复任何记录。"), QStringLiteral("提示"),
                    common::Icon::Information);
        return;
    }
    if (copied.failed()) {
        common::say(QStringLiteral("没有恢复任何记录：%1").arg(copied.error().text), QStringLiteral("警告"),
                    common::Icon::Critical, common::Buttons::Ok, copied.error().detail);
        return;
    }
    common::say(QStringLiteral("已把备份中的 %1 条记录恢复到服务器 %2。").arg(copied->jobs).arg(server),
                QStringLiteral("提示"), common::Icon::Information);
    m_workspace->commands().refresh->trigger();
}

QString restoreQuestion(const store::SnapshotSummary &snapshot, RestoreInto into)
{
    const QString what = QStringLiteral("%1 的备份（%2 条记录，最大编号 %3）")
                             .arg(snapshot.takenAt.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")))
                             .arg(snapshot.jobs)
                             .arg(snapshot.highestJob);
    if (into == RestoreInto::EmptyServer)
        return QStringLiteral("把 %1 装入服务器上的空表吗？\n装入后，各台电脑都会看到这些记录。").arg(what);
    return QStringLiteral("用 %1 替换现在的全部维修记录吗？\n替换之前，现在的数据会先备份一次。").arg(what);
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

QString settingsNotice(const common::Result<common::LoadedSettings> &loaded, const QString &settingsPath)
{
    const QString notAFile = common::notRegularKind(settingsPath);
    if (loaded.failed() && !notAFile.isEmpty())
        return QStringLiteral("数据文件夹中的 %1 是%2，不是设置文件。\n本次全部使用默认设置，在基础资料设置中也无法保存。"
                              "请把它删除或改名：\n%3")
            .arg(QFileInfo(settingsPath).fileName(), notAFile, QDir::toNativeSeparators(settingsPath));
    // Only a file that is no settings text can be replaced on saving; one
    // that could not be read at all (a folder, a pipe, a link out of the
    // folder) is left alone, and saving says so.
    if (loaded.failed() && loaded.error().code == common::settingsCode::NotText)
        return QStringLiteral("设置文件没有读取：%1。\n本次全部使用默认设置；在基础资料设置中保存时，会先询问是否替换它"
                              "（原文件保留为 corvale.ini.bak）。")
            .arg(loaded.error().text);
    if (loaded.failed())
        return QStringLiteral("设置文件没有读取：%1\n本次全部使用默认设置。").arg(loaded.error().text);
    const QStringList &notes = loaded->notes;
    if (notes.isEmpty())
        return {};
    // A few lines say what is wrong; a box taller than the screen says nothing.
    constexpr int shown = 6;
    QStringList lines = notes.mid(0, shown);
    // A line that was not read is repeated, and may be a server address.
    for (QString &line : lines) {
        // Cut short, it may end in the password before its "@".
        if (!line.contains(u'@') && !line.contains(QLatin1String("://"))
            && !line.contains(QLatin1String("password"), Qt::CaseInsensitive))
            continue;
        const qsizetype address = qMax<qsizetype>(0, line.indexOf(QLatin1String("postgres"), 0, Qt::CaseInsensitive));
        line = line.left(address) + store::maskedAddress(line.mid(address));
    }
    if (notes.size() > shown)
        lines << QStringLiteral("……另有 %1 处，请打开 corvale.ini 检查。").arg(notes.size() - shown);
    return QStringLiteral("设置文件 corvale.ini：\n") + lines.join(u'\n');
}

QString backupNotice(const common::Result<store::Backup> &backup)
{
    if (!backup.ok())
        return QStringLiteral("自动备份失败：\n") + backup.error().text;
    QStringList notes;
    if (backup->clockBehind)
        notes << QStringLiteral("电脑的时钟比最新的备份还早：现在是 %1。\n请在系统设置中改正日期和时间。"
                                "在改正之前，新备份上的日期是错的；最新的备份都会保留。")
                     .arg(common::clock().now().toString(QStringLiteral("yyyy-MM-dd HH:mm")));
    return notes.join(QStringLiteral("\n\n"));
}

QString goingOnNotice(const QStringList &notices)
{
    QStringList said = notices;
    said.removeAll(QString());
    if (said.isEmpty())
        return {};
    return said.join(QStringLiteral("\n\n")) + QStringLiteral("\n\n程序照常运行。");
}

} // namespace shell
