#include "store/recordset.h"

#include "store/database.h"
#include "store/fields.h"
#include "store/jetsql.h"
#include "store/storedvalue.h"

#include <QSqlError>
#include <QSqlField>
#include <QSqlQuery>

namespace store {

namespace {

constexpr int cacheLimit = 4096;

QString columnList() { return fieldNames().join(QStringLiteral(", ")); }

int fieldIndex(const QString &name)
{
    const QVector<FieldDef> &defs = fields();
    for (int i = 0; i < defs.size(); ++i)
        if (defs.at(i).name == name)
            return i;
    return -1;
}

StoreError noCurrentRecord()
{
    return {code::NoCurrentRecord, QStringLiteral("没有当前记录 (no current record)"), -1, {}};
}

StoreError syntaxError(const JetTranslation &t)
{
    return {code::Syntax, QStringLiteral("%1（位置 %2）").arg(t.error).arg(t.errorPosition + 1)};
}

// An empty row with every field of the table, in table order.
QSqlRecord emptyRecord()
{
    static const QSqlRecord record = [] {
        QSqlRecord r;
        for (const FieldDef &f : fields()) {
            QMetaType type;
            switch (f.kind) {
            case FieldKind::JobNumber:
            case FieldKind::YesNo:
                type = QMetaType(QMetaType::Int);
                break;
            case FieldKind::Number:
                type = QMetaType(QMetaType::Double);
                break;
            default:
                type = QMetaType(QMetaType::QString);
            }
            r.append(QSqlField(f.name, type, tableName()));
        }
        return r;
    }();
    return record;
}

// Runs work inside one transaction; rolls back when it reports a failure.
template <typename Work>
StoreError inTransaction(QSqlDatabase db, Work work)
{
    if (!db.transaction())
        return errorFromSql(db.lastError());
    StoreError e = work();
    if (e) {
        db.rollback();
        return e;
    }
    if (!db.commit()) {
        e = errorFromSql(db.lastError());
        db.rollback();
    }
    return e;
}

StoreError exec(QSqlQuery &q)
{
    if (q.exec())
        return {};
    const StoreError e = errorFromSql(q.lastError());
    q.finish();
    return e;
}

} // namespace

// Statements prepared once for the life of the set. When one cannot be
// prepared (a file that went away, a busy schema), every use says why.
struct RecordSet::Statements {
    explicit Statements(const QSqlDatabase &db)
        : fetchRow(db), insertRow(db), deleteRow(db), keyExists(db)
    {
        QStringList marks;
        for (int i = 0; i < fields().size(); ++i)
            marks << QStringLiteral("?");
        fetchRow.setForwardOnly(true);
        keyExists.setForwardOnly(true);
        prepared = prepare(fetchRow, QStringLiteral("SELECT %1 FROM 客户信息 WHERE rowid = ?").arg(columnList()))
            && prepare(insertRow, QStringLiteral("INSERT INTO 客户信息 (%1) VALUES (%2)").arg(columnList(), marks.join(QLatin1Char(','))))
            && prepare(deleteRow, QStringLiteral("DELETE FROM 客户信息 WHERE rowid = ?"))
            && prepare(keyExists, QStringLiteral("SELECT 1 FROM 客户信息 WHERE rowid = ?"));
    }
    bool prepare(QSqlQuery &q, const QString &sql)
    {
        if (q.prepare(sql))
            return true;
        failure = errorFromSql(q.lastError());
        return false;
    }
    QSqlQuery fetchRow;
    QSqlQuery insertRow;
    QSqlQuery deleteRow;
    QSqlQuery keyExists;
    bool prepared = false;
    StoreError failure;
};

RecordSet::RecordSet(Database &db, QObject *parent)
    : QObject(parent), m_statements(std::make_unique<Statements>(db.sql())), m_db(db)
{
}

RecordSet::~RecordSet() = default;

// ---------------------------------------------------------------- source

StoreError RecordSet::load(const QString &source, QVector<qint64> *keys) const
{
    const JetTranslation t = translateJet(source);
    if (!t.ok)
        return syntaxError(t);
    if (t.kind != JetTranslation::Kind::Select)
        return {code::Syntax, QStringLiteral("记录源必须是 select 语句或表名 (a record source must select rows)")};
    QSqlQuery q(m_db.sql());
    q.setForwardOnly(true);
    if (!q.prepare(t.keySql))
        return errorFromSql(q.lastError());
    for (const QVariant &p : t.params)
        q.addBindValue(p);
    if (!q.exec())
        return errorFromSql(q.lastError());
    keys->clear();
    while (q.next())
        keys->append(q.value(0).toLongLong());
    return {};
}

StoreError RecordSet::setRecordSource(const QString &source)
{
    if (StoreError e = leaveRow())
        return e;
    QVector<qint64> keys;
    if (StoreError e = load(source, &keys))
        return e;
    invalidateCache();
    if (!keys.isEmpty()) {
        common::Result<QSqlRecord> first = readKey(keys.first());
        if (!first)
            return first.error();
    }
    m_source = source;
    setKeys(std::move(keys));
    emit rowsReset();
    setPosition(0);
    return {};
}

StoreError RecordSet::refresh() { return setRecordSource(m_source); }

void RecordSet::setKeys(QVector<qint64> keys)
{
    m_keys = std::move(keys);
    m_indexOfKey.clear();
    m_indexOfKey.reserve(m_keys.size());
    for (int i = 0; i < m_keys.size(); ++i)
        m_indexOfKey.insert(m_keys.at(i), i);
}

void RecordSet::invalidateCache() const { m_cache.clear(); }

// ---------------------------------------------------------------- position

int RecordSet::absolutePosition() const { return hasCurrent() ? m_pos : -1; }

bool RecordSet::hasCurrent() const
{
    return !m_currentDeleted && m_pos >= 0 && m_pos < recordCount();
}

StoreError RecordSet::leaveRow()
{
    if (m_pending)
        return m_pending->writePendingEdits();
    return {};
}

StoreError RecordSet::moveToRow(int pos)
{
    // The row is read before the move: a row that cannot be read leaves the
    // set where it was, rather than showing an empty row in its place.
    if (pos >= 0 && pos < recordCount()) {
        common::Result<QSqlRecord> row = readRow(pos);
        if (!row)
            return row.error();
    }
    setPosition(pos);
    return {};
}

void RecordSet::setPosition(int pos)
{
    m_pos = pos;
    m_currentDeleted = false;
    m_mode = EditMode::None;
    m_buffer = QSqlRecord();
    m_badValues.clear();
    m_changed.clear();
    emit repositioned();
}

StoreError RecordSet::moveFirst()
{
    if (StoreError e = leaveRow())
        return e;
    return moveToRow(0);
}

StoreError RecordSet::moveLast()
{
    if (StoreError e = leaveRow())
        return e;
    return moveToRow(m_keys.isEmpty() ? 0 : recordCount() - 1);
}

StoreError RecordSet::moveNext()
{
    if (m_keys.isEmpty() || (eof() && !m_currentDeleted))
        return noCurrentRecord();
    if (StoreError e = leaveRow())
        return e;
    const int target = m_currentDeleted ? m_pos : m_pos + 1;
    return moveToRow(qMin(target, recordCount()));
}

StoreError RecordSet::movePrevious()
{
    if (bof())
        return noCurrentRecord();
    if (StoreError e = leaveRow())
        return e;
    return moveToRow(qMax(m_pos - 1, -1));
}

StoreError RecordSet::moveTo(int index)
{
    if (index < 0 || index >= recordCount())
        return noCurrentRecord();
    if (StoreError e = leaveRow())
        return e;
    return moveToRow(index);
}

StoreError RecordSet::findFirst(const QString &criterion)
{
    const JetTranslation t = translateJetCondition(criterion);
    if (!t.ok)
        return syntaxError(t);
    if (StoreError e = leaveRow())
        return e;
    QSqlQuery q(m_db.sql());
    q.setForwardOnly(true);
    if (!q.prepare(QStringLiteral("SELECT rowid FROM 客户信息 WHERE ") + t.sql))
        return errorFromSql(q.lastError());
    for (const QVariant &p : t.params)
        q.addBindValue(p);
    if (!q.exec())
        return errorFromSql(q.lastError());
    int best = -1;
    while (q.next()) {
        const int index = m_indexOfKey.value(q.value(0).toLongLong(), -1);
        if (index >= 0 && (best < 0 || index < best))
            best = index;
    }
    m_noMatch = best < 0;
    if (!m_noMatch)
        return moveToRow(best);
    return {};
}

// ---------------------------------------------------------------- reading

common::Result<QSqlRecord> RecordSet::readKey(qint64 key) const
{
    if (auto it = m_cache.constFind(key); it != m_cache.constEnd())
        return *it;
    QSqlQuery &q = m_statements->fetchRow;
    if (!m_statements->prepared)
        return m_statements->failure;
    q.bindValue(0, key);
    if (!q.exec()) {
        const StoreError e = errorFromSql(q.lastError());
        q.finish();
        if (e.code == code::Busy)
            m_quietUntil = QDeadlineTimer(busyWaitMs);
        return e;
    }
    if (!q.next()) {
        q.finish();
        return StoreError{code::NoCurrentRecord, QStringLiteral("这条记录已被删除 (the row is gone)"), -1, {}};
    }
    QSqlRecord record = emptyRecord();
    const QVector<FieldDef> &defs = fields();
    for (int i = 0; i < defs.size(); ++i)
        record.setValue(i, fromStored(defs.at(i), q.value(i)));
    q.finish(); // never hold a read lock between calls
    if (m_cache.size() >= cacheLimit)
        m_cache.clear();
    m_cache.insert(key, record);
    return record;
}

common::Result<QSqlRecord> RecordSet::readRow(int index) const
{
    const qint64 key = keyAt(index);
    if (key < 0)
        return noCurrentRecord();
    return readKey(key);
}

QSqlRecord RecordSet::rowAt(int index) const
{
    const qint64 key = keyAt(index);
    if (key < 0)
        return {};
    // While another program holds the file, the grid does not wait row by
    // row; what it cannot read stays blank until it is drawn again.
    if (!m_cache.contains(key) && !m_quietUntil.hasExpired())
        return {};
    common::Result<QSqlRecord> row = readKey(key);
    return row ? *row : QSqlRecord();
}

QSqlRecord RecordSet::current() const
{
    if (m_mode != EditMode::None)
        return m_buffer;
    if (!hasCurrent())
        return {};
    // Moves read their row before they happen, so it is in the cache.
    common::Result<QSqlRecord> row = readRow(m_pos);
    return row ? *row : QSqlRecord();
}

QVariant RecordSet::value(const QString &field) const
{
    return current().value(field);
}

// ---------------------------------------------------------------- editing

StoreError RecordSet::addNew()
{
    if (StoreError e = leaveRow())
        return e;
    m_buffer = emptyRecord();
    for (const FieldDef &f : fields())
        m_buffer.setValue(f.name, toStored(f, QVariant()).value);
    m_badValues.clear();
    m_changed.clear();
    m_mode = EditMode::AddNew;
    return {};
}

StoreError RecordSet::edit()
{
    if (!hasCurrent())
        return noCurrentRecord();
    if (m_mode == EditMode::None) {
        // The buffer starts from the stored row; a row that cannot be read is
        // a failure, never an empty row to be written back.
        m_cache.remove(keyAt(m_pos));
        common::Result<QSqlRecord> stored = readRow(m_pos);
        if (!stored)
            return stored.error();
        m_buffer = *stored;
        m_badValues.clear();
        m_changed.clear();
        m_mode = EditMode::Edit;
    }
    return {};
}

void RecordSet::setValue(const QString &field, const QVariant &value)
{
    const int index = fieldIndex(field);
    if (index < 0) {
        m_badValues.insert(-1, {code::Engine, QStringLiteral("客户信息中没有字段“%1”").arg(field), -1, field});
        return;
    }
    if (m_mode == EditMode::None) {
        if (StoreError e = edit()) {
            m_badValues.insert(index, e);
            return;
        }
    }
    const FieldDef &f = fields().at(index);
    const StoredValue stored = toStored(f, value);
    if (stored.error) {
        m_badValues.insert(index, stored.error);
        return;
    }
    m_badValues.remove(index);
    m_changed.insert(index);
    m_buffer.setValue(index, fromStored(f, stored.value));
}

StoreError RecordSet::update()
{
    if (m_mode == EditMode::None)
        return {code::Engine, QStringLiteral("没有 AddNew 或 Edit 就执行了 Update")};
    // The first refused field in the table's order, every time.
    if (!m_badValues.isEmpty())
        return m_badValues.first();
    const StoreError e = m_mode == EditMode::AddNew ? insertBuffer() : updateBuffer();
    if (e)
        return e;
    m_mode = EditMode::None;
    m_buffer = QSqlRecord();
    return {};
}

StoreError RecordSet::insertBuffer()
{
    if (!m_statements->prepared)
        return m_statements->failure;
    QSqlQuery &q = m_statements->insertRow;
    const QVector<FieldDef> &defs = fields();
    qint64 key = -1;
    StoreError e = inTransaction(m_db.sql(), [&]() -> StoreError {
        for (int i = 0; i < defs.size(); ++i)
            q.bindValue(i, toStored(defs.at(i), m_buffer.value(i)).value);
        if (StoreError err = exec(q))
            return err;
        key = q.lastInsertId().toLongLong();
        return {};
    });
    if (e)
        return e;
    includeKey(key);
    return {};
}

StoreError RecordSet::updateBuffer()
{
    // Only what was set is written: a column nobody changed keeps whatever
    // the file holds, even a value this program would not have stored.
    const qint64 key = keyAt(m_pos);
    QStringList assignments;
    QVariantList values;
    const QVector<FieldDef> &defs = fields();
    for (int i : std::as_const(m_changed)) {
        assignments << defs.at(i).name + QStringLiteral(" = ?");
        values << toStored(defs.at(i), m_buffer.value(i)).value;
    }
    if (assignments.isEmpty())
        return {};
    StoreError e = inTransaction(m_db.sql(), [&]() -> StoreError {
        QSqlQuery q(m_db.sql());
        if (!q.prepare(QStringLiteral("UPDATE 客户信息 SET %1 WHERE rowid = ?").arg(assignments.join(QStringLiteral(", ")))))
            return errorFromSql(q.lastError());
        for (const QVariant &v : values)
            q.addBindValue(v);
        q.addBindValue(key);
        if (StoreError err = exec(q))
            return err;
        if (q.numRowsAffected() == 0)
            return {code::NoCurrentRecord, QStringLiteral("这条记录已被删除，修改无法保存 (the row is gone)"), -1, {}};
        return {};
    });
    m_cache.remove(key);
    if (!e)
        emit rowChanged(m_pos);
    return e;
}

void RecordSet::cancelUpdate()
{
    m_mode = EditMode::None;
    m_buffer = QSqlRecord();
    m_badValues.clear();
    m_changed.clear();
}

StoreError RecordSet::deleteCurrent()
{
    if (!hasCurrent())
        return noCurrentRecord();
    // What was typed into the row goes first, so the controls hold nothing
    // that would be written to a row that no longer exists.
    if (StoreError e = leaveRow())
        return e;
    cancelUpdate();
    if (!m_statements->prepared)
        return m_statements->failure;
    const qint64 key = keyAt(m_pos);
    QSqlQuery &q = m_statements->deleteRow;
    StoreError e = inTransaction(m_db.sql(), [&]() -> StoreError {
        q.bindValue(0, key);
        return exec(q);
    });
    if (e)
        return e;
    m_cache.remove(key);
    QVector<qint64> keys = m_keys;
    keys.removeAt(m_pos);
    const int pos = m_pos;
    setKeys(std::move(keys));
    m_currentDeleted = true;
    m_pos = pos;
    emit rowsReset();
    emit repositioned();
    return {};
}

StoreError RecordSet::execute(const QString &jetStatement)
{
    const JetTranslation t = translateJet(jetStatement);
    if (!t.ok)
        return syntaxError(t);
    if (t.kind != JetTranslation::Kind::InsertCopy)
        return {code::Syntax, QStringLiteral("只能执行 INSERT 语句 (not an action statement)")};
    return inTransaction(m_db.sql(), [&]() -> StoreError {
        QSqlQuery q(m_db.sql());
        if (!q.prepare(t.sql))
            return errorFromSql(q.lastError());
        for (const QVariant &p : t.params)
            q.addBindValue(p);
        return exec(q);
    });
}

StoreError RecordSet::copyCurrent(qint16 newNumber, const QVariantMap &overrides, qint64 *newKey)
{
    if (!hasCurrent())
        return noCurrentRecord();
    if (StoreError e = leaveRow())
        return e;
    if (!hasCurrent())
        return noCurrentRecord();
    QStringList expressions;
    QVariantList values;
    for (auto it = overrides.constBegin(); it != overrides.constEnd(); ++it)
        if (!findField(it.key()))
            return {code::Engine, QStringLiteral("客户信息中没有字段“%1”").arg(it.key())};
    for (const FieldDef &f : fields()) {
        if (f.kind == FieldKind::JobNumber) {
            expressions << QStringLiteral("?");
            values << int(newNumber);
        } else if (overrides.contains(f.name)) {
            const StoredValue v = toStored(f, overrides.value(f.name));
            if (v.error)
                return v.error;
            expressions << QStringLiteral("?");
            values << v.value;
        } else {
            expressions << f.name;
        }
    }
    const qint64 source = keyAt(m_pos);
    qint64 key = -1;
    StoreError e = inTransaction(m_db.sql(), [&]() -> StoreError {
        QSqlQuery q(m_db.sql());
        if (!q.prepare(QStringLiteral("INSERT INTO 客户信息 (%1) SELECT %2 FROM 客户信息 WHERE rowid = ?")
                           .arg(columnList(), expressions.join(QStringLiteral(", ")))))
            return errorFromSql(q.lastError());
        for (const QVariant &v : values)
            q.addBindValue(v);
        q.addBindValue(source);
        if (StoreError err = exec(q))
            return err;
        key = q.lastInsertId().toLongLong();
        return {};
    });
    if (e)
        return e;
    includeKey(key);
    if (newKey)
        *newKey = key;
    return {};
}

void RecordSet::includeKey(qint64 key)
{
    if (m_indexOfKey.contains(key))
        return;
    QSqlQuery &q = m_statements->keyExists;
    q.bindValue(0, key);
    const bool exists = m_statements->prepared && q.exec() && q.next();
    q.finish();
    if (!exists)
        return;
    const bool wasAtEnd = m_pos >= recordCount();
    m_keys.append(key);
    m_indexOfKey.insert(key, int(m_keys.size()) - 1);
    if (wasAtEnd && !m_currentDeleted)
        m_pos = recordCount(); // no current row before: still none
    emit rowsReset();
}

} // namespace store
