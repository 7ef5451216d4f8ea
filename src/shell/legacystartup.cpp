#include "shell/legacystartup.h"

#include "common/ui/prompt.h"
#include "store/fields.h"
#include "store/mdbisolated.h"

#include <QFileInfo>

namespace shell {

using namespace store;

LegacyStep legacyStep(FileKind kind, const QString &readError)
{
    switch (kind) {
    case FileKind::Jet3:
    case FileKind::Jet4:
        return readError.isEmpty() ? LegacyStep::AskToImport : LegacyStep::RefuseDamaged;
    case FileKind::Ace:
        return LegacyStep::RefuseNewer;
    default:
        return LegacyStep::NotLegacy;
    }
}

QString legacyImportQuestion(const QString &fileName)
{
    return QStringLiteral("“%1”是旧版 Access 数据库。\n是否把其中的维修记录导入新的数据库？\n\n"
                          "原文件会原样保留为备份，不会被改动。选“否”则程序退出。")
        .arg(fileName);
}

QString legacyDeclinedNotice(const QString &fileName)
{
    return QStringLiteral("没有导入。程序将退出，“%1”未作任何改动。").arg(fileName);
}

QString legacyNewerFormatNotice(const QString &fileName)
{
    return QStringLiteral("“%1”是 Access 2007 或更新版本的格式（.accdb），本程序无法读取。\n"
                          "请在 Access 中把它另存为 Access 2000 格式后再试。\n文件未作任何改动，程序将退出。")
        .arg(fileName);
}

QString legacyDamagedNotice(const QString &fileName, const QString &readError)
{
    return QStringLiteral("无法读取“%1”：%2\n文件可能已损坏。文件未作任何改动，程序将退出。")
        .arg(fileName, readError);
}

QString legacyImportFailedNotice(const QString &error)
{
    return QStringLiteral("导入失败：%1\n原文件仍在原处，未作任何改动。程序将退出。").arg(error);
}

namespace {

// Whether the file reads far enough to be imported at all.
QString readProblem(const QString &path)
{
    const common::Result<MdbContents> contents = readMdbIsolated(path, {});
    if (contents.failed())
        return contents.error().text;
    if (!contents->tableNames.contains(tableName()))
        return QStringLiteral("文件中没有表“%1”").arg(tableName());
    return {};
}

} // namespace

LegacyOutcome offerLegacyImport(const QString &mdbPath, LegacyImport *result)
{
    const FileKind kind = detectFileKind(mdbPath);
    const bool isJet = kind == FileKind::Jet3 || kind == FileKind::Jet4;
    const QString problem = isJet ? readProblem(mdbPath) : QString();
    const QString name = QFileInfo(mdbPath).fileName();
    using common::Answer;
    using common::Buttons;
    using common::Icon;

    switch (legacyStep(kind, problem)) {
    case LegacyStep::NotLegacy:
        return LegacyOutcome::NotLegacy;
    case LegacyStep::RefuseNewer:
        common::say(legacyNewerFormatNotice(name), QStringLiteral("警告"), Icon::Critical);
        return LegacyOutcome::Refused;
    case LegacyStep::RefuseDamaged:
        common::say(legacyDamagedNotice(name, problem), QStringLiteral("警告"), Icon::Critical);
        return LegacyOutcome::Refused;
    case LegacyStep::AskToImport:
        break;
    }

    if (common::say(legacyImportQuestion(name), QStringLiteral("提示"), Icon::Question, Buttons::YesNo)
        != Answer::Yes) {
        common::say(legacyDeclinedNotice(name), QStringLiteral("提示"), Icon::Information);
        return LegacyOutcome::Declined;
    }
    const common::Result<LegacyImport> imported = importLegacyDatabase(mdbPath);
    if (imported.failed()) {
        common::say(legacyImportFailedNotice(imported.error().text), QStringLiteral("警告"), Icon::Critical, common::Buttons::Ok, imported.error().detail);
        return LegacyOutcome::Failed;
    }
    if (result)
        *result = *imported;
    common::say(imported->summary(), QStringLiteral("导入完成"), Icon::Information);
    return LegacyOutcome::Imported;
}

} // namespace shell
