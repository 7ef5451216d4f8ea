#include "reports/ui/datareportwindow.h"

#include "common/ui/prompt.h"
#include "reports/datareport.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QHash>
#include <QPointer>
#include <QPrintDialog>
#include <QPrintPreviewWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace reports {

namespace {

QHash<QString, QPointer<DataReportWindow>> &windows()
{
    static QHash<QString, QPointer<DataReportWindow>> all;
    return all;
}

QString askPdfPath(QWidget *parent, const QString &caption)
{
    return QFileDialog::getSaveFileName(parent, QStringLiteral("另存为PDF"),
                                        QDir::current().filePath(caption + QStringLiteral(".pdf")),
                                        QStringLiteral("PDF 文件 (*.pdf)"));
}

} // namespace

DataReportWindow *DataReportWindow::existing(const QString &name)
{
    return windows().value(name);
}

DataReportWindow *DataReportWindow::showReport(const QString &name)
{
    QPointer<DataReportWindow> &window = windows()[name];
    if (!window) {
        common::Result<ReportRenderer> renderer = dataReportRenderer(name, QDir::currentPath());
        if (!renderer) {
            common::say(renderer.error().text, QStringLiteral("警告"), common::Icon::Warning);
            return nullptr;
        }
        window = new DataReportWindow(std::move(*renderer));
        QObject::connect(qApp, &QCoreApplication::aboutToQuit, window, &QObject::deleteLater);
    }
    window->reload();
    window->show();
    window->raise();
    window->activateWindow();
    return window;
}

DataReportWindow::DataReportWindow(ReportRenderer renderer, QWidget *parent)
    : QWidget(parent, Qt::Window), m_renderer(std::move(renderer)),
      m_printer(std::make_unique<QPrinter>(QPrinter::HighResolution))
{
    setObjectName(m_renderer.layout().caption);
    setWindowTitle(m_renderer.layout().caption);
    resize(900, 700);
    // One printer for preview and print, so what the dialog sets is what prints.
    // A printer refuses a whole layout whose margins it cannot print; paper and
    // orientation are set apart, and the margins fall to its printable corner.
    const QPageLayout page = m_renderer.pageLayout();
    m_printer->setPageSize(page.pageSize());
    m_printer->setPageOrientation(page.orientation());
    m_printer->setPageMargins(page.margins(), page.units());

    auto *printButton = new QPushButton(QStringLiteral("打印"), this);
    printButton->setObjectName(QStringLiteral("cmdPrint"));
    auto *pdfButton = new QPushButton(QStringLiteral("另存为PDF"), this);
    pdfButton->setObjectName(QStringLiteral("cmdPdf"));
    connect(printButton, &QPushButton::clicked, this, &DataReportWindow::print);
    connect(pdfButton, &QPushButton::clicked, this, &DataReportWindow::saveAsPdf);

    m_preview = new QPrintPreviewWidget(m_printer.get(), this);
    connect(m_preview, &QPrintPreviewWidget::paintRequested, this,
            [this](QPrinter *printer) { m_lastDrawn = m_renderer.render(printer, m_rows); });

    auto *buttons = new QHBoxLayout;
    buttons->addWidget(printButton);
    buttons->addWidget(pdfButton);
    buttons->addStretch();
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(buttons);
    layout->addWidget(m_preview);
}

void DataReportWindow::reload()
{
    common::Result<QVector<Row>> rows = DataSource::instance().rows();
    m_rows = rows ? std::move(*rows) : QVector<Row>();
    if (!rows)
        common::say(rows.error().text, QStringLiteral("警告"), common::Icon::Warning);
    m_preview->updatePreview();
}

void DataReportWindow::print()
{
    QPrintDialog dialog(m_printer.get(), this);
    dialog.setWindowTitle(QStringLiteral("打印"));
    if (dialog.exec() == QDialog::Accepted) {
        m_lastDrawn = m_renderer.render(m_printer.get(), m_rows);
        m_preview->updatePreview();
    }
}

void DataReportWindow::saveAsPdf()
{
    const QString path = askPdfPath(this, windowTitle());
    if (!path.isEmpty())
        savePdf(path);
}

bool DataReportWindow::savePdf(const QString &path)
{
    const common::Error e = m_renderer.renderToPdf(path, m_rows);
    if (e)
        common::say(e.text, QStringLiteral("警告"), common::Icon::Warning);
    return e.ok();
}

} // namespace reports
