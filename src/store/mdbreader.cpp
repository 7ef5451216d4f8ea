#include "store/mdbreader.h"

#include <optional>

#include <QFile>
#include <QFileInfo>
#include <QtEndian>

#include <cmath>
#include <mdbtools.h>

namespace store {

QStringList MdbTable::columnNames() const
{
    QStringList names;
    for (const MdbColumnInfo &c : columns)
        names << c.name;
    return names;
}

QDateTime jetDateTime(double days)
{
    static const QDate epoch(1899, 12, 30);
    if (!std::isfinite(days) || std::fabs(days) > 3.0e6)
        return {};
    const double whole = std::trunc(days);
    qint64 seconds = std::llround(std::fabs(days - whole) * 86400.0);
    QDate date = epoch.addDays(static_cast<qint64>(whole));
    if (seconds >= 86400) { // a fraction a hair below midnight
        seconds = 0;
        date = date.addDays(1);
    }
    return QDateTime(date, QTime(0, 0).addSecs(static_cast<int>(seconds)));
}

QByteArray jet3Charset(quint16 codePage)
{
    switch (codePage) {
    case 0:
    case 936:
        return "GBK";
    case 950:
        return "BIG5";
    default:
        return "CP" + QByteArray::number(codePage);
    }
}

namespace {

MdbColumnType columnType(int jetType)
{
    switch (jetType) {
    case MDB_BOOL: return MdbColumnType::Bool;
    case MDB_BYTE: return MdbColumnType::Byte;
    case MDB_INT: return MdbColumnType::Int;
    case MDB_LONGINT: return MdbColumnType::LongInt;
    case MDB_MONEY: return MdbColumnType::Money;
    case MDB_FLOAT: return MdbColumnType::Float;
    case MDB_DOUBLE: return MdbColumnType::Double;
    case MDB_DATETIME: return MdbColumnType::DateTime;
    case MDB_TEXT: return MdbColumnType::Text;
    case MDB_MEMO: return MdbColumnType::Memo;
    case MDB_NUMERIC: return MdbColumnType::Numeric;
    case MDB_BINARY:
    case MDB_OLE: return MdbColumnType::Binary;
    default: return MdbColumnType::Other;
    }
}

// Memo text may run to 64K characters; each becomes at most 3 UTF-8 bytes.
constexpr size_t kBindSize = size_t(1) << 18;
// Every other column fits in far less (text holds at most 255 characters).
// libmdb allocates the bind size afresh for each cell it converts, so a table
// without memos reads many times faster with the small size.
constexpr size_t kSmallBindSize = 4096;

size_t bindSizeFor(const MdbTableDef *table)
{
    for (unsigned i = 0; i < table->num_cols; ++i) {
        const auto *col = static_cast<const MdbColumn *>(g_ptr_array_index(table->columns, i));
        if (columnType(col->col_type) == MdbColumnType::Other || col->col_type == MDB_MEMO
            || col->col_type == MDB_OLE)
            return kBindSize;
    }
    return kSmallBindSize;
}

struct TableCloser {
    void operator()(MdbTableDef *t) const { mdb_free_tabledef(t); }
};
using TablePtr = std::unique_ptr<MdbTableDef, TableCloser>;

// A fixed-size cell read straight from the page libmdb left the row on.
template <typename T>
std::optional<T> rawCell(const MdbHandle *mdb, const MdbColumn *col)
{
    if (col->cur_value_len != int(sizeof(T)) || col->cur_value_start < 0
        || size_t(col->cur_value_start) + sizeof(T) > sizeof(mdb->pg_buf))
        return std::nullopt;
    return qFromLittleEndian<T>(mdb->pg_buf + col->cur_value_start);
}

QVariant cellValue(const MdbHandle *mdb, const MdbColumn *col, const QByteArray &bound, int boundLength)
{
    const MdbColumnType type = columnType(col->col_type);
    if (type == MdbColumnType::Bool)
        return bound.startsWith('1');
    // libmdb gives a null and a zero-length text alike: both read as null.
    if (col->cur_value_len == 0)
        return {};
    switch (type) {
    case MdbColumnType::Byte: {
        const std::optional<quint8> v = rawCell<quint8>(mdb, col);
        return v ? QVariant(qint64(*v)) : QVariant();
    }
    case MdbColumnType::Int: {
        const std::optional<qint16> v = rawCell<qint16>(mdb, col);
        return v ? QVariant(qint64(*v)) : QVariant();
    }
    case MdbColumnType::LongInt: {
        const std::optional<qint32> v = rawCell<qint32>(mdb, col);
        return v ? QVariant(qint64(*v)) : QVariant();
    }
    case MdbColumnType::Money: {
        const std::optional<qint64> v = rawCell<qint64>(mdb, col);
        return v ? QVariant(double(*v) / 10000.0) : QVariant();
    }
    case MdbColumnType::Float: {
        const std::optional<float> v = rawCell<float>(mdb, col);
        return v ? QVariant(double(*v)) : QVariant();
    }
    case MdbColumnType::Double: {
        const std::optional<double> v = rawCell<double>(mdb, col);
        return v ? QVariant(*v) : QVariant();
    }
    case MdbColumnType::DateTime: {
        const std::optional<double> v = rawCell<double>(mdb, col);
        if (!v)
            return {};
        const QDateTime dt = jetDateTime(*v);
        return dt.isValid() ? QVariant(dt) : QVariant();
    }
    case MdbColumnType::Numeric: {
        bool ok = false;
        const double v = QByteArray(bound.constData(), boundLength).trimmed().toDouble(&ok);
        return ok ? QVariant(v) : QVariant();
    }
    case MdbColumnType::Text:
    case MdbColumnType::Memo:
        return QString::fromUtf8(bound.constData(), qMax(0, boundLength));
    case MdbColumnType::Binary:
        return QByteArray();
    default:
        return QString::fromUtf8(bound.constData(), qMax(0, boundLength));
    }
}

bool openConverters(MdbHandle *mdb, const QByteArray &fileCharset)
{
    mdb_iconv_close(mdb);
    mdb->iconv_in = iconv_open("UTF-8", fileCharset.constData());
    mdb->iconv_out = iconv_open(fileCharset.constData(), "UTF-8");
    return mdb->iconv_in != iconv_t(-1) && mdb->iconv_out != iconv_t(-1);
}

} // namespace

struct MdbReader::Handle {
    MdbHandle *mdb = nullptr;
    ~Handle()
    {
        if (mdb)
            mdb_close(mdb);
    }
};

MdbReader::MdbReader(std::unique_ptr<Handle> handle) : m_handle(std::move(handle))
{
}

MdbReader::~MdbReader() = default;

common::Result<std::unique_ptr<MdbReader>> MdbReader::open(const QString &path)
{
    if (!QFileInfo(path).isFile()) {
        return common::Error::failed(QStringLiteral("找不到文件 %1").arg(path));
    }
    auto handle = std::make_unique<Handle>();
    handle->mdb = mdb_open(QFile::encodeName(path).constData(), MDB_NOFLAGS);
    if (!handle->mdb) {
        return common::Error::failed(QStringLiteral("无法读取 Access 文件 %1：文件已损坏或不是 Access 数据库").arg(path));
    }
    MdbHandle *mdb = handle->mdb;
    if (mdb->f->jet_version != MDB_VER_JET3 && mdb->f->jet_version != MDB_VER_JET4) {
        return common::Error::failed(QStringLiteral("%1 是 Access 2007 以后的格式，无法读取").arg(path));
    }
    // The decoding belongs to this handle alone: libmdb's own default for
    // Jet 3 comes from the environment and would apply to every file.
    QByteArray charset = IS_JET3(mdb) ? jet3Charset(mdb->f->code_page) : QByteArray("UCS-2LE");
    if (!openConverters(mdb, charset)) {
        charset = "GBK";
        if (!openConverters(mdb, charset)) {
            return common::Error::failed(QStringLiteral("无法为 %1 建立文字转换").arg(path));
        }
    }
    mdb_set_boolean_fmt_numbers(mdb);
    if (!mdb_read_catalog(mdb, MDB_TABLE)) {
        return common::Error::failed(QStringLiteral("无法读取 Access 文件 %1 的表目录").arg(path));
    }
    return std::unique_ptr<MdbReader>(new MdbReader(std::move(handle)));
}

bool MdbReader::isJet3() const { return IS_JET3(m_handle->mdb); }

quint16 MdbReader::codePage() const { return m_handle->mdb->f->code_page; }

QStringList MdbReader::tableNames() const
{
    QStringList names;
    MdbHandle *mdb = m_handle->mdb;
    for (unsigned i = 0; i < mdb->num_catalog; ++i) {
        auto *entry = static_cast<MdbCatalogEntry *>(g_ptr_array_index(mdb->catalog, i));
        if (entry->object_type == MDB_TABLE && mdb_is_user_table(entry))
            names << QString::fromUtf8(entry->object_name);
    }
    return names;
}

bool MdbReader::hasTable(const QString &name) const { return tableNames().contains(name); }

common::Result<MdbTable> MdbReader::readTable(const QString &name) const
{
    MdbHandle *mdb = m_handle->mdb;
    MdbCatalogEntry *entry = nullptr;
    for (unsigned i = 0; i < mdb->num_catalog && !entry; ++i) {
        auto *e = static_cast<MdbCatalogEntry *>(g_ptr_array_index(mdb->catalog, i));
        if (e->object_type == MDB_TABLE && QString::fromUtf8(e->object_name) == name)
            entry = e;
    }
    if (!entry) {
        return common::Error::failed(QStringLiteral("Access 文件中没有表“%1”").arg(name));
    }
    TablePtr table(mdb_read_table(entry));
    if (!table || !mdb_read_columns(table.get())) {
        return common::Error::failed(QStringLiteral("无法读取表“%1”的字段").arg(name));
    }
    mdb_rewind_table(table.get());

    const unsigned count = table->num_cols;
    const size_t bindSize = bindSizeFor(table.get());
    mdb_set_bind_size(mdb, bindSize);
    QList<QByteArray> buffers(count);
    QList<int> lengths(count, 0);
    MdbTable result;
    result.name = name;
    for (unsigned i = 0; i < count; ++i) {
        auto *col = static_cast<MdbColumn *>(g_ptr_array_index(table->columns, i));
        result.columns.append({QString::fromUtf8(col->name), columnType(col->col_type)});
        buffers[i] = QByteArray(int(bindSize), '\0');
        mdb_bind_column(table.get(), int(i) + 1, buffers[i].data(), &lengths[i]);
    }
    while (mdb_fetch_row(table.get())) {
        QVariantMap row;
        for (unsigned i = 0; i < count; ++i) {
            auto *col = static_cast<MdbColumn *>(g_ptr_array_index(table->columns, i));
            const int length = qBound(0, lengths[i], int(bindSize) - 1);
            row.insert(result.columns[i].name, cellValue(mdb, col, buffers[i], length));
        }
        result.rows.append(row);
    }
    // Rows whose pages libmdb could not follow would be lost without a word.
    if (table->num_rows != unsigned(result.rows.size())) {
        return common::Error::failed(QStringLiteral("表“%1”应有 %2 条记录，只读出 %3 条")
                     .arg(name).arg(table->num_rows).arg(result.rows.size()));
    }
    return result;
}

} // namespace store
