#include "store/jobwriter.h"

#include "store/database.h"
#include "store/fields.h"
#include "store/jetsql.h"
#include "store/jobphotos.h"
#include "store/recordset.h"
#include "store/storedvalue.h"

#include <QSqlError>
#include <QSqlQuery>

namespace store {

namespace {

QString table() { return quoted(tableName()); }

bool onServer(const Database &db) { return db.engine() == Engine::PostgreSQL; }

// The row version a write to an existing job must still find, on a server.
QString versionCheck(const Database &db)
{
    return onServer(db) ? QStringLiteral(" AND xmin::text = ?") : QString();
}

common::Result<void> exec(const Database &db, QSqlQuery &q)
{
    if (db.exec(q))
        return {};
    const StoreError e = db.failure(q.lastError());
    q.finish();
    return e;
}

// What a refused write did not do, in the words of its messages.
enum class Write { Save, Delete, Copy };

QString notDone(Write w)
{
    switch (w) {
    case Write::Save: return QStringLiteral("您的修改没有保存");
    case Write::Delete: return QStringLiteral("没有删除");
    case Write::Copy: return QStringLiteral("没有复制");
    }
    return {};
}

QString shown(const QVariant &v) { return v.isNull() ? QStringLiteral("（空）") : v.toString(); }

// Each field another desk changed since the screen read the row, "name：old → new"
// (only the new value when the screen's copy is gone), at most a dozen.
QStringList otherDeskChanges(const QSqlRecord &before, const QSqlRecord &now)
{
    QStringList changes;
    const QVector<FieldDef> &defs = fields();
    for (int i = 0; i < defs.size(); ++i) {
        if (before.isEmpty())
            changes << QStringLiteral("%1：%2").arg(defs.at(i).name, shown(now.value(i)));
        else if (before.value(i) != now.value(i))
            changes << QStringLiteral("%1：%2 → %3").arg(defs.at(i).name, shown(before.value(i)), shown(now.value(i)));
    }
    if (changes.size() > 12)
        changes = changes.mid(0, 12) << QStringLiteral("……");
    return changes;
}

} // namespace

// Statements prepared once per connection.
struct JobWriter::Statements : PreparedStatements {
    explicit Statements(const Database &db)
        : PreparedStatements(db), insertRow(db.sql()), deleteRow(db.sql()), rowOfNumber(db.sql())
    {
        rowOfNumber.setForwardOnly(true);
        const QString key = rowKey(db.engine());
        QStringList marks;
        for (int i = 0; i < fields().size(); ++i)
            marks << QStringLiteral("?");
        prepared = prepare(db, insertRow, QStringLiteral("INSERT INTO %1 (%2) VALUES (%3) RETURNING %4")
                                              .arg(table(), allColumns(), marks.join(QLatin1Char(',')), key))
            && prepare(db, deleteRow, QStringLiteral("DELETE FROM %1 WHERE %2 = ?%3").arg(table(), key, versionCheck(db)))
            && prepare(db, rowOfNumber,
                       QStringLiteral("SELECT %1 FROM %2 WHERE %3 = ?").arg(key, table(), quoted(jobNumberField().name)));
    }
    QSqlQuery insertRow;
    QSqlQuery deleteRow;
    QSqlQuery rowOfNumber;
};

JobWriter::JobWriter(RecordSet &set) : m_set(set) {}

JobWriter::~JobWriter() = default;

namespace {

// The statements of the writer, made anew on a new connection.
template <typename S>
common::Result<S *> statementsFor(const Database &db, std::unique_ptr<S> &statements)
{
    if (const auto e = db.reconnectIfLost(); e.failed())
        return e;
    if (!statements || statements->generation != db.generation())
        statements = std::make_unique<S>(db);
    if (!statements->prepared)
        return statements->failure;
    return statements.get();
}

} // namespace

// ---------------------------------------------------------------- save

common::Result<void> JobWriter::save()
{
    if (m_set.m_mode == RecordSet::EditMode::None)
        return StoreError{code::Engine, QStringLiteral("没有要保存的修改（没有 AddNew 或 Edit 就执行了 Update）。")};
    // The first refused field in the table's order, every time.
    if (!m_set.m_badValues.isEmpty())
        return m_set.m_badValues.first();
    const common::Result<void> e = m_set.m_mode == RecordSet::EditMode::AddNew ? insertBuffer() : updateBuffer();
    if (e.failed())
        return e;
    m_set.cancelUpdate();
    return {};
}

common::Result<void> JobWriter::insertBuffer()
{
    const Database &db = m_set.m_db;
    const QVector<FieldDef> &defs = fields();
    qint64 key = RecordSet::kNoKey;
    const common::Result<void> e = retried(db, [&]() -> common::Result<void> {
        const common::Result<Statements *> s = statementsFor(db, m_statements);
        if (s.failed())
            return s.error();
        QSqlQuery &q = (*s)->insertRow;
        return asOneStatement(db, [&]() -> common::Result<void> {
            for (int i = 0; i < defs.size(); ++i)
                q.bindValue(i, toStored(defs.at(i), m_set.m_buffer.value(i)).value);
            if (const auto err = exec(db, q); err.failed())
                return err;
            key = db.next(q) ? q.value(0).toLongLong() : RecordSet::kNoKey;
            q.finish();
            return {};
        });
    });
    if (e.failed())
        return e;
    m_set.includeKey(key);
    return {};
}

common::Result<void> JobWriter::updateBuffer()
{
    // Only what was set is written: a column nobody changed keeps whatever
    // the file holds, even a value this program would not have stored.
    const Database &db = m_set.m_db;
    const qint64 key = m_set.keyAt(m_set.m_pos);
    QStringList assignments;
    QVariantList values;
    const QVector<FieldDef> &defs = fields();
    for (int i : std::as_const(m_set.m_changed)) {
        assignments << quoted(defs.at(i).name) + QStringLiteral(" = ?");
        values << toStored(defs.at(i), m_set.m_buffer.value(i)).value;
    }
    if (assignments.isEmpty())
        return {};
    // On the server another desk may have saved the row since the screen
    // read it: the update then finds no row of that version, and writes
    // nothing. It returns the version it wrote, the screen's from now on.
    const QString version = m_set.m_shownVersion;
    // Refused once for another desk's change, the clerk's next save of this
    // row overwrites knowingly, as the refusal promised.
    const bool checkVersion = onServer(db) && !version.isEmpty() && m_set.m_overwriteKey != key;
    QString written;
    bool found = false;
    const common::Result<void> e = retried(db, [&]() -> common::Result<void> {
        // Outlives the transaction: the server cannot free a statement
        // inside one a failure has ended.
        QSqlQuery q(db.sql());
        return asOneStatement(db, [&]() -> common::Result<void> {
            QString sql = QStringLiteral("UPDATE %1 SET %2 WHERE %3 = ?")
                              .arg(table(), assignments.join(QStringLiteral(", ")), rowKey(db.engine()));
            if (checkVersion)
                sql += versionCheck(db);
            if (onServer(db))
                sql += QStringLiteral(" RETURNING xmin::text");
            if (!db.prepare(q, sql))
                return db.failure(q.lastError());
            for (const QVariant &v : values)
                q.addBindValue(v);
            q.addBindValue(key);
            if (checkVersion)
                q.addBindValue(version);
            if (const auto err = exec(db, q); err.failed())
                return err;
            if (onServer(db)) {
                found = db.next(q);
                written = found ? q.value(0).toString() : QString();
            } else {
                found = q.numRowsAffected() > 0;
            }
            q.finish();
            return {};
        });
    });
    if (e.failed())
        return e;
    if (!found)
        return changedOrGone(key, notDone(Write::Save));
    // On the server the job number is the row's key: a new number moves it.
    const int jobNumber = fieldIndex(jobNumberField().name);
    qint64 rowKeyNow = key;
    if (onServer(db) && m_set.m_changed.count(jobNumber)) {
        rowKeyNow = m_set.m_buffer.value(jobNumber).toLongLong();
        m_set.rowRenumbered(key, rowKeyNow);
    }
    m_set.rowWritten(rowKeyNow, written);
    return {};
}

common::Result<void> JobWriter::changedOrGone(qint64 key, const QString &refused)
{
    // The row as the screen showed it, before it is read anew.
    const QSqlRecord before = m_set.m_cache.value(key);
    m_set.m_cache.remove(key);
    const common::Result<QSqlRecord> now = m_set.readKey(key);
    if (now.failed()) {
        if (now.error().code != code::RecordDeleted)
            return now.error();
        const bool saving = m_set.m_mode != RecordSet::EditMode::None;
        m_set.currentRemoved(saving);
        return StoreError{code::RecordDeleted, QStringLiteral("这条记录已被另一台电脑删除，%1。").arg(
                                                   saving ? QStringLiteral("修改没有保存") : refused)};
    }
    const QVector<FieldDef> &defs = fields();
    const QStringList changed = otherDeskChanges(before, *now);
    if (m_set.m_mode != RecordSet::EditMode::None) {
        // What the other desk left in the fields this one changed, so the
        // clerk can decide; the next save, made knowing it, goes through
        // however often the other desk writes meanwhile.
        QStringList mine;
        for (int i : std::as_const(m_set.m_changed))
            mine << QStringLiteral("%1：%2").arg(defs.at(i).name, shown(now->value(i)));
        m_set.m_shownVersion = m_set.m_versions.value(key);
        m_set.m_overwriteKey = key;
        return StoreError{code::ChangedElsewhere,
                          QStringLiteral("此记录已被另一台电脑修改，%1。\n另一台电脑改动的内容（原来 → 现在）：\n%2\n"
                                         "您改动的栏目现在的内容是：\n%3\n"
                                         "请核对后再保存；再次保存将以您的内容为准。")
                              .arg(refused, changed.join(u'\n'), mine.join(u'\n'))};
    }
    // A delete or a copy: the screen then shows the job as it is, and the
    // clerk decides again.
    m_set.setPosition(m_set.m_pos);
    return StoreError{code::ChangedElsewhere,
                      QStringLiteral("此记录已被另一台电脑修改，%1。\n另一台电脑改动的内容（原来 → 现在）：\n%2\n"
                                     "屏幕上现在是改动后的内容；请核对后，如果仍要这样做，请再操作一次。")
                          .arg(refused, changed.join(u'\n'))};
}

// ---------------------------------------------------------------- delete

common::Result<void> JobWriter::deleteCurrent()
{
    if (!m_set.hasCurrent())
        return StoreError{code::NoCurrentRecord, QStringLiteral("没有当前记录，没有删除任何记录。")};
    // What was typed into the row goes first, so the controls hold nothing
    // that would be written to a row that no longer exists.
    if (const auto e = m_set.leaveRow(); e.failed())
        return e;
    m_set.cancelUpdate();
    const Database &db = m_set.m_db;
    const qint64 key = m_set.keyAt(m_set.m_pos);
    const QString version = m_set.m_shownVersion;
    bool found = false;
    const common::Result<void> e = retried(db, [&]() -> common::Result<void> {
        const common::Result<Statements *> s = statementsFor(db, m_statements);
        if (s.failed())
            return s.error();
        QSqlQuery &q = (*s)->deleteRow;
        return asOneStatement(db, [&]() -> common::Result<void> {
            q.bindValue(0, key);
            if (onServer(db))
                q.bindValue(1, version);
            if (const auto err = exec(db, q); err.failed())
                return err;
            found = q.numRowsAffected() > 0;
            return {};
        });
    });
    if (e.failed())
        return e;
    if (!found)
        return changedOrGone(key, notDone(Write::Delete));
    m_set.currentRemoved(false);
    return {};
}

// ---------------------------------------------------------------- append

common::Result<bool> JobWriter::numberShown(qint16 number)
{
    const Database &db = m_set.m_db;
    return retried(db, [&]() -> common::Result<bool> {
        const common::Result<Statements *> s = statementsFor(db, m_statements);
        if (s.failed())
            return s.error();
        QSqlQuery &q = (*s)->rowOfNumber;
        q.bindValue(0, int(number));
        if (!db.exec(q))
            return db.failure(q.lastError());
        const bool shown = db.next(q) && m_set.indexOfKey(q.value(0).toLongLong()) >= 0;
        q.finish();
        return shown;
    });
}

common::Result<qint16> JobWriter::appendJob(qint16 number)
{
    if (const auto e = m_set.leaveRow(); e.failed())
        return e;
    const QString numberField = jobNumberField().name;
    // Which row, if any, holds the number now, and is it one this set shows?
    const common::Result<bool> shownTaken = numberShown(number);
    if (shownTaken.failed())
        return shownTaken.error();
    if (*shownTaken)
        return StoreError{code::DuplicateKey, QStringLiteral("编号 %1 已有记录，编号不能重复。").arg(number), -1, numberField};
    for (int n = number; n <= 32767; ++n) {
        if (const auto e = m_set.addNew(); e.failed())
            return e;
        m_set.setValue(numberField, n);
        const common::Result<void> e = save();
        if (e.ok())
            return qint16(n);
        m_set.cancelUpdate();
        if (e.error().code != code::DuplicateKey)
            return e;
    }
    return StoreError{code::DuplicateKey,
                      QStringLiteral("编号 %1 以后到 32767 都已有记录，没有空号可用来添加新记录。").arg(number), -1,
                      numberField};
}

// ---------------------------------------------------------------- execute and copy

common::Result<void> JobWriter::execute(const QString &jetStatement)
{
    const Database &db = m_set.m_db;
    const common::Result<JetTranslation> t = translateJet(jetStatement, db.engine());
    if (t.failed())
        return StoreError{code::Syntax, QStringLiteral("%1（位置 %2）").arg(t.error().text).arg(t.error().position + 1),
                          t.error().position};
    if (t->kind != JetTranslation::Kind::InsertCopy)
        return StoreError{code::Syntax, QStringLiteral("只能执行 INSERT 语句。")};
    return retried(db, [&]() -> common::Result<void> {
        QSqlQuery q(db.sql());
        return inTransaction(db, [&]() -> common::Result<void> {
            if (!db.prepare(q, t->sql))
                return db.failure(q.lastError());
            for (const QVariant &p : t->params)
                q.addBindValue(p);
            return exec(db, q);
        });
    });
}

common::Result<qint64> JobWriter::copyCurrent(qint16 newNumber, const QVariantMap &overrides)
{
    if (!m_set.hasCurrent())
        return StoreError{code::NoCurrentRecord, QStringLiteral("没有当前记录，没有复制。")};
    if (const auto e = m_set.leaveRow(); e.failed())
        return e;
    if (!m_set.hasCurrent())
        return StoreError{code::NoCurrentRecord, QStringLiteral("没有当前记录，没有复制。")};
    // On a file nobody else adds jobs: a taken number is the clerk's to see.
    if (!onServer(m_set.m_db))
        return copyAs(newNumber, overrides);
    const common::Result<bool> shownTaken = numberShown(newNumber);
    if (shownTaken.failed())
        return shownTaken.error();
    if (*shownTaken)
        return StoreError{code::DuplicateKey, QStringLiteral("编号 %1 已有记录，编号不能重复。").arg(newNumber), -1,
                          jobNumberField().name};
    // A number another desk took since the set was read gives way to the next free one.
    for (int n = newNumber; n <= 32767; ++n) {
        const common::Result<qint64> copied = copyAs(qint16(n), overrides);
        if (copied.ok() || copied.error().code != code::DuplicateKey)
            return copied;
    }
    return StoreError{code::DuplicateKey,
                      QStringLiteral("编号 %1 以后到 32767 都已有记录，没有空号可用来复制。").arg(newNumber), -1,
                      jobNumberField().name};
}

// The copy itself, the row left and still current (copyCurrent sees to both).
common::Result<qint64> JobWriter::copyAs(qint16 newNumber, const QVariantMap &overrides)
{
    const Database &db = m_set.m_db;
    for (auto it = overrides.constBegin(); it != overrides.constEnd(); ++it)
        if (!findField(it.key()))
            return StoreError{code::Engine, QStringLiteral("表“客户信息”中没有名为“%1”的字段，没有复制。").arg(it.key())};
    QStringList expressions;
    QVariantList values;
    for (const FieldDef &f : fields()) {
        if (f.kind == FieldKind::JobNumber) {
            expressions << typedParameter(db.engine(), f);
            values << int(newNumber);
        } else if (overrides.contains(f.name)) {
            const StoredValue v = toStored(f, overrides.value(f.name));
            if (v.error.failed())
                return v.error;
            expressions << typedParameter(db.engine(), f);
            values << v.value;
        } else {
            expressions << quoted(f.name);
        }
    }
    const qint64 source = m_set.keyAt(m_set.m_pos);
    const QString version = m_set.m_shownVersion;
    const bool withPhoto = keepsPhotos(db);
    qint64 key = RecordSet::kNoKey;
    const common::Result<void> e = retried(db, [&]() -> common::Result<void> {
        QSqlQuery q(db.sql());
        QSqlQuery photo(db.sql());
        return inTransaction(db, [&]() -> common::Result<void> {
            // The source as the screen read it: on a server, of that version.
            const QString k = rowKey(db.engine());
            if (!db.prepare(q, QStringLiteral("INSERT INTO %1 (%2) SELECT %3 FROM %1 WHERE %4 = ?%5 RETURNING %4")
                                   .arg(table(), allColumns(), expressions.join(QStringLiteral(", ")), k,
                                        versionCheck(db))))
                return db.failure(q.lastError());
            for (const QVariant &v : values)
                q.addBindValue(v);
            q.addBindValue(source);
            if (onServer(db))
                q.addBindValue(version);
            if (const auto err = exec(db, q); err.failed())
                return err;
            key = db.next(q) ? q.value(0).toLongLong() : RecordSet::kNoKey;
            q.finish();
            if (key == RecordSet::kNoKey || !withPhoto)
                return {};
            if (!db.prepare(photo, QStringLiteral("INSERT INTO %1 (\"编号\", \"文件名\", \"照片\") "
                                                  "SELECT ?, \"文件名\", \"照片\" FROM %1 WHERE \"编号\" = ?")
                                       .arg(quoted(photoTableName()))))
                return db.failure(photo.lastError());
            photo.addBindValue(int(newNumber));
            photo.addBindValue(source);
            return exec(db, photo);
        });
    });
    if (e.failed())
        return e.error();
    if (key == RecordSet::kNoKey) {
        if (const auto why = changedOrGone(source, notDone(Write::Copy)); why.failed())
            return why.error();
        return StoreError{code::RecordDeleted, QStringLiteral("这条记录没有找到，没有复制。")};
    }
    m_set.includeKey(key);
    return key;
}

} // namespace store
