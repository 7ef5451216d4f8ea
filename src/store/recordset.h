#pragma once
// What the windows call the data control's record set: a record source, the
// rows it selects in order, a current position, moves, finds and edits.
#include "store/storeerror.h"

#include <QDeadlineTimer>
#include <QHash>
#include <QMap>
#include <QObject>
#include <QSqlRecord>
#include <QVariant>
#include <QVector>
#include <memory>
#include <limits>
#include <set>

class QSqlQuery;

namespace store {

class Database;

// The bound controls of a window. The set asks them to write what the user
// typed before it leaves a row, refreshes or closes.
class PendingEdits {
public:
    virtual ~PendingEdits() = default;
    virtual common::Result<void> writePendingEdits() = 0;
};

class RecordSet : public QObject {
    Q_OBJECT
public:
    enum class EditMode { None, Edit, AddNew };

    // db must outlive the set: the set keeps prepared statements on it.
    explicit RecordSet(Database &db, QObject *parent = nullptr);
    ~RecordSet() override;

    void setPendingEdits(PendingEdits *binder) { m_pending = binder; }
    Database &database() const { return m_db; }

    QString recordSource() const { return m_source; }
    // Writes pending edits, then opens the set on source (the table name or a
    // Jet select) positioned on its first row. On any failure the previous
    // source, rows and position stay in force and nothing is announced.
    common::Result<void> setRecordSource(const QString &source);
    // The same with the current source.
    common::Result<void> refresh();

    int recordCount() const { return int(m_keys.size()); }
    int absolutePosition() const;       // 0-based; -1 without a current row
    // An empty set is at both ends.
    bool bof() const { return m_pos < 0 || m_keys.isEmpty(); }
    bool eof() const { return m_pos >= recordCount(); }
    bool hasCurrent() const;

    // Each move writes pending edits first; when that fails the move does
    // not happen and the error is returned.
    common::Result<void> moveFirst();
    common::Result<void> moveLast();
    common::Result<void> moveNext();      // past the last row: eof
    common::Result<void> movePrevious();  // before the first row: bof
    common::Result<void> moveTo(int index);

    // Positions on the first row of the set matching criterion ("编号 =12").
    // No match: noMatch() is true and the position is unchanged.
    common::Result<void> findFirst(const QString &criterion);
    bool noMatch() const { return m_noMatch; }

    // The current row (the edit buffer while editing); null without one.
    QVariant value(const QString &field) const;
    QSqlRecord current() const;
    // Any row of the set, fetched on demand and cached; a failure to read is
    // an error, never an empty row.
    common::Result<QSqlRecord> readRow(int index) const;
    // The same for the grid: a row that cannot be read now is empty.
    QSqlRecord rowAt(int index) const;
    // A row's key: SQLite's rowid, or on a server the job number, which may
    // be negative; kNoKey where there is no such row.
    static constexpr qint64 kNoKey = std::numeric_limits<qint64>::min();
    qint64 keyAt(int index) const { return m_keys.value(index, kNoKey); }

    // Edits: addNew/edit, setValue..., update. Values are given as the
    // windows hold them (text); the set converts to the field's kind.
    common::Result<void> addNew();
    common::Result<void> edit();
    void setValue(const QString &field, const QVariant &value);
    // Writes the buffer in one transaction: for an edit only the fields set
    // since edit(), for a new row every field. A refused update leaves the
    // stored row as it was and keeps the buffer; the error names the first
    // refused field in table order. A new row joins the end of the set; the
    // current row stays the one before addNew.
    common::Result<void> update();
    void cancelUpdate();
    EditMode editMode() const { return m_mode; }

    // Removes the current row. Afterwards there is no current row until a
    // move: movePrevious gives the row before, moveNext the row after.
    common::Result<void> deleteCurrent();

    // Adds a new job numbered `number`, which joins the end of the set, and
    // returns the number it got. A number this set already shows is refused
    // (3022); one another desk took since the set was read gives way to the
    // next free number. The current row stays the one before.
    common::Result<qint16> appendJob(qint16 number);

    // Runs an action statement (the copy's INSERT ... SELECT) on the file.
    common::Result<void> execute(const QString &jetStatement);

    // Inserts, in one transaction, a copy of the current row numbered
    // newNumber with the fields in overrides replaced. The copy joins the end
    // of the set; the position does not change. newKey receives its key.
    common::Result<void> copyCurrent(qint16 newNumber, const QVariantMap &overrides, qint64 *newKey = nullptr);
    // Adds a row of the table to the end of the set, as rows added through
    // the set are. Unknown keys are ignored.
    void includeKey(qint64 key);

signals:
    // The current row changed (moves, finds, refresh, a new source, delete).
    // Saving a row does not move: it announces rowChanged instead.
    void repositioned();
    // The rows of the set were replaced or their number changed.
    void rowsReset();
    // One row's stored values changed.
    void rowChanged(int index);

private:
    common::Result<void> load(const QString &source, QVector<qint64> *keys) const;
    // Runs a read on the set's connection, forward only, params bound in order.
    common::Result<void> select(QSqlQuery &q, const QString &sql, const QVariantList &params) const;
    common::Result<QSqlRecord> readKey(qint64 key) const;
    // Connects again after the server was lost, with the statements anew.
    common::Result<void> connected();
    common::Result<void> changedOrGone(qint64 key);
    common::Result<void> leaveRow();
    common::Result<void> moveToRow(int pos);
    void setPosition(int pos);
    void invalidateCache() const;
    void setKeys(QVector<qint64> keys);
    common::Result<void> insertBuffer();
    common::Result<void> updateBuffer();

    struct Statements;
    std::unique_ptr<Statements> m_statements;

    Database &m_db;
    PendingEdits *m_pending = nullptr;
    QString m_source;
    QVector<qint64> m_keys;
    QHash<qint64, int> m_indexOfKey;
    int m_pos = -1;
    bool m_currentDeleted = false;
    bool m_noMatch = false;
    EditMode m_mode = EditMode::None;
    QSqlRecord m_buffer;
    std::set<int> m_changed;              // fields set since edit(), by table index
    QMap<int, StoreError> m_badValues;    // fields whose given value did not convert, by table index
    mutable QHash<qint64, QSqlRecord> m_cache;
    mutable QHash<qint64, QString> m_versions; // the server's row versions (xmin) as read
    QString m_bufferVersion;              // the version the edit began from
    mutable QDeadlineTimer m_quietUntil;  // the grid does not read while another program holds the file
};

} // namespace store
