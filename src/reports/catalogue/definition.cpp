#include "reports/catalogue/definition.h"

#include "common/regularfile.h"
#include "store/fields.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace reports {

namespace {

const QString reportFolder = QStringLiteral("报表");
const QString resourceFolder = QStringLiteral(":/reports/definitions");

// No page shows more than a few hundred characters on a line: a title or
// caption longer than that is cut before anything measures it, so a
// definition with a title of millions of characters prints at once.
QString printable(const QString &text)
{
    constexpr int longest = 400;
    return text.size() <= longest ? text : text.left(longest - 1) + QStringLiteral("…");
}

Qt::Alignment alignmentFrom(const QString &text, const store::FieldDef *field)
{
    if (text == u"right")
        return Qt::AlignRight;
    if (text == u"center")
        return Qt::AlignHCenter;
    if (text == u"left")
        return Qt::AlignLeft;
    return field && field->kind == store::FieldKind::Number ? Qt::AlignRight : Qt::AlignLeft;
}

QString checkField(const QString &name, const QString &where)
{
    return store::findField(name) ? QString()
                                   : QStringLiteral("%1：表 %2 没有字段 “%3”").arg(where, store::tableName(), name);
}

QString readColumns(const QJsonArray &array, QVector<ReportColumn> *columns)
{
    for (const QJsonValue &v : array) {
        const QJsonObject o = v.toObject();
        ReportColumn c;
        c.field = o.value(u"field").toString();
        c.caption = printable(o.value(u"caption").toString(c.field));
        c.width = o.value(u"width").toDouble(20);
        if (!c.field.isEmpty()) {
            if (QString e = checkField(c.field, QStringLiteral("列")); !e.isEmpty())
                return e;
        }
        if (c.width <= 0)
            return QStringLiteral("列 “%1” 的宽度必须大于 0").arg(c.caption);
        c.align = alignmentFrom(o.value(u"align").toString(), store::findField(c.field));
        columns->append(c);
    }
    return columns->isEmpty() ? QStringLiteral("报表没有列") : QString();
}

QString readTotals(const QJsonArray &array, const ReportDefinition &d, QStringList *totals)
{
    for (const QJsonValue &v : array) {
        const QString name = v.toString();
        const store::FieldDef *f = store::findField(name);
        if (!f || f->kind != store::FieldKind::Number)
            return QStringLiteral("合计：“%1” 不是数值字段").arg(name);
        const bool shown = std::any_of(d.columns.begin(), d.columns.end(),
                                       [&](const ReportColumn &c) { return c.field == name; });
        if (!shown)
            return QStringLiteral("合计：字段 “%1” 不在报表的列中").arg(name);
        totals->append(name);
    }
    return {};
}

} // namespace

namespace {

// The definition's fields, or the first problem found in them.
QString readDefinition(const QJsonObject &o, ReportDefinition &d)
{
    d.title = printable(o.value(u"title").toString());
    const QString paper = o.value(u"paper").toString(QStringLiteral("A4"));
    d.paper = paper == u"A3" ? QPageSize::A3 : paper == u"B5" ? QPageSize::B5 : QPageSize::A4;
    if (paper != u"A4" && paper != u"A3" && paper != u"B5")
        return QStringLiteral("纸张 “%1” 不可用（A4、A3 或 B5）").arg(paper);
    d.orientation = o.value(u"orientation").toString() == u"landscape" ? QPageLayout::Landscape
                                                                        : QPageLayout::Portrait;
    d.fontPoints = o.value(u"fontSize").toDouble(9);
    if (d.fontPoints < 4 || d.fontPoints > 36)
        return QStringLiteral("字号 %1 不可用").arg(d.fontPoints);
    if (QString e = readColumns(o.value(u"columns").toArray(), &d.columns); !e.isEmpty())
        return e;
    for (const QJsonValue &v : o.value(u"sort").toArray()) {
        if (QString e = checkField(v.toString(), QStringLiteral("排序")); !e.isEmpty())
            return e;
        d.sort.append(v.toString());
    }
    const QJsonObject group = o.value(u"group").toObject();
    d.groupField = group.value(u"field").toString();
    d.groupCaption = printable(group.value(u"caption").toString(d.groupField));
    if (!d.groupField.isEmpty()) {
        if (QString e = checkField(d.groupField, QStringLiteral("分组")); !e.isEmpty())
            return e;
    }
    return readTotals(o.value(u"totals").toArray(), d, &d.totals);
}

// The parser's reason in the shop's words; its own text follows only for
// the rare cases a clerk cannot act on anyway.
QString jsonProblem(const QJsonParseError &e)
{
    switch (e.error) {
    case QJsonParseError::NoError:
        return QStringLiteral("最外层不是 { } 括起的定义");
    case QJsonParseError::UnterminatedObject:
    case QJsonParseError::UnterminatedArray:
    case QJsonParseError::UnterminatedString:
        return QStringLiteral("括号或引号没有配对");
    case QJsonParseError::MissingNameSeparator:
    case QJsonParseError::MissingValueSeparator:
    case QJsonParseError::MissingObject:
        return QStringLiteral("缺少冒号、逗号或括号");
    case QJsonParseError::IllegalValue:
    case QJsonParseError::IllegalNumber:
    case QJsonParseError::IllegalEscapeSequence:
    case QJsonParseError::IllegalUTF8String:
        return QStringLiteral("有不能识别的内容，文件可能已损坏或不是文字");
    case QJsonParseError::DeepNesting:
        return QStringLiteral("括号套得太深");
    case QJsonParseError::DocumentTooLarge:
        return QStringLiteral("文件太大");
    default:
        return QStringLiteral("不能识别（%1）").arg(e.errorString());
    }
}

} // namespace

common::Result<ReportDefinition> parseReportDefinition(const QByteArray &text)
{
    if (text.trimmed().isEmpty())
        return common::Error::failed(QStringLiteral("报表定义的格式不对（文件是空的）"));
    QJsonParseError parseError;
    const QJsonDocument doc = QJsonDocument::fromJson(text, &parseError);
    if (!doc.isObject())
        return common::Error::failed(QStringLiteral("报表定义的格式不对（第 %1 字节：%2）")
                                         .arg(parseError.offset)
                                         .arg(jsonProblem(parseError)));
    ReportDefinition d;
    if (const QString e = readDefinition(doc.object(), d); !e.isEmpty())
        return common::Error::failed(e);
    return d;
}

common::Result<ReportDefinition> loadReportDefinition(const QString &path)
{
    const QString shown = QDir::toNativeSeparators(path);
    const QFileInfo info(path);
    if (!info.exists())
        return common::Error::failed(QStringLiteral("找不到报表文件 “%1”").arg(shown));
    QFile file(path);
    if (!info.isFile() || !file.open(QIODevice::ReadOnly))
        return common::Error::failed(QStringLiteral("无法读取报表文件 “%1”").arg(shown));
    common::Result<ReportDefinition> loaded = parseReportDefinition(file.readAll());
    if (loaded.failed())
        return common::Error::failed(
            QStringLiteral("报表文件 “%1” 有误：%2。\n删除这个文件后再打开报表，程序会重新写入自带的定义；"
                           "若是自己改过的定义，请先留一份副本。")
                .arg(shown, loaded.error().text));
    return loaded;
}

QString reportFilePath(const QString &folder, const QString &catalogueFile)
{
    QString relative = catalogueFile;
    relative.replace(u'\\', u'/');
    return QDir(folder).filePath(relative);
}

bool insideReportFolder(const QString &folder, const QString &path)
{
    const QString reports = QFileInfo(QDir(folder).filePath(reportFolder)).canonicalFilePath();
    const QFileInfo target(path);
    // A file not there yet is judged by the folder it would be in.
    const QString where = target.exists() ? target.canonicalFilePath()
                                          : QFileInfo(target.absolutePath()).canonicalFilePath() + u'/' + target.fileName();
    return !reports.isEmpty() && where.startsWith(reports + u'/');
}

QStringList builtInDefinitionNames()
{
    return QDir(resourceFolder).entryList(QDir::Files, QDir::Name);
}

common::Result<QStringList> ensureReportDefinitions(const QString &folder)
{
    QDir dir(folder);
    const QFileInfo reports(dir.filePath(reportFolder));
    if (reports.exists() && !reports.isDir())
        return common::Error::failed(
            QStringLiteral("数据文件夹中的 “%1” 是一个文件，不是文件夹，报表定义无法放在那里。\n"
                           "请把这个文件改名或移走，再打开报表，程序会重新写入报表定义。")
                .arg(QDir::toNativeSeparators(reports.filePath())));
    if (!reports.exists() && !dir.mkpath(reportFolder))
        return common::Error::failed(QStringLiteral("无法建立文件夹 “%1”").arg(dir.filePath(reportFolder)));
    QStringList rewritten;
    for (const QString &name : builtInDefinitionNames()) {
        const QString target = dir.filePath(reportFolder + u'/' + name);
        // An empty one is what a full disk left behind: the stock one takes its place.
        const QFileInfo existing(target);
        const bool empty = existing.isFile() && existing.size() == 0;
        if (existing.exists() && !empty)
            continue;
        for (const QString &place : {reports.filePath(), target})
            if (const auto e = common::refuseLinkOutOfFolder(place); e.failed())
                return e.error();
        QFile source(resourceFolder + u'/' + name);
        // Written beside and renamed into place when whole, so a full disk
        // leaves no empty definition behind.
        QSaveFile out(target);
        if (!source.open(QIODevice::ReadOnly) || !out.open(QIODevice::WriteOnly) || out.write(source.readAll()) < 0
            || !out.commit())
            return common::Error::failed(QStringLiteral("无法写入报表文件 “%1”").arg(target));
        if (empty)
            rewritten << name;
    }
    return rewritten;
}

} // namespace reports
