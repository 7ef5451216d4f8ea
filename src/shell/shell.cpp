#include "shell/shell.h"

#include "common/busycursor.h"
#include "common/prompt.h"
#include "shell/centrewindow.h"
#include "shell/frmface.h"
#include "shell/startup.h"
#include "store/database.h"
#include "store/fields.h"
#include "workspace/frmcorvale.h"

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
    if (m_guard.anotherCopyRunning()) {
        common::say(QStringLiteral("本程序已经运行，立即退出！"), common::appTitle());
        emit finished(0);
        return;
    }
    if (m_splash)
        m_splash->close();
    const QDir folder(m_folder);
    m_db = openWorkingDatabase(folder.filePath(store::databaseFileName()));
    if (!m_db) {
        emit finished(1);
        return;
    }
    const common::SiteSettings settings = common::SiteSettings::load(folder.filePath(common::settingsFileName()));
    {
        const common::BusyCursor busy;
        m_workspace = std::make_unique<workspace::frmCorvale>(*m_db, settings);
    }
    connect(m_workspace.get(), &workspace::frmCorvale::closed, this, [this] { emit finished(0); });
    m_workspace->show();
    centreWindow(m_workspace.get());
}

} // namespace shell
