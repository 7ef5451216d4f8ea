#pragma once
// The report engine's preview window: one page at a time, print, save as PDF
// or as an Excel workbook.
#include "reports/catalogue/engine.h"
#include "reports/ui/previewzoom.h"

#include <QWidget>
#include <functional>

class QLabel;
class QPushButton;
class QScrollArea;

namespace reports {

class EnginePageView : public QWidget {
    Q_OBJECT
public:
    EnginePageView(const LaidOutReport *report, QWidget *parent = nullptr);
    void setPage(int index);
    int page() const { return m_page; }
    // Shown as fitted into room (the scroll area's viewport) or at a scale.
    void setZoom(const Zoom &zoom, const QSize &room);
    // Screen pixels per point the page is painted at.
    double scale() const { return m_scale; }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    const LaidOutReport *m_report;
    int m_page = 0;
    double m_scale = 1.0;
};

class EnginePreview : public QWidget {
    Q_OBJECT
public:
    explicit EnginePreview(BuiltReport built, QWidget *parent = nullptr);

    const LaidOutReport &report() const { return m_report; }
    int currentPage() const { return m_view->page(); }

public slots:
    void showPage(int index);
    void print();
    void saveAsPdf();
    // The rows on the pages shown, not the table as it is now.
    void saveAsExcel();

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    LaidOutReport m_report;
    PreparedReport m_prepared;
    // Fits or scales the page to the room the scroll area has now.
    void applyZoom();
    bool eventFilter(QObject *watched, QEvent *event) override;

    EnginePageView *m_view;
    QScrollArea *m_scroll;
    PreviewZoom *m_zoom;
    QLabel *m_pageLabel;
    QPushButton *m_previous;
    QPushButton *m_next;
};

} // namespace reports
