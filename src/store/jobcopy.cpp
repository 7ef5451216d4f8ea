#include "store/jobcopy.h"

#include "store/database.h"
#include "store/fields.h"
#include "store/jobphotos.h"
#include "store/sqldialect.h"
#include "store/storedvalue.h"

#include <QSqlError>
#include <QSqlQuery>

namespace store {

common::Result<int> jobCount(const Database &db)
{
    return retried(db, [&]() -> common::Result<int> {
        QSqlQuery q(db.sql());
        if (!db.exec(q, QStringLiteral("SELECT count(*) FROM %1").arg(quoted(tableName()))) || !db.next(q))
            return db.failure(q.lastError());
        return q.value(0).toInt();
    });
}

namespace {

// A value read from one engine in the form the other stores: a whole number
// as a whole number, texts, dates and times exactly as they are. A value
// the field cannot hold at all (text in a number column of an old file)
// stops the copy rather than go missing.
StoredValue copiedValue(const FieldDef &f, const QVariant &read)
{
    if (read.isNull())
        return {f.kind == FieldKind::YesNo ? noValue(f) : QVariant(), {}};
    switch (f.kind) {
    case FieldKind::JobNumber:
    case FieldKind::Number:
    case FieldKind::YesNo:
        return toStored(f, fromStored(f, read));
    default:
        return {read.toString(), {}};
    }
}

// The server's driver decodes text with QString::fromUtf8, which drops a
// leading byte-order mark: a text column is read behind a marker that is
// taken off again, so a copy holds every character the table holds.
bool readBehindMarker(const Database &db, const FieldDef &f)
{
    return db.engine() == Engine::PostgreSQL && f.isTextLike();
}

// SQLite takes a leading byte-order mark of a UTF-16 value (how Qt binds
// text) as the text's byte order and drops it: a text is bound behind the
// same kind of marker, which the statement takes off.
bool writtenBehindMarker(const Database &db, const FieldDef &f)
{
    return db.engine() == Engine::SQLite && f.isTextLike();
}

QString selectedColumn(const Database &db, const FieldDef &f)
{
    const QString column = quoted(f.name);
    return readBehindMarker(db, f) ? QStringLiteral("'.' || %1").arg(column) : column;
}

QVariant unmarked(const Database &db, const FieldDef &f, const QVariant &read)
{
    return readBehindMarker(db, f) && !read.isNull() ? QVariant(read.toString().mid(1)) : read;
}

// The rows of one statement, read through as they come; on a server the
// statement has no time limit of its own, as a whole table may take longer
// than one, but each row must come within the desk's limit.
class Reader {
public:
    Reader(const Database &db, const QString &sql) : m_db(db), m_query(db.sql())
    {
        m_query.setForwardOnly(true);
        m_ok = unlimited(true) && db.exec(m_query, sql);
    }
    ~Reader()
    {
        m_query.finish();
        if (m_db.engine() == Engine::PostgreSQL)
            (void)unlimited(false);
    }
    bool ok() const { return m_ok; }
    bool next() { return m_db.next(m_query); }
    QVariant value(int i) const { return m_query.value(i); }
    StoreError failure() const
    {
        return m_db.failure(m_query.lastError().isValid() ? m_query.lastError() : m_limit.lastError());
    }
    bool failed() const { return !m_ok || m_query.lastError().isValid(); }

private:
    bool unlimited(bool on)
    {
        if (m_db.engine() != Engine::PostgreSQL)
            return true;
        m_limit = QSqlQuery(m_db.sql());
        return m_db.exec(m_limit, on ? QStringLiteral("SET statement_timeout = 0")
                                     : QStringLiteral("RESET statement_timeout"));
    }
    const Database &m_db;
    QSqlQuery m_query;
    QSqlQuery m_limit;
    bool m_ok = false;
};

// The photos of the jobs copied, into to's photo table.
common::Result<void> copyPhotos(const Database &from, const Database &to, CopiedJobs &copied)
{
    const common::Result<bool> fromHasTable = hasPhotoTable(from);
    if (fromHasTable.failed())
        return fromHasTable.error();
    const bool fromFiles = !*fromHasTable && keepsPhotos(to) && !keepsPhotos(from);
    if (!*fromHasTable && !fromFiles)
        return {};
    QSqlQuery make(to.sql());
    if (!to.exec(make, photoTableStatement(to.engine())))
        return to.failure(make.lastError());
    QSqlQuery write(to.sql());
    if (!to.prepare(write, QStringLiteral("INSERT INTO %1 (\"编号\", \"文件名\", \"照片\") VALUES (?, ?, ?)")
                               .arg(quoted(photoTableName()))))
        return to.failure(write.lastError());
    const QString number = quoted(jobNumberField().name);
    Reader read(from, fromFiles ? QStringLiteral("SELECT %1, \"Photo\" FROM %2 WHERE \"Photo\" <> '' ORDER BY %3")
                                      .arg(number, quoted(tableName()), keyOrder(from.engine()))
                                : QStringLiteral("SELECT \"编号\", \"文件名\", \"照片\" FROM %1 WHERE \"编号\" IN "
                                                 "(SELECT %2 FROM %3) ORDER BY \"编号\"")
                                      .arg(quoted(photoTableName()), number, quoted(tableName())));
    if (!read.ok())
        return read.failure();
    while (read.next()) {
        JobPhoto photo;
        if (fromFiles) {
            common::Result<JobPhoto> file = photoFromFile(read.value(1).toString());
            if (file.failed()) {
                copied.photosLeftOut << QStringLiteral("编号 %1：%2").arg(read.value(0).toInt()).arg(file.error().text);
                continue;
            }
            photo = std::move(file).value();
        } else {
            photo = {read.value(1).toString(), read.value(2).toByteArray()};
        }
        write.bindValue(0, read.value(0).toInt());
        write.bindValue(1, photo.fileName);
        write.bindValue(2, photo.bytes);
        if (!to.exec(write))
            return to.failure(write.lastError());
        ++copied.photos;
    }
    if (read.failed())
        return read.failure();
    return {};
}

// How many jobs are copied between two words to whoever shows the progress.
constexpr int kTellEvery = 400;

// Jobs inserted into to in statements of many rows on a server (a round
// trip is what a move costs), one by one into a file. A statement that
// fails is tried again row by row, so the job at fault is named.
class JobInserter {
public:
    explicit JobInserter(const Database &to)
        : m_to(to), m_rows(to.engine() == Engine::PostgreSQL ? kRowsPerStatement : 1), m_full(to.sql()),
          m_single(to.sql())
    {
    }
    void add(const QVariantList &row) { m_pending << row; }
    bool full() const { return m_pending.size() >= m_rows; }
    int written() const { return m_written; }
    void finish()
    {
        m_full.finish();
        m_single.finish();
    }

    common::Result<void> send()
    {
        if (m_pending.isEmpty())
            return {};
        QSqlQuery &q = m_pending.size() == m_rows ? m_full : m_single;
        if (const auto e = prepared(q, int(m_pending.size())); e.failed())
            return e;
        int at = 0;
        for (const QVariantList &row : std::as_const(m_pending))
            for (int i = 0; i < row.size(); ++i)
                q.bindValue(at++, bound(fields().at(i), row.at(i)));
        if (!m_to.exec(q))
            return whichRowFailed(m_to.failure(q.lastError()));
        m_written += int(m_pending.size());
        m_pending.clear();
        return {};
    }

private:
    // On a server every row of the statement is bound: 400 rows of the
    // table's fields stay well under its 65535 parameters.
    static constexpr int kRowsPerStatement = 400;

    QVariant bound(const FieldDef &f, const QVariant &v) const
    {
        return writtenBehindMarker(m_to, f) && !v.isNull() ? QVariant(u'.' + v.toString()) : v;
    }

    common::Result<void> prepared(QSqlQuery &q, int rows)
    {
        int &preparedFor = &q == &m_full ? m_fullRows : m_singleRows;
        if (preparedFor == rows)
            return {};
        QStringList columns, marks;
        for (const FieldDef &f : fields()) {
            columns << quoted(f.name);
            marks << (writtenBehindMarker(m_to, f) ? QStringLiteral("substr(?, 2)") : QStringLiteral("?"));
        }
        const QString row = u'(' + marks.join(u", ") + u')';
        QStringList values;
        for (int i = 0; i < rows; ++i)
            values << row;
        if (!m_to.prepare(q, QStringLiteral("INSERT INTO %1 (%2) VALUES %3")
                                 .arg(quoted(tableName()), columns.join(u", "), values.join(u", "))))
            return m_to.failure(q.lastError());
        preparedFor = rows;
        return {};
    }

    // The server ends a transaction at its first failure: the rows of the
    // failed statement are tried alone in one of their own, undone after,
    // to find the job at fault.
    StoreError whichRowFailed(StoreError failure)
    {
        const auto named = [&](int index, StoreError e) {
            e.text = QStringLiteral("第 %1 条记录（编号 %2）无法复制：%3")
                         .arg(m_written + index + 1)
                         .arg(m_pending.at(index).value(0).toInt())
                         .arg(e.text);
            return e;
        };
        if (m_pending.size() == 1)
            return named(0, failure);
        m_full.finish();
        m_to.rollback();
        if (!m_to.begin())
            return failure;
        for (int i = 0; i < m_pending.size(); ++i) {
            if (prepared(m_single, 1).failed())
                break;
            for (int c = 0; c < m_pending.at(i).size(); ++c)
                m_single.bindValue(c, bound(fields().at(c), m_pending.at(i).at(c)));
            if (!m_to.exec(m_single))
                return named(i, m_to.failure(m_single.lastError()));
        }
        return failure;
    }

    const Database &m_to;
    const int m_rows;
    QSqlQuery m_full, m_single;
    int m_fullRows = 0, m_singleRows = 0;
    QList<QVariantList> m_pending;
    int m_written = 0;
};

} // namespace

common::Result<CopiedJobs> copyAllJobs(const Database &from, const Database &to, const CopyProgress &progress)
{
    const common::Result<int> already = jobCount(to);
    if (already.failed())
        return already.error();
    if (*already > 0)
        return StoreError{code::Engine, QStringLiteral("目标数据库已有 %1 条记录，没有复制任何记录。").arg(*already)};
    if (const auto e = from.reconnectIfLost(); e.failed())
        return e;
    const common::Result<int> all = jobCount(from);
    if (all.failed())
        return all.error();

    if (!to.begin())
        return to.failure(to.sql().lastError());
    QSqlQuery checks(to.sql());
    JobInserter insert(to);
    // A snapshot holds what the server holds, a value its checks would refuse too.
    const bool snapshot = to.engine() == Engine::SQLite;
    const auto undo = [&](const StoreError &e) -> common::Result<CopiedJobs> {
        insert.finish();
        to.rollback();
        if (snapshot)
            (void)to.exec(checks, QStringLiteral("PRAGMA ignore_check_constraints = OFF"));
        return e;
    };
    if (snapshot && !to.exec(checks, QStringLiteral("PRAGMA ignore_check_constraints = ON")))
        return undo(to.failure(checks.lastError()));
    CopiedJobs copied;
    const QVector<FieldDef> &defs = fields();
    int told = 0;
    const auto sent = [&](bool last) -> common::Result<void> {
        if (const auto e = insert.send(); e.failed())
            return e;
        copied.jobs = insert.written();
        if (!progress || (copied.jobs - told < kTellEvery && !last))
            return {};
        told = copied.jobs;
        if (!progress(copied.jobs, *all))
            return StoreError{code::Stopped, QStringLiteral("复制已停止，没有复制任何记录。")};
        return {};
    };
    {
        QStringList selected;
        for (const FieldDef &f : defs)
            selected << selectedColumn(from, f);
        Reader read(from, QStringLiteral("SELECT %1 FROM %2 ORDER BY %3")
                              .arg(selected.join(u", "), quoted(tableName()), plainOrderTerm(from.engine(), jobNumberField())));
        if (!read.ok())
            return undo(read.failure());
        while (read.next()) {
            QVariantList row;
            for (int i = 0; i < defs.size(); ++i) {
                const StoredValue v = copiedValue(defs.at(i), unmarked(from, defs.at(i), read.value(i)));
                if (v.error.failed())
                    return undo({v.error.code,
                                 QStringLiteral("编号 %1 的记录无法复制：%2").arg(read.value(0).toInt()).arg(v.error.text),
                                 -1, defs.at(i).name});
                row << v.value;
            }
            insert.add(row);
            if (insert.full())
                if (const auto e = sent(false); e.failed())
                    return undo(e.error());
        }
        if (read.failed())
            return undo(read.failure());
        if (const auto e = sent(true); e.failed())
            return undo(e.error());
    }
    if (const auto e = copyPhotos(from, to, copied); e.failed())
        return undo(e.error());
    if (!to.commit())
        return undo(to.failure(to.sql().lastError()));
    if (snapshot)
        (void)to.exec(checks, QStringLiteral("PRAGMA ignore_check_constraints = OFF"));
    return copied;
}

} // namespace store
