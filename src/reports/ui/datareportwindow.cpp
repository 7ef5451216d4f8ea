#include "reports/ui/datareportwindow.h"

#include "common/ui/programwindow.h"
#include "common/ui/prompt.h"
#include "reports/datasource.h"

#include <QDir>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QKeyEvent>
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
    resize(900, 700);
    applyPageLayout();

    auto *printButton = new QPushButton(QStringLiteral("打印"), this);
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

    auto *buttons = new QHBoxLayout;
    buttons->addWidget(printButton);
    buttons->addWidget(pdfButton);
    buttons->addWidget(calibrationButton);
    buttons->addStretch();
    buttons->addWidget(closeButton);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(buttons);
    layout->addWidget(m_preview);
}

// One printer for preview and print, so what the dialog sets is what prints.
// A printer refuses a whole layout whose margins it cannot print; paper and
// orientation are set apart, and the margins fall to its printable corner.
void DataReportWindow::applyPageLayout()
{
    const QPageLayout page = m_renderer.pageLayout();
    m_printer->setPageSize(page.pageSize());
    m_printer->setPageOrientation(page.orientation());
    m_printer->setPageMargins(page.margins(), page.units());
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
    if (m_calibration) {
        m_renderer.renderCalibration(printer);
        m_lastDrawn.clear();
    } else {
        m_lastDrawn = m_renderer.render(printer, m_rows);
    }
}

void DataReportWindow::setCalibration(bool on)
{
    m_calibration = on;
    setWindowTitle(on ? m_renderer.layout().caption + QStringLiteral(" — 校准页") : m_renderer.layout().caption);
    m_calibrationButton->setChecked(on);
    m_preview->updatePreview();
}

void DataReportWindow::setRenderer(ReportRenderer renderer)
{
    m_renderer = std::move(renderer);
    applyPageLayout();
}

void DataReportWindow::reload()
{
    common::Result<QVector<Row>> rows = m_source.rows();
    m_rows = rows.ok() ? std::move(*rows) : QVector<Row>();
    if (rows.failed())
        common::say(rows.error().text, QStringLiteral("警告"), common::Icon::Warning);
    m_preview->updatePreview();
}
void DataReportWindow::print()
{
    QPrintDialog dialog(m_printer.get(), this);
    dialog.setWindowTitle(QStringLiteral("打印"));
    if (dialog.exec() == QDialog::Accepted) {
        paint(m_printer.get());
        m_preview->updatePreview();
    }
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
        common::say(e.error().text, QStringLiteral("警告"), common::Icon::Warning);
    return e.ok();
}

} // namespace reports
