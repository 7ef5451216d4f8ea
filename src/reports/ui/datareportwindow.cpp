#include "reports/ui/datareportwindow.h"

#include "common/ui/programwindow.h"
#include "common/ui/prompt.h"
#include "common/ui/screenfit.h"
#include "reports/forms/datasource.h"
#include "reports/page/pagepaint.h"
#include "reports/ui/paperprinter.h"
#include "reports/ui/previewzoom.h"

#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QGraphicsView>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QCoreApplication>
#include <QPrintDialog>
#include <QPrintPreviewWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace reports {

namespace {

QString askPdfPath(QWidget *parent, const QString &caption)
{
    return QFileDialog::getSaveFileName(parent, QStringLiteral("另存为PDF"),
                                        QDir::current().filePath(caption + QStringLiteral(".pdf")),
                                        QStringLiteral("PDF 文件 (*.pdf)"));
}

} // namespace

DataReportWindow::DataReportWindow(ReportRenderer renderer, DataSource &source, QWidget *parent)
    : QWidget(parent, Qt::Window), m_renderer(std::move(renderer)), m_source(source),
      m_printer(std::make_unique<QPrinter>(QPrinter::HighResolution))
{
    setObjectName(m_renderer.layout().caption);
    setWindowTitle(m_renderer.layout().caption);
    common::markProgramWindow(this);
    setAttribute(Qt::WA_DeleteOnClose);

    auto *printButton = new QPushButton(QStringLiteral("打印(&P)"), this);
    printButton->setObjectName(QStringLiteral("cmdPrint"));
    auto *pdfButton = new QPushButton(QStringLiteral("另存为PDF"), this);
    pdfButton->setObjectName(QStringLiteral("cmdPdf"));
    auto *calibrationButton = m_calibrationButton = new QPushButton(QStringLiteral("校准页"), this);
    calibrationButton->setObjectName(QStringLiteral("cmdCalibration"));
    calibrationButton->setCheckable(true);
    calibrationButton->setToolTip(QStringLiteral("打印本表的格子、十字线和毫米刻度，放在票据上量出偏差，"
                                                 "再到“基础资料设置 → 票据位置”中修改偏移"));
    connect(calibrationButton, &QPushButton::toggled, this, &DataReportWindow::setCalibration);
    auto *closeButton = new QPushButton(QStringLiteral("关闭"), this);
    closeButton->setObjectName(QStringLiteral("cmdClose"));
    connect(printButton, &QPushButton::clicked, this, &DataReportWindow::print);
    connect(pdfButton, &QPushButton::clicked, this, &DataReportWindow::saveAsPdf);
    connect(closeButton, &QPushButton::clicked, this, &QWidget::close);

    m_preview = new QPrintPreviewWidget(m_printer.get(), this);
    connect(m_preview, &QPrintPreviewWidget::paintRequested, this, &DataReportWindow::paint);
    QWidget *pageArea = m_preview->findChild<QGraphicsView *>() ? m_preview->findChild<QGraphicsView *>()->viewport()
                                                                : m_preview;
    auto *zoom = new PreviewZoom(this, pageArea, [this] { return m_preview->zoomFactor(); });
    connect(zoom, &PreviewZoom::changed, this, [this](const Zoom &z) {
        switch (z.fit) {
        case Zoom::Fit::Page: m_preview->fitInView(); break;
        case Zoom::Fit::Width: m_preview->fitToWidth(); break;
        case Zoom::Fit::Scale: m_preview->setZoomFactor(z.scale); break;
        }
    });

    auto *buttons = new QHBoxLayout;
    buttons->addWidget(printButton);
    buttons->addWidget(pdfButton);
    buttons->addWidget(calibrationButton);
    buttons->addWidget(zoom->box());
    buttons->addStretch();
    buttons->addWidget(closeButton);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(buttons);
    layout->addWidget(m_preview);
    layOut();
    common::fitOnScreen(this, {900, 700});
}

// One printer for preview and print, so what the dialog sets is what prints;
// the calibration sheet shows that printer's margins.
void DataReportWindow::layOut()
{
    m_pages = m_calibration ? m_renderer.calibration(printerMargins(*m_printer)) : m_renderer.pages(m_rows);
    setUpPrinter(*m_printer, m_pages);
    m_preview->updatePreview();
}

// As a dialog does: Esc anywhere in the window closes it.
void DataReportWindow::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier)
        close();
    else
        QWidget::keyPressEvent(event);
}

void DataReportWindow::paint(QPrinter *printer)
{
    if (!paintReportPages(m_pages, *printer, 0, int(m_pages.pages.size())))
        qWarning("cannot paint the preview of %s", qPrintable(m_pages.title));
}

void DataReportWindow::setCalibration(bool on)
{
    m_calibration = on;
    setWindowTitle(on ? m_renderer.layout().caption + QStringLiteral(" — 校准页") : m_renderer.layout().caption);
    m_calibrationButton->setChecked(on);
    layOut();
}

void DataReportWindow::setRenderer(ReportRenderer renderer)
{
    m_renderer = std::move(renderer);
    layOut();
}

void DataReportWindow::reload()
{
    common::Result<QVector<Row>> rows = m_source.rows();
    m_rows = rows.ok() ? std::move(*rows) : QVector<Row>();
    if (rows.failed())
        common::say(rows.error(), QStringLiteral("警告"), common::Icon::Warning);
    layOut();
}

void DataReportWindow::print()
{
    QPrintDialog dialog(m_printer.get(), this);
    dialog.setWindowTitle(QStringLiteral("打印"));
    common::keepOnScreen(&dialog);
    if (dialog.exec() != QDialog::Accepted)
        return;
    // The sheet names the margins of the printer chosen in the dialog.
    if (m_calibration)
        m_pages = m_renderer.calibration(printerMargins(*m_printer));
    const int pages = int(m_pages.pages.size());
    const int first = m_printer->fromPage() > 0 ? m_printer->fromPage() - 1 : 0;
    const int end = m_printer->toPage() > 0 ? std::min(m_printer->toPage(), pages) : pages;
    printReport(*m_printer, m_pages, first, end, QCoreApplication::instance());
    m_preview->updatePreview();
}

void DataReportWindow::saveAsPdf()
{
    const QString path = askPdfPath(this, m_calibration ? m_renderer.layout().caption + QStringLiteral("-校准页")
                                                        : m_renderer.layout().caption);
    if (!path.isEmpty())
        savePdf(path);
}

bool DataReportWindow::savePdf(const QString &path)
{
    const common::Result<void> e = m_calibration ? m_renderer.calibrationToPdf(path) : m_renderer.renderToPdf(path, m_rows);
    if (e.failed())
        common::say(e.error(), QStringLiteral("警告"), common::Icon::Warning);
    return e.ok();
}

} // namespace reports
