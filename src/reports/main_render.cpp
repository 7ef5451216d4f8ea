// corvale-render: prints a data report for one job into a PDF, a
// catalogue report into a PDF or spreadsheet, or the shop's figures for a
// period, without any window, for scripts and tests.
#include "common/fonts.h"
#include "reports/forms/datareport.h"
#include "reports/catalogue/cli.h"
#include "reports/forms/formlayout.h"
#include "statistics/statcli.h"

#include <QGuiApplication>
#include <QTextStream>

namespace {

// What --help prints, and the first lines of the manual page corvale-render(1).
QString usageText()
{
    return QStringLiteral("usage: corvale-render DATAFOLDER REPORT JOBNUMBER OUT.pdf\n"
                          "       corvale-render DATAFOLDER REPORT --calibration OUT.pdf\n"
                          "       corvale-render DATAFOLDER --file DEFINITION --formula FORMULA OUT.pdf|OUT.xlsx|OUT.csv\n"
                          "       corvale-render DATAFOLDER --statistics FROM TO OUT.xlsx|OUT.pdf|OUT.csv\n"
                          "       corvale-render --help | --version\n"
                          "REPORT is one of: ")
        + reports::dataReportNames().join(QLatin1Char(' ')) + u'\n';
}

int usage()
{
    QTextStream(stderr) << usageText();
    return 2;
}

int renderDataReport(const QStringList &args)
{
    if (args.size() != 4)
        return usage();
    const common::Result<common::ShopContext> shop = reports::shopInFolder(args.at(0));
    if (shop.failed()) {
        QTextStream(stderr) << "corvale-render: " << shop.error().wholeText() << "\n";
        return 1;
    }
    if (args.at(2) == QLatin1String("--calibration")) {
        const common::Result<reports::ReportRenderer> renderer = reports::dataReportRenderer(args.at(1), *shop);
        const common::Result<void> e = renderer.ok() ? renderer->calibrationToPdf(args.at(3)) : renderer.error();
        if (e.failed())
            QTextStream(stderr) << "corvale-render: " << e.error().wholeText() << "\n";
        return e.failed() ? 1 : 0;
    }
    bool ok = false;
    const int job = args.at(2).toInt(&ok);
    if (!ok || job < -32768 || job > 32767) {
        QTextStream(stderr) << "corvale-render: not a job number: " << args.at(2) << "\n";
        return 2;
    }
    if (const auto e = reports::renderJobToPdf(*shop, args.at(1), qint16(job), args.at(3)); e.failed()) {
        QTextStream(stderr) << "corvale-render: " << e.error().wholeText() << "\n";
        return 1;
    }
    return 0;
}

} // namespace

int main(int argc, char *argv[])
{
    // Answered before any platform plugin is loaded.
    for (int i = 1; i < argc; ++i) {
        if (qstrcmp(argv[i], "--help") == 0 || qstrcmp(argv[i], "-h") == 0) {
            QTextStream(stdout) << usageText();
            return 0;
        }
        if (qstrcmp(argv[i], "--version") == 0) {
            QTextStream(stdout) << "corvale-render " << CORVALE_VERSION << '\n';
            return 0;
        }
    }
    // Fonts need a GUI application; none of its windows is ever shown.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    common::installFontSubstitutions();
    const QStringList args = app.arguments().mid(1);

    // Modes are told apart by their options; positional arguments print a
    // data report, --file runs a catalogue report request, --statistics
    // writes the figures.
    if (statistics::isStatisticsCommandLine(args))
        return statistics::runStatisticsCommand(args);
    if (reports::isRequestCommandLine(app.arguments()))
        return reports::runRequestCli(app.arguments());
    return renderDataReport(args);
}
