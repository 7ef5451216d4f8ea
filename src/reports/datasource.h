#pragma once
// What the data reports print from: every job in number order, or the one
// job the print command chose, read through a connection of its own to the
// database file.
#include "common/result.h"

#include <QHash>
#include <QString>
#include <QVariant>
#include <QVector>
#include <memory>
#include <optional>

namespace store { class Database; }

namespace reports {

// One record as the reports see it: field name to value.
using Row = QHash<QString, QVariant>;

class DataSource {
public:
    // path: the database file or a server address; a relative name follows
    // the working folder, and none is where the program works there.
    explicit DataSource(QString databasePath = defaultDatabasePath());
    ~DataSource();
    DataSource(const DataSource &) = delete;
    DataSource &operator=(const DataSource &) = delete;

    static QString defaultDatabasePath();

    void setDatabasePath(const QString &path);
    QString databasePath() const { return m_databasePath; }

    // The job the reports print; nothing: every job.
    void selectJob(std::optional<qint16> job) { m_job = job; }
    std::optional<qint16> job() const { return m_job; }

    // The selected rows, read afresh from the file so a report shows what
    // was last saved.
    common::Result<QVector<Row>> rows();

private:
    common::Result<void> connect();

    QString m_databasePath;
    std::optional<qint16> m_job;
    std::unique_ptr<store::Database> m_db;
};

} // namespace reports
