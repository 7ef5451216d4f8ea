#pragma once
// DataEnvironment1: the data reports' one command (command1) and its rows
// (rscommand1), read through a connection of its own to the database file.
#include "store/storeerror.h"

#include <QHash>
#include <QString>
#include <QVariant>
#include <QVector>
#include <memory>

namespace store { class Database; }

namespace reports {

// One record as the reports see it: field name to value.
using Row = QHash<QString, QVariant>;

class DataSource {
public:
    DataSource();
    ~DataSource();
    DataSource(const DataSource &) = delete;
    DataSource &operator=(const DataSource &) = delete;

    // The program's one data source, created on first use.
    static DataSource &instance();

    static QString designText() { return QStringLiteral("SELECT * FROM 客户信息 ORDER BY 编号"); }
    static QString jobText(qint16 job);

    // The file the connection reads; by default 新客户信息.mdb in the working folder.
    void setDatabasePath(const QString &path);
    QString databasePath() const { return m_databasePath; }

    QString commandText() const { return m_commandText; }
    // Only while closed, as the command's source cannot change under an open set.
    bool setCommandText(const QString &text);
    bool isOpen() const { return m_open; }
    bool open(store::StoreError *err = nullptr);
    void close();

    // The print command's steps: close if open, select the job, open.
    bool selectJob(qint16 job, store::StoreError *err = nullptr);

    // rscommand1's rows, read afresh from the file so a report shows what was
    // last saved. The command is opened first if it is not open yet.
    QVector<Row> rows(store::StoreError *err = nullptr);

private:
    bool connect(store::StoreError *err);
    QVector<Row> query(store::StoreError *err) const;

    QString m_databasePath;
    QString m_commandText = designText();
    bool m_open = false;
    std::unique_ptr<store::Database> m_db;
};

} // namespace reports
