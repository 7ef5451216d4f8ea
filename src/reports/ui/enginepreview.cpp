#include "reports/ui/enginepreview.h"

#include "common/ui/busycursor.h"
#include "common/ui/programwindow.h"
#include "common/ui/prompt.h"
#include "common/ui/screenfit.h"
#include "reports/page/pagepaint.h"
#include "reports/catalogue/workbook.h"
#include "reports/ui/paperprinter.h"

#include <QComboBox>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QScrollArea>
#include <QVBoxLayout>

namespace reports {

EnginePageView::EnginePageView(const LaidOutReport *report, QWidget *parent)
    : QWidget(parent), m_report(report)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void EnginePageView::setZoom(const Zoom &zoom, const QSize &room)
{
    constexpr int margin = 20;
    const QSizeF page = m_report->pageSize;
    const double paperSize = logicalDpiX() / 72.0;
    switch (zoom.fit) {
    case Zoom::Fit::Page:
        m_scale = std::min((room.width() - margin) / page.width(), (room.height() - margin) / page.height());
        break;
    case Zoom::Fit::Width: m_scale = (room.width() - margin) / page.width(); break;
    case Zoom::Fit::Scale: m_scale = zoom.scale * paperSize; break;
    }
    m_scale = std::max(m_scale, 0.05);
    const QSize needed = (page * m_scale).toSize() + QSize(margin, margin);
    // Fitted, the page takes the room it was given; scaled, it may be larger and scroll.
    resize(needed.expandedTo(room));
    update();
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
    const double scale = m_scale;
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
    m_view = new EnginePageView(&m_report);
    m_scroll = new QScrollArea(this);
    m_scroll->setObjectName(QStringLiteral("pageScroll"));
    m_scroll->setBackgroundRole(QPalette::Dark);
    m_scroll->setWidget(m_view);
    m_scroll->viewport()->installEventFilter(this);
    m_zoom = new PreviewZoom(this, m_scroll->viewport(),
                             [this] { return m_view->scale() * 72.0 / m_view->logicalDpiX(); });
    connect(m_zoom, &PreviewZoom::changed, this, &EnginePreview::applyZoom);
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
    bar->addWidget(m_zoom->box());
    bar->addStretch();
    bar->addWidget(printButton);
    bar->addWidget(pdfButton);
    bar->addWidget(excelButton);
    bar->addWidget(closeButton);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(bar);
    layout->addWidget(m_scroll, 1);

    connect(m_previous, &QPushButton::clicked, this, [this] { showPage(currentPage() - 1); });
    connect(m_next, &QPushButton::clicked, this, [this] { showPage(currentPage() + 1); });
    connect(printButton, &QPushButton::clicked, this, &EnginePreview::print);
    connect(pdfButton, &QPushButton::clicked, this, &EnginePreview::saveAsPdf);
    connect(excelButton, &QPushButton::clicked, this, &EnginePreview::saveAsExcel);
    closeButton->setObjectName(QStringLiteral("cmdClose"));
    connect(closeButton, &QPushButton::clicked, this, &QWidget::close);
    common::fitOnScreen(this, m_report.orientation == QPageLayout::Landscape ? QSize(1000, 760) : QSize(720, 940));
    showPage(0);
}

void EnginePreview::applyZoom()
{
    m_view->setZoom(m_zoom->zoom(), m_scroll->viewport()->size());
}

bool EnginePreview::eventFilter(QObject *watched, QEvent *event)
{
    // A fitted page follows the window's size.
    if (watched == m_scroll->viewport() && event->type() == QEvent::Resize && m_zoom->zoom().fit != Zoom::Fit::Scale)
        applyZoom();
    return QWidget::eventFilter(watched, event);
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
    printWithDialog(this, m_report);
}

void EnginePreview::saveAsPdf()
{
    saveReportAs(QStringLiteral("另存为 PDF"), m_report.title, QStringLiteral("pdf"), QStringLiteral("PDF 文件 (*.pdf)"),
                 [this](const QString &path) { return writeReportPdf(m_report, path); });
}

void EnginePreview::saveAsExcel()
{
    saveReportAs(QStringLiteral("另存为 Excel"), m_report.title, QStringLiteral("xlsx"),
                 QStringLiteral("Excel 工作簿 (*.xlsx)"),
                 [this](const QString &path) { return writePreparedSheet(m_prepared, path); });
}

} // namespace reports
