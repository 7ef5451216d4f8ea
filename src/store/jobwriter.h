#pragma once
// Every write to the jobs of a record set: the current row's edit buffer
// saved (the repaired flag saved at once goes this way too), a new job
// appended, the current job copied or deleted, an action statement run.
// On a server each write to an existing job carries the row version the
// screen read (RecordSet::shownVersion): when another desk changed the job
// since, nothing is written and the failure says what it holds now; when
// another desk deleted it, the failure says so and the set lets go of it.
#include "store/storeerror.h"

#include <QVariantMap>
#include <memory>

namespace store {

class RecordSet;

class JobWriter {
public:
    // set must outlive the writer.
    explicit JobWriter(RecordSet &set);
    ~JobWriter();
    JobWriter(const JobWriter &) = delete;
    JobWriter &operator=(const JobWriter &) = delete;

    // Writes the set's edit buffer in one transaction: for an edit only the
    // fields set since edit(), for a new row every field. A refused save
    // leaves the stored row as it was and keeps the buffer; the error names
    // the first refused field in table order. A new row joins the end of the
    // set; the current row stays the one before addNew.
    common::Result<void> save();

    // Removes the current row. Afterwards there is no current row until a
    // move: movePrevious gives the row before, moveNext the row after.
    common::Result<void> deleteCurrent();

    // Adds a new job numbered `number`, which joins the end of the set, and
    // returns the number it got. A number the set already shows is refused
    // (3022); one another desk took since the set was read gives way to the
    // next free number. The current row stays the one before.
    common::Result<qint16> appendJob(qint16 number);

    // Inserts, in one transaction, a copy of the current row (as the screen
    // read it) numbered newNumber with the fields in overrides replaced, and
    // its photo where the database keeps photos. The copy joins the end of
    // the set; the position does not change. Returns the copy's key. A taken
    // number is refused (3022) — on a server only where the set shows it: one
    // another desk took since the set was read gives way to the next free one.
    common::Result<qint64> copyCurrent(qint16 newNumber, const QVariantMap &overrides);

    // Runs an action statement (the copy's INSERT ... SELECT) on the file.
    common::Result<void> execute(const QString &jetStatement);

private:
    // Whether a row numbered so exists and is one this set shows.
    common::Result<bool> numberShown(qint16 number);
    common::Result<qint64> copyAs(qint16 newNumber, const QVariantMap &overrides);
    common::Result<void> insertBuffer();
    common::Result<void> updateBuffer();
    // Why a write to key found no row of the version the screen read.
    common::Result<void> changedOrGone(qint64 key, const QString &notDone);

    RecordSet &m_set;
    struct Statements;
    std::unique_ptr<Statements> m_statements;
};

} // namespace store
