#include "reports/engine_cli.h"

#include "reports/enginesheet.h"

#include <QDir>
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
    parsed.out = QDir(QDir::currentPath()).absoluteFilePath(positional.at(1));
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
        return fail(parsed.error().text);
    if (!QDir::setCurrent(parsed->folder))
        return fail(QStringLiteral("找不到数据文件夹 “%1”").arg(parsed->folder));
    if (const auto e = renderRequest(parsed->request, parsed->out); e.failed())
        return fail(e.error().text);
    return 0;
}

} // namespace reports
