#include "reports/ui/enginepreview.h"

#include "common/ui/busycursor.h"
#include "common/ui/programwindow.h"
#include "common/ui/prompt.h"
#include "reports/pagepaint.h"
#include "reports/enginesheet.h"
#include "reports/ui/paperprinter.h"

#include <QFileInfo>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QVBoxLayout>

namespace reports {

EnginePageView::EnginePageView(const LaidOutReport *report, QWidget *parent)
    : QWidget(parent), m_report(report)
{
    setMinimumSize(300, 300);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void EnginePageView::setPage(int index)
{
    m_page = std::clamp(index, 0, std::max(0, int(m_report->pages.size()) - 1));
    update();
}

void EnginePageView::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.fillRect(rect(), QColor(128, 128, 128));
    const QSizeF page = m_report->pageSize;
    const double scale = std::min((width() - 20) / page.width(), (height() - 20) / page.height());
    const QSizeF shown = page * scale;
    const QPointF origin((width() - shown.width()) / 2, (height() - shown.height()) / 2);
    painter.fillRect(QRectF(origin + QPointF(3, 3), shown), Qt::black);
    painter.fillRect(QRectF(origin, shown), Qt::white);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.translate(origin);
    paintReportPage(painter, *m_report, m_page, scale);
}

EnginePreview::EnginePreview(BuiltReport built, QWidget *parent)
    : QWidget(parent, Qt::Window), m_report(std::move(built.report)), m_prepared(std::move(built.prepared))
{
    setObjectName(QStringLiteral("frmPreview"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(m_report.title);
    common::markProgramWindow(this);
    m_view = new EnginePageView(&m_report, this);
    m_pageLabel = new QLabel(this);
    m_previous = new QPushButton(QStringLiteral("上一页"), this);
    m_next = new QPushButton(QStringLiteral("下一页"), this);
    auto *printButton = new QPushButton(QStringLiteral("打印(&P)..."), this);
    auto *pdfButton = new QPushButton(QStringLiteral("另存为 PDF(&S)..."), this);
    auto *excelButton = new QPushButton(QStringLiteral("另存为 Excel(&E)..."), this);
    auto *closeButton = new QPushButton(QStringLiteral("关闭(&C)"), this);
    printButton->setObjectName(QStringLiteral("cmdPrint"));
    pdfButton->setObjectName(QStringLiteral("cmdSavePdf"));
    excelButton->setObjectName(QStringLiteral("cmdSaveExcel"));

    auto *bar = new QHBoxLayout;
    bar->addWidget(m_previous);
    bar->addWidget(m_pageLabel);
    bar->addWidget(m_next);
    bar->addStretch();
    bar->addWidget(printButton);
    bar->addWidget(pdfButton);
    bar->addWidget(excelButton);
    bar->addWidget(closeButton);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(bar);
    layout->addWidget(m_view, 1);

    connect(m_previous, &QPushButton::clicked, this, [this] { showPage(currentPage() - 1); });
    connect(m_next, &QPushButton::clicked, this, [this] { showPage(currentPage() + 1); });
    connect(printButton, &QPushButton::clicked, this, &EnginePreview::print);
    connect(pdfButton, &QPushButton::clicked, this, &EnginePreview::saveAsPdf);
    connect(excelButton, &QPushButton::clicked, this, &EnginePreview::saveAsExcel);
    closeButton->setObjectName(QStringLiteral("cmdClose"));
    connect(closeButton, &QPushButton::clicked, this, &QWidget::close);
    resize(m_report.orientation == QPageLayout::Landscape ? QSize(1000, 760) : QSize(720, 940));
    showPage(0);
}

void EnginePreview::showPage(int index)
{
    m_view->setPage(index);
    const int count = m_report.pages.size();
    m_pageLabel->setText(QStringLiteral("第 %1 页 共 %2 页").arg(currentPage() + 1).arg(count));
    m_previous->setEnabled(currentPage() > 0);
    m_next->setEnabled(currentPage() + 1 < count);
}

void EnginePreview::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_PageDown)
        showPage(currentPage() + 1);
    else if (event->key() == Qt::Key_PageUp)
        showPage(currentPage() - 1);
    else if (event->key() == Qt::Key_Escape)
        close();
    else
        QWidget::keyPressEvent(event);
}

void EnginePreview::print()
{
    QPrinter printer(QPrinter::HighResolution);
    setUpPrinter(printer, m_report);
    printer.setFromTo(1, m_report.pages.size());
    QPrintDialog dialog(&printer, this);
    dialog.setWindowTitle(QStringLiteral("打印"));
    dialog.setMinMax(1, m_report.pages.size());
    if (dialog.exec() != QDialog::Accepted)
        return;
    const int first = printer.fromPage() > 0 ? printer.fromPage() - 1 : 0;
    const int end = printer.toPage() > 0 ? printer.toPage() : int(m_report.pages.size());
    printReport(printer, m_report, first, end, this);
}

void EnginePreview::saveAs(const QString &title, const QString &suffix, const QString &filter,
                           const std::function<common::Result<void>(const QString &)> &write)
{
    QString path = common::askSaveFile(title, m_report.title + u'.' + suffix, filter);
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
        common::say(written.error().text, common::appTitle(), common::Icon::Warning);
}

void EnginePreview::saveAsPdf()
{
    saveAs(QStringLiteral("另存为 PDF"), QStringLiteral("pdf"), QStringLiteral("PDF 文件 (*.pdf)"),
           [this](const QString &path) { return writeReportPdf(m_report, path); });
}

void EnginePreview::saveAsExcel()
{
    saveAs(QStringLiteral("另存为 Excel"), QStringLiteral("xlsx"), QStringLiteral("Excel 工作簿 (*.xlsx)"),
           [this](const QString &path) { return writePreparedSheet(m_prepared, path); });
}

} // namespace reports
