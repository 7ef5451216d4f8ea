#include "statistics/statcli.h"

#include "common/clock.h"
#include "reports/catalogue/cli.h"
#include "statistics/statcsv.h"
#include "statistics/statpages.h"
#include "statistics/statworkbook.h"
#include "store/database.h"

#include <QFileInfo>
#include <QRegularExpression>
#include <QTextStream>

namespace statistics {

namespace {

const QString option = QStringLiteral("--statistics");

QString usage()
{
    return QStringLiteral("用法：corvale-render 数据文件夹 --statistics 开始日期 结束日期 输出.xlsx|输出.pdf|输出.csv"
                          "（日期写作 YYYY-MM-DD，如 2026-11-20）");
}

// Strictly YYYY-MM-DD: a scheduled job's dates are written by a script, and
// a day read loosely (2026-2-30, 20261120) would quietly give other figures.
common::Result<QDate> dayOf(const QString &text, const QString &which)
{
    static const QRegularExpression form(QStringLiteral("^(\\d{4})-(\\d{2})-(\\d{2})$"));
    const QRegularExpressionMatch m = form.match(text);
    const QDate day = m.hasMatch() ? QDate(m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt()) : QDate();
    if (!day.isValid())
        return common::Error::failed(
            QStringLiteral("%1“%2”不是日期：应写作 YYYY-MM-DD，如 2026-11-20").arg(which, text));
    return day;
}

void say(const QString &message)
{
    QTextStream(stderr) << "corvale-render: " << message << '\n';
}

} // namespace

bool isStatisticsCommandLine(const QStringList &arguments)
{
    return arguments.contains(option);
}

common::Result<StatisticsCommand> parseStatisticsArgs(const QStringList &arguments)
{
    if (arguments.size() != 5 || arguments.at(1) != option)
        return common::Error::failed(QStringLiteral("参数不对"));
    StatisticsCommand command;
    command.folder = arguments.at(0);
    const common::Result<QDate> from = dayOf(arguments.at(2), QStringLiteral("开始日期"));
    if (from.failed())
        return from.error();
    const common::Result<QDate> to = dayOf(arguments.at(3), QStringLiteral("结束日期"));
    if (to.failed())
        return to.error();
    if (*from > *to)
        return common::Error::failed(
            QStringLiteral("开始日期 %1 在结束日期 %2 之后").arg(arguments.at(2), arguments.at(3)));
    command.period = {*from, *to};
    const QString suffix = QFileInfo(arguments.at(4)).suffix().toLower();
    if (suffix == u"xlsx")
        command.kind = StatisticsFile::Workbook;
    else if (suffix == u"pdf")
        command.kind = StatisticsFile::Pdf;
    else if (suffix == u"csv")
        command.kind = StatisticsFile::Csv;
    else
        return common::Error::failed(
            QStringLiteral("不知道把统计写成哪种文件：“%1”应以 .xlsx、.pdf 或 .csv 结尾").arg(arguments.at(4)));
    command.out = QFileInfo(arguments.at(4)).absoluteFilePath();
    return command;
}

common::Result<void> writeStatisticsFile(const ShopFigures &f, StatisticsFile kind, const QString &path)
{
    switch (kind) {
    case StatisticsFile::Workbook:
        return writeStatisticsWorkbook(f, path);
    case StatisticsFile::Pdf:
        return writeStatisticsPdf(f, path);
    case StatisticsFile::Csv:
        return writeRepairerCsv(f, path);
    }
    return common::Error::failed(QStringLiteral("不知道把统计写成哪种文件"));
}

int runStatisticsCommand(const QStringList &arguments)
{
    const common::Result<StatisticsCommand> command = parseStatisticsArgs(arguments);
    if (command.failed()) {
        say(command.error().text);
        QTextStream(stderr) << usage() << '\n';
        return 2;
    }
    const common::Result<common::ShopContext> shop = reports::shopInFolder(command->folder);
    if (shop.failed()) {
        say(shop.error().text);
        return 1;
    }
    const common::Result<std::unique_ptr<store::Database>> db = store::Database::open(shop->jobTable);
    if (db.failed()) {
        say(QStringLiteral("无法打开数据库 “%1”：%2").arg(store::displayedAddress(shop->jobTable), db.error().text));
        return 1;
    }
    const common::Result<ShopFigures> figures =
        computeFigures(**db, command->period, common::clock().today(), shop->settings.overdueDays);
    if (figures.failed()) {
        say(figures.error().text);
        return 1;
    }
    if (const auto written = writeStatisticsFile(*figures, command->kind, command->out); written.failed()) {
        say(written.error().text);
        return 1;
    }
    return 0;
}

} // namespace statistics
