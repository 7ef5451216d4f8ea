#pragma once
// The shop the program works for, found once when it starts (by the shell,
// or by corvale-render from its arguments) and handed down to every window
// and engine that needs it. Nothing below the shell looks for the data
// folder or reads corvale.ini on its own, so a change to the settings file
// counts from the next start for all of them alike.
#include "common/sitesettings.h"

#include <QDir>
#include <QString>

namespace common {

struct ShopContext {
    QString folder;        // the data folder: 报表/, 备份/, corvale.ini
    QString jobTable;      // where the jobs are: the database file, or a server address
    SiteSettings settings; // as read at start, and as edited in the program since

    // A file or folder of the data folder, e.g. "报表".
    QString file(const QString &name) const { return QDir(folder).filePath(name); }
};

} // namespace common
