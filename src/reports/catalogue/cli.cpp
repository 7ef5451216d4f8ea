#include "reports/catalogue/cli.h"

#include "reports/catalogue/engine.h"
#include "store/database.h"

#include <QDir>
#include <QFileInfo>
#include <cstdio>

namespace reports {

namespace {

struct RequestArguments {
    QString folder;
    ReportRequest request;
    QString out; // .pdf, .xlsx or .csv
};

common::Result<RequestArguments> parseArguments(const QStringList &arguments)
{
    RequestArguments parsed;
    QStringList positional;
    bool haveFile = false;
    for (int i = 1; i < arguments.size(); ++i) {
        const QString &a = arguments.at(i);
        if (a == u"--file" || a == u"--formula") {
            if (i + 1 >= arguments.size())
                return common::Error::failed(a + QStringLiteral(" 后缺少参数"));
            (a == u"--file" ? parsed.request.file : parsed.request.formula) = arguments.at(++i);
            haveFile = haveFile || a == u"--file";
        } else {
            positional << a;
        }
    }
    if (!haveFile || positional.size() != 2)
        return common::Error::failed(QStringLiteral(
            "用法：corvale-render 数据文件夹 --file \"报表\\名称.RPT\" --formula \"公式\" 输出.pdf|.xlsx|.csv"));
    parsed.folder = positional.at(0);
    parsed.out = QFileInfo(positional.at(1)).absoluteFilePath();
    return parsed;
}

int fail(const QString &message)
{
    std::fprintf(stderr, "%s\n", message.toLocal8Bit().constData());
    return 1;
}

} // namespace

bool isRequestCommandLine(const QStringList &arguments)
{
    return arguments.contains(QStringLiteral("--file"));
}

int runRequestCli(const QStringList &arguments)
{
    const common::Result<RequestArguments> parsed = parseArguments(arguments);
    if (parsed.failed())
        return fail(parsed.error().wholeText());
    const common::Result<common::ShopContext> shop = shopInFolder(parsed->folder);
    if (shop.failed())
        return fail(shop.error().wholeText());
    if (const auto e = renderRequest(parsed->request, *shop, parsed->out); e.failed())
        return fail(e.error().wholeText());
    return 0;
}

common::Result<common::ShopContext> shopInFolder(const QString &folder)
{
    if (!QFileInfo(folder).isDir())
        return common::Error::failed(QStringLiteral("找不到数据文件夹 “%1”").arg(folder));
    common::ShopContext shop;
    shop.folder = QFileInfo(folder).absoluteFilePath();
    const common::Result<common::LoadedSettings> loaded =
        common::SiteSettings::load(shop.file(common::settingsFileName()));
    if (loaded.failed())
        std::fprintf(stderr, "corvale.ini: %s\n", loaded.error().text.toLocal8Bit().constData());
    shop.settings = loaded.ok() ? loaded->settings : common::SiteSettings::defaults();
    for (const QString &note : loaded.ok() ? loaded->notes : QStringList())
        std::fprintf(stderr, "corvale.ini: %s\n", note.toLocal8Bit().constData());
    const common::Result<QString> located = store::jobTableLocation(shop.folder, shop.settings);
    if (located.failed())
        return located.error();
    shop.jobTable = *located;
    return shop;
}

} // namespace reports
