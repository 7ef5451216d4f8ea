#pragma once
// What start-up does when 新客户信息.mdb is an Access file: offer the import,
// refuse formats that cannot be read, and leave the file alone otherwise.
#include "store/database.h"
#include "store/legacyimport.h"

#include <QString>

namespace shell {

enum class LegacyStep {
    NotLegacy,     // not an Access file: start-up goes on as usual
    AskToImport,   // Jet 3 / Jet 4 that reads: ask, import on yes
    RefuseNewer,   // ACE (.accdb format): cannot be read
    RefuseDamaged, // looks like Access but cannot be read
};

// The step for a file of this kind; readError is what the reader said when
// the file was tried (empty when it read fine or was not tried).
LegacyStep legacyStep(store::FileKind kind, const QString &readError);

// The texts of the dialogue, so they can be checked without running it.
QString legacyImportQuestion(const QString &fileName);
QString legacyDeclinedNotice(const QString &fileName);
QString legacyNewerFormatNotice(const QString &fileName);
QString legacyDamagedNotice(const QString &fileName, const QString &readError);
QString legacyImportFailedNotice(const QString &error);

enum class LegacyOutcome {
    NotLegacy, // go on: the file is not an Access file
    Imported,  // go on: the new database is in place, the summary was shown
    Declined,  // end: the user said no, the file is untouched
    Refused,   // end: newer or damaged format, the file is untouched
    Failed,    // end: the import failed, the original is in place
};

inline bool startUpGoesOn(LegacyOutcome o) { return o == LegacyOutcome::NotLegacy || o == LegacyOutcome::Imported; }

// Runs the whole dialogue through common::prompt(). result, when given,
// receives the import's summary.
LegacyOutcome offerLegacyImport(const QString &mdbPath, store::LegacyImport *result = nullptr);

} // namespace shell
