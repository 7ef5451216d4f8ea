#pragma once
// The run of the program: splash, the one-copy test, the database, the
// workspace, and the end.
#include "common/shopcontext.h"
#include "shell/instanceguard.h"
#include "shell/secondcopy.h"
#include "shell/restorewindow.h"
#include "store/backup.h"

#include <QObject>
#include <memory>
#include <optional>

namespace store { class Database; }
namespace workspace { class frmCorvale; }

namespace shell {

class frmFace;

class Shell : public QObject {
    Q_OBJECT
public:
    // dataFolder holds the database, the settings and the lock.
    explicit Shell(const QString &dataFolder, QObject *parent = nullptr);
    ~Shell() override;

    // Shows the splash window; the rest follows its timer.
    void start();
    // What the splash timer does: second copy → message and end; otherwise
    // the splash closes and the workspace opens.
    void onSplashTimer();

    // Opens the settings dialog on page; saved settings reach the workspace at once.
    void editSettings(common::SettingsPage page);
    // Copies every job of the data folder's file onto the (empty) server the
    // program works on, after asking; the file stays as it was.
    void moveLocalDataToServer();
    // 高级功能 → 从备份恢复…: a snapshot of 备份/ in the job table's place,
    // after a snapshot of the current state; into a server only when empty.
    void restoreFromBackup();

    workspace::frmCorvale *workspace() const { return m_workspace.get(); }
    frmFace *splash() const { return m_splash.get(); }
    // The start's snapshot on its way to the second backup folder.
    SecondCopy &secondCopy() { return m_secondCopy; }

signals:
    // The program should end with this exit code.
    void finished(int exitCode);

private:
    // Brings an older file up to date; what went wrong, or empty.
    QString prepareDatabase();
    // The job table opened, with the start's snapshot, or nothing when the
    // program ends (which was said).
    std::optional<common::Result<store::Backup>> openJobTable();
    // A server line of corvale.ini the desk cannot use, corrected on the spot
    // in 基础资料设置 when the clerk says so; false ends the start.
    bool correctServerLine(const QString &refusal, const QString &detail);
    void showWorkspace();
    // Says a copy to the second folder that failed.
    void onSecondCopyDone(const common::Result<QString> &copied);
    void restoreIntoServer();
    // The workspace and the database closed, the staged snapshot swapped in,
    // and both opened again (on the old file when the swap failed).
    void swapInAndReopen(store::StagedRestore &staged, const store::SnapshotSummary &chosen,
                         const QString &preRestoreSnapshot);


    InstanceGuard m_guard;
    std::unique_ptr<frmFace> m_splash;
    std::unique_ptr<store::Database> m_db;
    std::unique_ptr<workspace::frmCorvale> m_workspace;
    QString m_settingsPath;
    // Handed down to the workspace and everything it opens.
    common::ShopContext m_shop;
    bool m_timerDone = false;
    // Last, so it stops before anything else of the shell goes.
    SecondCopy m_secondCopy;
};

// Why the program cannot run in a data folder it may not write.
QString folderNotWritableText(const QString &folder);
// What start-up says of corvale.ini, once: a file it could not use, a file
// read as GBK, values that fell back to their defaults, a folder or a link
// to nothing under its name (settingsPath). A few lines at most.
QString settingsNotice(const common::Result<common::LoadedSettings> &loaded, const QString &settingsPath);
// What start-up says of its snapshot, once: a failure, a clock behind the
// snapshots. Empty when there is nothing to say. (The copy to a second
// folder follows later and says its own failure.)
QString backupNotice(const common::Result<store::Backup> &backup);
// Failures the program goes on after, in one message that says so once.
// Empty when there is nothing to say.
QString goingOnNotice(const QStringList &notices);
QString moveToServerQuestion(int jobs, const QString &server);
// Asked before a restore: what replaces what, and whether the current data
// is backed up first (only the data file's: a server is restored into an
// empty table).
QString restoreQuestion(const store::SnapshotSummary &snapshot, RestoreInto into);

} // namespace shell
