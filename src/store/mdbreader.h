#pragma once
// Reads tables out of an Access (Jet 3 / Jet 4) file through libmdb into
// plain Qt values, so nothing past this file needs to know libmdb exists.
#include "common/result.h"

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>
#include <QVariantMap>
#include <memory>

namespace store {

// The Jet column types a reader reports, named after what they hold.
enum class MdbColumnType { Bool, Byte, Int, LongInt, Money, Float, Double, DateTime, Text, Memo, Numeric, Binary, Other };

struct MdbColumnInfo {
    QString name;
    MdbColumnType type = MdbColumnType::Other;
};

// One table as read: columns in table order and every row keyed by column
// name. A null cell is an invalid QVariant. Values: Bool → bool, whole numbers
// → qint64, Money/Float/Double/Numeric → double, DateTime → QDateTime (no time
// zone), Text/Memo → QString, Binary and OLE → QByteArray (empty: not read).
struct MdbTable {
    QString name;
    QList<MdbColumnInfo> columns;
    QList<QVariantMap> rows;

    QStringList columnNames() const;
};

// Days since 1899-12-30 as Jet stores date/time; for days before that the
// whole part counts back and the fraction still runs forward within the day.
QDateTime jetDateTime(double days);

// The iconv name of the charset Jet 3 text is stored in, from the code page in
// the file header. These files are Chinese, so no code page means GBK.
QByteArray jet3Charset(quint16 codePage);

class MdbReader {
public:
    ~MdbReader();
    MdbReader(const MdbReader &) = delete;
    MdbReader &operator=(const MdbReader &) = delete;

    // Opens read-only.
    static common::Result<std::unique_ptr<MdbReader>> open(const QString &path);

    bool isJet3() const;
    quint16 codePage() const;

    QStringList tableNames() const;   // user tables, in catalog order
    bool hasTable(const QString &name) const;
    // Every row of the table.
    common::Result<MdbTable> readTable(const QString &name) const;

private:
    struct Handle;
    explicit MdbReader(std::unique_ptr<Handle> handle);
    std::unique_ptr<Handle> m_handle;
};

} // namespace store
