#pragma once
// What the data reports print from: every job in number order, or the one
// job the print command chose, read through a connection of its own to the
// shop's job table.
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
    // jobTable: the shop's database file or server address.
    explicit DataSource(QString jobTable);
    ~DataSource();
    DataSource(const DataSource &) = delete;
    DataSource &operator=(const DataSource &) = delete;

    QString jobTable() const { return m_jobTable; }

    // The job the reports print; nothing: every job.
    void selectJob(std::optional<qint16> job) { m_job = job; }
    std::optional<qint16> job() const { return m_job; }

    // The selected rows, read afresh from the file so a report shows what
    // was last saved.
    common::Result<QVector<Row>> rows();

private:
    common::Result<void> connect();

    QString m_jobTable;
    std::optional<qint16> m_job;
    std::unique_ptr<store::Database> m_db;
};

} // namespace reports
