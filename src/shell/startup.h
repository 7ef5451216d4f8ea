#pragma once
// What start-up does with the database file it finds in the working folder.
#include "store/database.h"

#include <QString>
#include <memory>

namespace shell {

enum class DatabaseAction {
    CreateNew,   // nothing there: a new file with the schema
    Open,        // ours, or unknown: let the engine try (and say why not)
    LegacyData,  // an Access file from an older installation: offer the import
};

DatabaseAction databaseActionFor(store::FileKind kind);

// Texts the user reads at start-up.
// earlierBackups: snapshots of jobs kept before (in a file since lost, or
// on a server the desk no longer uses) found in the data folder.
QString createdText(const QString &path, int earlierBackups = 0);
QString openFailedText(const QString &path, const QString &engineText);
// What start-up says when the settings file at iniPath holds a server
// password that other accounts of this computer can read; empty otherwise.
QString readablePasswordText(const QString &iniPath, const QString &serverLine);

// Opens (or creates) the database at path, telling the user what happened.
// Nothing when the program cannot go on; the file is never overwritten.
std::unique_ptr<store::Database> openWorkingDatabase(const QString &path);
// Why the desk cannot work on the server at address, as the clerk reads it.
QString serverRefusedText(const QString &address, const QString &engineText);

} // namespace shell
