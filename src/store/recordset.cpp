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

StoreError noCurrentRecord()
{
    return {code::NoCurrentRecord, QStringLiteral("没有当前记录 (no current record)")};
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

// Statements prepared once for the life of the set.
struct RecordSet::Statements {
    explicit Statements(const QSqlDatabase &db)
        : fetchRow(db), insertRow(db), deleteRow(db), keyExists(db)
    {
        fetchRow.setForwardOnly(true);
        fetchRow.prepare(QStringLiteral("SELECT %1 FROM 客户信息 WHERE rowid = ?").arg(columnList()));
        QStringList marks;
        for (int i = 0; i < fields().size(); ++i)
            marks << QStringLiteral("?");
        insertRow.prepare(QStringLiteral("INSERT INTO 客户信息 (%1) VALUES (%2)").arg(columnList(), marks.join(QLatin1Char(','))));
        deleteRow.prepare(QStringLiteral("DELETE FROM 客户信息 WHERE rowid = ?"));
        keyExists.setForwardOnly(true);
        keyExists.prepare(QStringLiteral("SELECT 1 FROM 客户信息 WHERE rowid = ?"));
    }
    QSqlQuery fetchRow;
    QSqlQuery insertRow;
    QSqlQuery deleteRow;
    QSqlQuery keyExists;
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
    invalidateCache();
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

void RecordSet::setPosition(int pos)
{
    m_pos = pos;
    m_currentDeleted = false;
    m_mode = EditMode::None;
    m_buffer = QSqlRecord();
    m_badValues.clear();
    emit repositioned();
}

StoreError RecordSet::moveFirst()
{
    if (StoreError e = leaveRow())
        return e;
    setPosition(0);
    return {};
}

StoreError RecordSet::moveLast()
{
    if (StoreError e = leaveRow())
        return e;
    setPosition(m_keys.isEmpty() ? 0 : recordCount() - 1);
    return {};
}

StoreError RecordSet::moveNext()
{
    if (m_keys.isEmpty() || (eof() && !m_currentDeleted))
        return noCurrentRecord();
    if (StoreError e = leaveRow())
        return e;
    const int target = m_currentDeleted ? m_pos : m_pos + 1;
    setPosition(qMin(target, recordCount()));
    return {};
}

StoreError RecordSet::movePrevious()
{
    if (bof())
        return noCurrentRecord();
    if (StoreError e = leaveRow())
        return e;
    setPosition(qMax(m_pos - 1, -1));
    return {};
}

StoreError RecordSet::moveTo(int index)
{
    if (index < 0 || index >= recordCount())
        return noCurrentRecord();
    if (StoreError e = leaveRow())
        return e;
    setPosition(index);
    return {};
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
        setPosition(best);
    return {};
}

// ---------------------------------------------------------------- reading

QSqlRecord RecordSet::rowAt(int index) const
{
    const qint64 key = keyAt(index);
    if (key < 0)
        return {};
    if (auto it = m_cache.constFind(key); it != m_cache.constEnd())
        return *it;
    QSqlQuery &q = m_statements->fetchRow;
    q.bindValue(0, key);
    QSqlRecord record = emptyRecord();
    if (q.exec() && q.next()) {
        const QVector<FieldDef> &defs = fields();
        for (int i = 0; i < defs.size(); ++i)
            record.setValue(i, fromStored(defs.at(i), q.value(i)));
    } else {
        record = QSqlRecord(); // deleted behind our back
    }
    q.finish(); // never hold a read lock between calls
    if (m_cache.size() >= cacheLimit)
        m_cache.clear();
    m_cache.insert(key, record);
    return record;
}

QSqlRecord RecordSet::current() const
{
    if (m_mode != EditMode::None)
        return m_buffer;
    return hasCurrent() ? rowAt(m_pos) : QSqlRecord();
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
    m_mode = EditMode::AddNew;
    return {};
}

StoreError RecordSet::edit()
{
    if (!hasCurrent())
        return noCurrentRecord();
    if (m_mode == EditMode::None) {
        m_buffer = rowAt(m_pos);
        m_badValues.clear();
        m_mode = EditMode::Edit;
    }
    return {};
}

void RecordSet::setValue(const QString &field, const QVariant &value)
{
    const FieldDef *f = findField(field);
    if (!f) {
        m_badValues.insert(field, {code::Engine, QStringLiteral("客户信息中没有字段“%1”").arg(field)});
        return;
    }
    if (m_mode == EditMode::None && edit())
        return;
    const StoredValue stored = toStored(*f, value);
    if (stored.error) {
        m_badValues.insert(field, stored.error);
        return;
    }
    m_badValues.remove(field);
    m_buffer.setValue(field, fromStored(*f, stored.value));
}

StoreError RecordSet::update()
{
    if (m_mode == EditMode::None)
        return {code::Engine, QStringLiteral("没有 AddNew 或 Edit 就执行了 Update")};
    if (!m_badValues.isEmpty())
        return m_badValues.constBegin().value();
    const StoreError e = m_mode == EditMode::AddNew ? insertBuffer() : updateBuffer();
    if (e)
        return e;
    m_mode = EditMode::None;
    m_buffer = QSqlRecord();
    return {};
}

StoreError RecordSet::insertBuffer()
{
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
    const qint64 key = keyAt(m_pos);
    m_cache.remove(key);
    const QSqlRecord stored = rowAt(m_pos);
    if (stored.isEmpty())
        return noCurrentRecord();
    QStringList assignments;
    QVariantList values;
    const QVector<FieldDef> &defs = fields();
    for (int i = 0; i < defs.size(); ++i) {
        const QVariant now = m_buffer.value(i);
        const QVariant before = stored.value(i);
        if (now.isNull() == before.isNull() && (now.isNull() || now == before))
            continue;
        assignments << defs.at(i).name + QStringLiteral(" = ?");
        values << toStored(defs.at(i), now).value;
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
        return exec(q);
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
    const qint64 key = keyAt(m_pos);
    QSqlQuery &q = m_statements->deleteRow;
    StoreError e = inTransaction(m_db.sql(), [&]() -> StoreError {
        q.bindValue(0, key);
        return exec(q);
    });
    if (e)
        return e;
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
    const bool exists = q.exec() && q.next();
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
