#include "store/legacyimport.h"

#include "common/clock.h"
#include "common/textrules.h"
#include "store/database.h"
#include "store/fields.h"
#include "store/mdbisolated.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSet>
#include <QSqlError>
#include <QSqlQuery>

#include <cmath>
#include <optional>

namespace store {

namespace {

constexpr int kLowestNumber = -32768;
constexpr int kHighestNumber = 32767;

QString textOf(const QVariant &v)
{
    if (!v.isValid() || v.isNull())
        return {};
    switch (v.typeId()) {
    case QMetaType::QDateTime: {
        const QDateTime dt = v.toDateTime();
        return dt.time() == QTime(0, 0) ? common::isoDate(dt.date())
                                        : dt.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    }
    case QMetaType::Bool:
        return v.toBool() ? QStringLiteral("是") : QStringLiteral("否");
    case QMetaType::Double:
        return QString::number(v.toDouble(), 'g', 15);
    default:
        return v.toString();
    }
}

std::optional<int> wholeNumber(const QVariant &v)
{
    if (!v.isValid() || v.isNull())
        return std::nullopt;
    double d = 0;
    if (v.typeId() == QMetaType::QString) {
        const auto parsed = common::parseNumber(v.toString());
        if (!parsed)
            return std::nullopt;
        d = *parsed;
    } else if (v.typeId() == QMetaType::LongLong || v.typeId() == QMetaType::Int
               || v.typeId() == QMetaType::Double) {
        d = v.toDouble();
    } else {
        return std::nullopt;
    }
    if (d != std::trunc(d) || d < kLowestNumber || d > kHighestNumber)
        return std::nullopt;
    return int(d);
}

// Hands out job numbers: an old number keeps its value the first time it is
// seen; a repeat, a missing or an impossible number gets the next number not
// used by any old row nor handed out before (0 never: the query window hides it).
class JobNumbers {
public:
    explicit JobNumbers(const QSet<int> &oldNumbers)
        : m_next(kSlots + 1)
    {
        for (int i = 0; i <= kSlots; ++i)
            m_next[i] = i;
        for (int n : oldNumbers)
            take(n);
        take(0);
    }

    std::optional<int> claim(std::optional<int> old)
    {
        if (old && !m_kept.contains(*old)) {
            m_kept.insert(*old);
            return old;
        }
        const int from = old ? *old : 0;
        for (int start : {from + 1, 1, kLowestNumber}) {
            if (start > kHighestNumber)
                continue;
            const int n = firstFreeFrom(start);
            if (n <= kHighestNumber) {
                take(n);
                return n;
            }
        }
        return std::nullopt;
    }

private:
    static constexpr int kSlots = kHighestNumber - kLowestNumber + 1; // the last slot means "none"

    // Each slot points at a slot at or after it that may be free; taken
    // slots point onwards, so a search skips whole runs at once.
    int firstFreeFrom(int number)
    {
        int i = number - kLowestNumber;
        int root = i;
        while (m_next[root] != root)
            root = m_next[root];
        while (m_next[i] != root) {
            const int next = m_next[i];
            m_next[i] = root;
            i = next;
        }
        return root + kLowestNumber;
    }

    void take(int n) { m_next[n - kLowestNumber] = n - kLowestNumber + 1; }

    QList<int> m_next;
    QSet<int> m_kept;
};

std::optional<QTime> timeFromText(const QString &text)
{
    static const QRegularExpression pattern(
        QStringLiteral(R"((上午|下午|AM|PM)?\s*(\d{1,2}):(\d{1,2})(?::(\d{1,2}))?\s*(AM|PM)?\s*$)"),
        QRegularExpression::CaseInsensitiveOption);
    const auto m = pattern.match(text.trimmed());
    if (!m.hasMatch())
        return std::nullopt;
    int h = m.captured(2).toInt();
    const QString half = (m.captured(1) + m.captured(5)).toUpper();
    const bool pm = half == QStringLiteral("下午") || half == QLatin1String("PM");
    const bool am = half == QStringLiteral("上午") || half == QLatin1String("AM");
    if ((pm || am) && (h < 1 || h > 12))
        return std::nullopt;
    if (pm && h < 12)
        h += 12;
    if (am && h == 12)
        h = 0;
    const QTime t(h, m.captured(3).toInt(), m.captured(4).isEmpty() ? 0 : m.captured(4).toInt());
    if (!t.isValid())
        return std::nullopt;
    return t;
}

std::optional<int> yesNoOf(const QVariant &v)
{
    switch (v.typeId()) {
    case QMetaType::Bool:
        return v.toBool() ? -1 : 0;
    case QMetaType::LongLong:
    case QMetaType::Int:
    case QMetaType::Double:
        return v.toDouble() != 0 ? -1 : 0;
    default:
        break;
    }
    static const QStringList yes = {"是", "-1", "1", "true", "yes", "on", "真"};
    static const QStringList no = {"否", "0", "false", "no", "off", "假", ""};
    const QString t = v.toString().trimmed().toLower();
    if (yes.contains(t))
        return -1;
    if (no.contains(t))
        return 0;
    return std::nullopt;
}

// Text by code points, as the database counts the limit.
QString cutToLength(const QString &text, int maxLength, bool *cut)
{
    const QList<uint> points = text.toUcs4();
    *cut = points.size() > maxLength;
    if (!*cut)
        return text;
    return QString::fromUcs4(reinterpret_cast<const char32_t *>(points.constData()), maxLength);
}

// Turns one old value into the field's stored form, noting anything changed.
class RowMapper {
public:
    RowMapper(int jobNumber, QList<Conversion> *conversions)
        : m_job(jobNumber), m_conversions(conversions) {}

    QVariant map(const FieldDef &f, const QVariant &value)
    {
        const bool isNull = !value.isValid() || value.isNull();
        switch (f.kind) {
        case FieldKind::JobNumber:
            return m_job;
        case FieldKind::Text:
            return isNull ? noValue(f) : limited(f, value, textOf(value));
        case FieldKind::PurchaseDate:
            return isNull ? QVariant() : purchaseDate(f, value);
        case FieldKind::Date:
            return isNull ? QVariant() : date(f, value);
        case FieldKind::Number:
            return isNull ? QVariant() : number(f, value);
        case FieldKind::YesNo:
            return isNull ? noValue(f) : yesNo(f, value);
        case FieldKind::Time:
            return isNull ? QVariant() : time(f, value);
        }
        return {};
    }

private:
    void note(const FieldDef &f, const QVariant &old, const QString &now, Conversion::Kind kind)
    {
        m_conversions->append({m_job, f.name, textOf(old), now, kind});
    }

    QVariant limited(const FieldDef &f, const QVariant &old, const QString &text)
    {
        bool cut = false;
        const QString kept = cutToLength(text, f.maxLength, &cut);
        if (cut)
            note(f, old, kept, Conversion::Kind::Cut);
        else if (old.typeId() != QMetaType::QString)
            note(f, old, kept, Conversion::Kind::Reformatted);
        return kept;
    }

    QVariant purchaseDate(const FieldDef &f, const QVariant &old)
    {
        if (old.typeId() == QMetaType::QDateTime)
            return common::isoDate(old.toDateTime().date());
        const QString text = textOf(old);
        if (const auto d = common::parseDate(text); d && common::isoDate(*d) != text) {
            note(f, old, common::isoDate(*d), Conversion::Kind::Reformatted);
            return common::isoDate(*d);
        }
        return limited(f, old, text); // "超保" and any other words stay as they are
    }

    QVariant date(const FieldDef &f, const QVariant &old)
    {
        if (old.typeId() == QMetaType::QDateTime)
            return common::isoDate(old.toDateTime().date());
        const QString text = textOf(old);
        if (text.trimmed().isEmpty())
            return {};
        if (const auto d = common::parseDate(text)) {
            if (common::isoDate(*d) != text)
                note(f, old, common::isoDate(*d), Conversion::Kind::Reformatted);
            return common::isoDate(*d);
        }
        note(f, old, QString(), Conversion::Kind::Unreadable);
        return {};
    }

    QVariant number(const FieldDef &f, const QVariant &old)
    {
        switch (old.typeId()) {
        case QMetaType::LongLong:
        case QMetaType::Int:
            return old.toLongLong();
        case QMetaType::Double:
            return old.toDouble();
        case QMetaType::Bool:
            note(f, old, old.toBool() ? QStringLiteral("-1") : QStringLiteral("0"), Conversion::Kind::Reformatted);
            return old.toBool() ? -1 : 0;
        default:
            break;
        }
        const QString text = textOf(old);
        if (text.trimmed().isEmpty())
            return {};
        if (const auto n = common::parseNumber(text)) {
            const QVariant stored = *n == std::trunc(*n) && std::fabs(*n) < 9.0e15 ? QVariant(qint64(*n)) : QVariant(*n);
            note(f, old, stored.toString(), Conversion::Kind::Reformatted);
            return stored;
        }
        note(f, old, QString(), Conversion::Kind::Unreadable);
        return {};
    }

    QVariant yesNo(const FieldDef &f, const QVariant &old)
    {
        if (const auto v = yesNoOf(old)) {
            if (old.typeId() == QMetaType::QString)
                note(f, old, QString::number(*v), Conversion::Kind::Reformatted);
            return *v;
        }
        note(f, old, QStringLiteral("0"), Conversion::Kind::Unreadable);
        return 0;
    }

    QVariant time(const FieldDef &f, const QVariant &old)
    {
        if (old.typeId() == QMetaType::QDateTime)
            return old.toDateTime().time().toString(QStringLiteral("HH:mm:ss"));
        const QString text = textOf(old);
        if (text.trimmed().isEmpty())
            return {};
        if (const auto t = timeFromText(text)) {
            const QString stored = t->toString(QStringLiteral("HH:mm:ss"));
            if (stored != text)
                note(f, old, stored, Conversion::Kind::Reformatted);
            return stored;
        }
        note(f, old, QString(), Conversion::Kind::Unreadable);
        return {};
    }

    int m_job;
    QList<Conversion> *m_conversions;
};

// Old column for each field: the same name, or the same name in another case
// (an old file may say "photo").
QMap<QString, QString> matchColumns(const QStringList &columns, MappedJobs *out)
{
    QMap<QString, QString> columnOf;
    QSet<QString> used;
    for (const FieldDef &f : fields()) {
        QString match;
        for (const QString &c : columns)
            if (c == f.name)
                match = c;
        if (match.isEmpty())
            for (const QString &c : columns)
                if (c.trimmed().compare(f.name, Qt::CaseInsensitive) == 0 && !used.contains(c))
                    match = c;
        if (match.isEmpty()) {
            out->missingFields << f.name;
        } else {
            columnOf.insert(f.name, match);
            used.insert(match);
        }
    }
    for (const QString &c : columns)
        if (!used.contains(c))
            out->ignoredFields << c;
    return columnOf;
}

QVariant missingFieldDefault(const FieldDef &f)
{
    if (f.name == QStringLiteral("是否申请"))
        return QStringLiteral("否");
    return noValue(f);
}

QString uniqueBeside(const QString &path)
{
    if (!QFileInfo::exists(path))
        return path;
    const QFileInfo info(path);
    for (int i = 2;; ++i) {
        const QString candidate = info.dir().filePath(
            QStringLiteral("%1-%2.%3").arg(info.completeBaseName()).arg(i).arg(info.suffix()));
        if (!QFileInfo::exists(candidate))
            return candidate;
    }
}

template <typename T>
QStringList firstLines(const QList<T> &items, int limit, const std::function<QString(const T &)> &line)
{
    QStringList lines;
    for (int i = 0; i < items.size() && i < limit; ++i)
        lines << QStringLiteral("  ") + line(items.at(i));
    if (items.size() > limit)
        lines << QStringLiteral("  ……另有 %1 项").arg(items.size() - limit);
    return lines;
}

} // namespace

common::Result<MappedJobs> mapLegacyJobs(const QStringList &columns, const QList<QVariantMap> &rows)
{
    MappedJobs result;
    const QMap<QString, QString> columnOf = matchColumns(columns, &result);
    const QString numberColumn = columnOf.value(QStringLiteral("编号"));

    QSet<int> oldNumbers;
    for (const QVariantMap &row : rows)
        if (const auto n = wholeNumber(row.value(numberColumn)))
            oldNumbers.insert(*n);
    JobNumbers numbers(oldNumbers);

    for (const QVariantMap &row : rows) {
        const QVariant oldNumber = numberColumn.isEmpty() ? QVariant() : row.value(numberColumn);
        const std::optional<int> old = wholeNumber(oldNumber);
        const std::optional<int> job = numbers.claim(old);
        if (!job)
            return common::Error::failed(QStringLiteral("旧数据库的记录超过了编号的容量（最多 65536 条）"));
        if (!old || *old != *job)
            result.renumbered.append({oldNumber, *job});

        RowMapper mapper(*job, &result.conversions);
        QVariantMap mapped;
        for (const FieldDef &f : fields()) {
            const auto column = columnOf.constFind(f.name);
            mapped.insert(f.name, column == columnOf.cend() ? missingFieldDefault(f)
                                                            : mapper.map(f, row.value(*column)));
        }
        result.rows.append(mapped);
    }
    return result;
}

common::Result<void> writeJobs(const QString &path, const QList<QVariantMap> &rows)
{
    common::Result<std::unique_ptr<Database>> made = Database::create(path);
    if (made.failed())
        return made.error();
    std::unique_ptr<Database> db = std::move(made).value();
    StoreError err;
    QSqlDatabase sql = db->sql();
    const QStringList names = fieldNames();
    QStringList marks;
    for (int i = 0; i < names.size(); ++i)
        marks << QStringLiteral("?");
    const QString insert = QStringLiteral("INSERT INTO 客户信息 (%1) VALUES (%2)")
                               .arg(names.join(QLatin1Char(',')), marks.join(QLatin1Char(',')));
    bool ok = sql.transaction();
    if (!ok)
        err = errorFromSql(sql.lastError());
    QSqlQuery q(sql);
    if (ok && !q.prepare(insert)) {
        ok = false;
        err = errorFromSql(q.lastError());
    }
    for (int r = 0; ok && r < rows.size(); ++r) {
        for (int i = 0; i < names.size(); ++i)
            q.bindValue(i, rows.at(r).value(names.at(i)));
        if (!q.exec()) {
            ok = false;
            err = errorFromSql(q.lastError());
            err.text = QStringLiteral("第 %1 条记录（编号 %2）无法写入：%3")
                           .arg(r + 1).arg(rows.at(r).value(QStringLiteral("编号")).toString(), err.text);
        }
    }
    if (ok) {
        QSqlQuery count(sql);
        ok = count.exec(QStringLiteral("SELECT count(*) FROM 客户信息")) && count.next()
             && count.value(0).toInt() == rows.size();
        if (!ok)
            err = {code::Engine, QStringLiteral("写入后的记录数与读出的不一致")};
    }
    if (ok && !sql.commit()) {
        ok = false;
        err = errorFromSql(sql.lastError());
    }
    if (!ok) {
        sql.rollback();
        q = QSqlQuery();
        sql = QSqlDatabase();
        db.reset();
        QFile::remove(path);
        if (err.ok())
            err = {code::Engine, QStringLiteral("写入新数据库失败")};
    }
    return err;
}

QString legacyBackupPath(const QString &mdbPath, const QDateTime &at)
{
    const QFileInfo info(mdbPath);
    return info.dir().filePath(QStringLiteral("%1.jet-备份-%2.%3")
                                   .arg(info.completeBaseName(),
                                        at.toString(QStringLiteral("yyyyMMdd-HHmmss")),
                                        info.suffix()));
}

QString LegacyImport::summary() const
{
    QStringList text;
    text << QStringLiteral("已从旧数据库导入维修记录：读出 %1 条，写入 %2 条。").arg(rowsRead).arg(rowsWritten);
    text << QStringLiteral("原文件已原样保存为：%1").arg(QFileInfo(backupPath).fileName());
    constexpr int limit = 30;
    if (!jobs.renumbered.isEmpty()) {
        text << QString() << QStringLiteral("以下编号重复或无效，已改用新编号：");
        text << firstLines<Renumbering>(jobs.renumbered, limit, [](const Renumbering &r) {
            const QString old = r.oldNumber.isValid() && !r.oldNumber.isNull() ? r.oldNumber.toString()
                                                                               : QStringLiteral("（空）");
            return QStringLiteral("%1 → %2").arg(old).arg(r.newNumber);
        });
    }
    QList<Conversion> lossy;
    QMap<QString, int> reformatted;
    for (const Conversion &c : jobs.conversions) {
        if (c.kind == Conversion::Kind::Reformatted)
            ++reformatted[c.field];
        else
            lossy << c;
    }
    if (!lossy.isEmpty()) {
        text << QString() << QStringLiteral("以下内容无法原样导入：");
        text << firstLines<Conversion>(lossy, limit, [](const Conversion &c) {
            if (c.kind == Conversion::Kind::Cut)
                return QStringLiteral("编号 %1 的%2太长，只保留了前 %3 个字")
                    .arg(c.jobNumber).arg(c.field).arg(c.newText.toUcs4().size());
            return QStringLiteral("编号 %1 的%2“%3”无法识别，已%4")
                .arg(c.jobNumber).arg(c.field, c.oldText,
                     c.newText.isEmpty() ? QStringLiteral("留空") : QStringLiteral("记为 ") + c.newText);
        });
    }
    if (!reformatted.isEmpty()) {
        QStringList parts;
        for (auto it = reformatted.cbegin(); it != reformatted.cend(); ++it)
            parts << QStringLiteral("%1 %2 处").arg(it.key()).arg(it.value());
        text << QString() << QStringLiteral("已换成新的格式：") + parts.join(QStringLiteral("，"));
    }
    if (!jobs.ignoredFields.isEmpty())
        text << QString() << QStringLiteral("旧文件中的这些字段新数据库没有，未导入：")
                                 + jobs.ignoredFields.join(QStringLiteral("、"));
    if (!jobs.missingFields.isEmpty())
        text << QString() << QStringLiteral("旧文件缺少这些字段，已按新记录的默认值填写：")
                                 + jobs.missingFields.join(QStringLiteral("、"));
    return text.join(QLatin1Char('\n'));
}

common::Result<LegacyImport> importLegacyDatabase(const QString &mdbPath)
{
    const FileKind kind = detectFileKind(mdbPath);
    if (kind != FileKind::Jet3 && kind != FileKind::Jet4)
        return common::Error::failed(
            QStringLiteral("%1 不是可以导入的 Access 97/2000/2003 数据库文件").arg(mdbPath));
    common::Result<MdbContents> contents = readMdbIsolated(mdbPath, {tableName()});
    if (contents.failed())
        return contents.error();
    MdbTable &old = contents->tables.first();
    return importLegacyRows(mdbPath, old.columnNames(), old.rows);
}

common::Result<LegacyImport> importLegacyRows(const QString &mdbPath, const QStringList &columns,
                                              const QList<QVariantMap> &rows)
{
    LegacyImport result;
    result.rowsRead = rows.size();
    common::Result<MappedJobs> mapped = mapLegacyJobs(columns, rows);
    if (mapped.failed())
        return mapped.error();
    result.jobs = std::move(mapped).value();
    // Built under a name of its own so a half-written database never sits
    // under the name the program opens.
    const QFileInfo info(mdbPath);
    const QString building = info.dir().filePath(info.fileName() + QStringLiteral(".导入中"));
    QFile::remove(building);
    if (const auto err = writeJobs(building, result.jobs.rows); err.failed())
        return err.error().reworded(QStringLiteral("无法写入新数据库：%1").arg(err.error().text));

    const QString backup = uniqueBeside(legacyBackupPath(mdbPath, common::clock().now()));
    if (!QFile::rename(mdbPath, backup)) {
        QFile::remove(building);
        return common::Error::failed(QStringLiteral("无法把原文件改名为 %1").arg(backup));
    }
    if (!QFile::rename(building, mdbPath)) {
        QFile::rename(backup, mdbPath);
        QFile::remove(building);
        return common::Error::failed(QStringLiteral("无法把新数据库放到 %1").arg(mdbPath));
    }
    result.backupPath = backup;
    result.rowsWritten = result.jobs.rows.size();
    return result;
}

} // namespace store
