#pragma once
// The run of the program: splash, the one-copy test, the database, the
// workspace, and the end.
#include "common/sitesettings.h"
#include "shell/instanceguard.h"

#include <QObject>
#include <memory>

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
    void editSettings(int page);
    // Copies every job of the data folder's file onto the (empty) server the
    // program works on, after asking; the file stays as it was.
    void moveLocalDataToServer();

    workspace::frmCorvale *workspace() const { return m_workspace.get(); }
    frmFace *splash() const { return m_splash.get(); }

signals:
    // The program should end with this exit code.
    void finished(int exitCode);

private:
    QString m_folder;
    InstanceGuard m_guard;
    std::unique_ptr<frmFace> m_splash;
    std::unique_ptr<store::Database> m_db;
    std::unique_ptr<workspace::frmCorvale> m_workspace;
    QString m_settingsPath;
    common::SiteSettings m_settings;
    bool m_timerDone = false;
};

// Why the program cannot run in a data folder it may not write.
QString folderNotWritableText(const QString &folder);
// The notice for values of corvale.ini that fell back to their defaults.
QString settingsWarningText(const QStringList &warnings);
// Takes the start-up snapshot of an existing database; the message to show
// when it failed, empty otherwise.
QString backUpAtStart(const QString &dbPath, int keep);
QString backUpServerAtStart(const store::Database &server, const QString &folder, int keep);
QString moveToServerQuestion(int jobs, const QString &server);

} // namespace shell
