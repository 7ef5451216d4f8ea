#pragma once
// Which folder the program works in. Everything after start-up finds its
// files by bare name, so the choice is made once and becomes the working
// folder.
#include <QString>
#include <QStringList>

namespace shell {

struct LaunchOptions {
    QString dataFolder;      // --data, as typed
    QString database;        // --database: a shop server's address
    bool fromMenu = false;   // --from-menu: the desktop's working folder means nothing
    bool help = false;
    bool version = false;
    QString error;           // what was wrong with the arguments; empty when nothing
};

// The arguments after the program's name.
LaunchOptions parseLaunchArguments(const QStringList &arguments);
// What --help prints; the manual page corvale(1) says the same.
QString usageText();
// The first lines of it, for a wrong argument.
QString shortUsageText();

enum class FolderSource {
    Argument,       // --data
    WorkingFolder,  // started from a terminal
    Remembered,     // a menu start after the first
    Ask,            // the first menu start: folder is only the suggestion
};

struct FolderDecision {
    FolderSource source;
    QString folder; // absolute and clean
};

// --data wins; a terminal start keeps its working folder; a menu start takes
// the remembered folder, or asks with ~/Corvale suggested.
FolderDecision decideDataFolder(const LaunchOptions &options, const QString &workingFolder,
                                const QString &remembered, const QString &home);

// A folder as a user types it: "~" is home, relative is from base.
QString absoluteFolder(const QString &typed, const QString &base, const QString &home);

// Creates the folder when missing and proves it writable. The message to
// show when it is not usable, empty when it is.
QString prepareDataFolder(const QString &folder);

} // namespace shell
