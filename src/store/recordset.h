#pragma once
// What the windows call the data control's record set: a record source, the
// rows it selects in order, a current position, moves, finds, and the edit
// buffer of the current row. It reads; a JobWriter (jobwriter.h) writes.
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
    // not happen and the error is returned. On a server the row moved to is
    // read anew, so what another desk saved meanwhile shows; a row another
    // desk deleted meanwhile leaves the set and the move goes on past it.
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
    // The current row's version as the screen read it (on a server, its
    // xmin); every write to the row must still find it.
    QString shownVersion() const { return m_shownVersion; }
    // Whether the current row was found deleted by another desk. The set
    // then has no current row, and the next move or refresh leaves it.
    bool currentGone() const { return m_currentDeleted; }

    // The edit buffer: addNew/edit, setValue..., then JobWriter::save. Values
    // are given as the windows hold them (text); the set converts to the
    // field's kind, and a value that does not convert is kept as the refusal
    // the save returns.
    common::Result<void> addNew();
    common::Result<void> edit();
    void setValue(const QString &field, const QVariant &value);
    void cancelUpdate();
    EditMode editMode() const { return m_mode; }

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
    friend class JobWriter;

    common::Result<QVector<qint64>> load(const QString &source) const;
    // The keys a select of them gives, params bound in order.
    common::Result<QVector<qint64>> selectKeys(const QString &sql, const QVariantList &params) const;
    common::Result<QSqlRecord> readKey(qint64 key) const;
    // Connects again after the server was lost, with the statements anew.
    common::Result<void> connected() const;
    common::Result<void> leaveRow();
    // Moves to pos, reading it first; step (+1 or -1) says where to go on
    // when the row turns out deleted elsewhere.
    common::Result<void> moveToRow(int pos, int step);
    void setPosition(int pos);
    void setKeys(QVector<qint64> keys);
    void removeKeyAt(int index);
    int indexOfKey(qint64 key) const;

    // For the writer: the row at the current position was written.
    void rowWritten(qint64 key, const QString &version);
    void rowRenumbered(qint64 from, qint64 to);
    void currentRemoved(bool byAnotherDesk);

    struct Statements;
    mutable std::unique_ptr<Statements> m_statements;

    Database &m_db;
    PendingEdits *m_pending = nullptr;
    QString m_source;
    QVector<qint64> m_keys;
    int m_pos = -1;
    bool m_currentDeleted = false;
    bool m_noMatch = false;
    EditMode m_mode = EditMode::None;
    QSqlRecord m_buffer;
    std::set<int> m_changed;              // fields set since edit(), by table index
    QMap<int, StoreError> m_badValues;    // fields whose given value did not convert, by table index
    mutable QHash<qint64, QSqlRecord> m_cache;
    mutable QHash<qint64, QString> m_versions; // the server's row versions (xmin) as read
    QString m_shownVersion;               // the current row's, as the screen read it
    qint64 m_overwriteKey = kNoKey;       // a row whose next save was refused once for another desk's change
    mutable QDeadlineTimer m_quietUntil;  // the grid does not read while another program holds the file
};

} // namespace store
