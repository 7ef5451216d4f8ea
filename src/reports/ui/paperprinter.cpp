#include "reports/ui/paperprinter.h"

#include "common/textrules.h"
#include "common/ui/busycursor.h"
#include "common/ui/prompt.h"
#include "common/ui/screenfit.h"
#include "reports/page/pagepaint.h"
#include "reports/ui/printjob.h"

#include <QFileInfo>
#include <QPageLayout>
#include <QCoreApplication>
#include <QPrintDialog>
#include <optional>

namespace reports {

namespace {

constexpr int kNamedAtMost = 8;

void sayNotice(const JobNotice &notice)
{
    common::say(notice.text, notice.title, notice.icon);
}

bool printsThroughSystem(const QPrinter &printer)
{
    return printer.outputFormat() == QPrinter::NativeFormat && !printer.printerName().isEmpty();
}

} // namespace

void setUpPrinter(QPrinter &printer, const LaidOutReport &report)
{
    printer.setFullPage(true);
    printer.setDocName(report.title);
    const QPageLayout paper = paperLayout(report);
    printer.setPageSize(paper.pageSize());
    printer.setPageOrientation(paper.orientation());
    printer.setPageMargins(QMarginsF(0, 0, 0, 0), QPageLayout::Point);
}

PrinterMargins printerMargins(const QPrinter &printer)
{
    if (!printsThroughSystem(printer))
        return {};
    QPageLayout layout = printer.pageLayout();
    layout.setUnits(QPageLayout::Millimeter);
    return {printer.printerName(), layout.minimumMargins()};
}

QString marginNotice(const LaidOutReport &report, const PrinterMargins &margins)
{
    if (margins.mm.isNull())
        return {};
    QStringList texts;
    int rules = 0;
    bool picture = false;
    for (const ReportPage &page : report.pages) {
        for (const PageItem *item : itemsInMargins(page, report.pageSize, margins.mm)) {
            if (item->kind == PageItem::Kind::Text) {
                const QString quoted = QStringLiteral("“%1”").arg(item->text);
                if (!texts.contains(quoted))
                    texts << quoted;
            } else if (item->kind == PageItem::Kind::Picture) {
                picture = true;
            } else {
                ++rules;
            }
        }
    }
    if (texts.isEmpty() && rules == 0 && !picture)
        return {};
    QStringList what = texts.mid(0, kNamedAtMost);
    if (texts.size() > kNamedAtMost)
        what << QStringLiteral("等 %1 处文字").arg(texts.size());
    if (rules > 0)
        what << QStringLiteral("表格线 %1 条").arg(rules);
    if (picture)
        what << QStringLiteral("表格图片的边");
    const QMarginsF &m = margins.mm;
    return QStringLiteral("%1：打印机“%2”印不到纸边的一圈（左 %3 mm、上 %4 mm、右 %5 mm、下 %6 mm），"
                          "这些内容落在其中，可能印不全：%7。\n"
                          "位置照旧，不会挪动；要挪动请在“基础资料设置 → 票据位置”中调整偏移。")
        .arg(report.title, margins.printer, common::numberText(m.left()), common::numberText(m.top()),
             common::numberText(m.right()), common::numberText(m.bottom()), what.join(QStringLiteral("、")));
}

bool printReport(QPrinter &printer, const LaidOutReport &report, int first, int end, QObject *keeper)
{
    // The dialog may have chosen another printer or paper: still from the corner.
    printer.setFullPage(true);
    printer.setPageMargins(QMarginsF(0, 0, 0, 0), QPageLayout::Point);
    LaidOutReport printed = report;
    printed.pages = report.pages.mid(first, std::max(0, end - first));
    if (const QString notice = marginNotice(printed, printerMargins(printer)); !notice.isEmpty())
        common::say(notice, QStringLiteral("提示"), common::Icon::Information);

    std::optional<PrinterQueue> queue;
    if (printsThroughSystem(printer))
        queue.emplace(printer.printerName());
    if (!paintReportPages(printed, printer, 0, int(printed.pages.size()))) {
        common::say(QStringLiteral("无法在打印机“%1”上打印。").arg(printer.printerName()), QStringLiteral("警告"),
                    common::Icon::Warning);
        return false;
    }
    if (!queue)
        return true;
    const QueueLook handed = queue->handedOver();
    const JobView now = judgeJob(handed, std::chrono::milliseconds(0), watchTiming().patience);
    const std::optional<JobNotice> notice = jobNotice(queue->printer(), report.title, handed.job, JobPhase::Printing, now);
    if (!jobSettled(now.phase)) {
        auto *watch = new PrintJobWatch(*queue, report.title, handed.job, notice ? now.phase : JobPhase::Printing, keeper);
        // Said once the look that found it is over: a box the clerk leaves
        // open does not hold the watch up.
        QObject::connect(watch, &PrintJobWatch::noticed, keeper, sayNotice, Qt::QueuedConnection);
    }
    if (notice)
        sayNotice(*notice);
    return handed.job != 0 && now.phase != JobPhase::Failed;
}

void printWithDialog(QWidget *parent, const LaidOutReport &report)
{
    QPrinter printer(QPrinter::HighResolution);
    setUpPrinter(printer, report);
    printer.setFromTo(1, report.pages.size());
    QPrintDialog dialog(&printer, parent);
    dialog.setWindowTitle(QStringLiteral("打印"));
    common::keepOnScreen(&dialog);
    dialog.setMinMax(1, report.pages.size());
    if (dialog.exec() != QDialog::Accepted)
        return;
    const int first = printer.fromPage() > 0 ? printer.fromPage() - 1 : 0;
    const int end = printer.toPage() > 0 ? printer.toPage() : int(report.pages.size());
    printReport(printer, report, first, end, QCoreApplication::instance());
}

void saveReportAs(const QString &dialogTitle, const QString &name, const QString &suffix, const QString &filter,
                  const std::function<common::Result<void>(const QString &)> &write)
{
    QString path = common::askSaveFile(dialogTitle, name + u'.' + suffix, filter);
    if (path.isEmpty())
        return;
    // A name typed without its suffix would not open in the program that reads it.
    if (QFileInfo(path).suffix().isEmpty())
        path += u'.' + suffix;
    const common::Result<void> written = [&] {
        const common::BusyCursor busy;
        return write(path);
    }();
    if (written.failed())
        common::say(written.error(), common::appTitle(), common::Icon::Warning);
}

} // namespace reports
