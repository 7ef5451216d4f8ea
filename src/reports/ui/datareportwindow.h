#pragma once
// The preview window of one data report, titled with its caption, from which
// the user prints or saves a PDF. The report panel keeps one per report.
#include "reports/forms/formrenderer.h"

#include <QPrinter>
#include <QWidget>
#include <memory>

class QPrintPreviewWidget;
class QPushButton;

namespace reports {

class DataSource;

class DataReportWindow : public QWidget {
    Q_OBJECT
public:
    // Shows the rows source selects; source must outlive the window.
    DataReportWindow(ReportRenderer renderer, DataSource &source, QWidget *parent = nullptr);

    // The same report with settings read again (stationery, particulars).
    void setRenderer(ReportRenderer renderer);
    // Reads the rows the source selects now and draws them again.
    void reload();

    int pageCount() const { return int(m_rows.size()); }
    // What the window shows and prints: the rows' pages or the calibration sheet.
    const LaidOutReport &pages() const { return m_pages; }

    bool savePdf(const QString &path);

    // The calibration sheet instead of the rows: the form's boxes, crosshairs
    // and scales at the current offsets, to print on the shop's stationery.
    void setCalibration(bool on);
    bool calibration() const { return m_calibration; }

public slots:
    void print();
    void saveAsPdf();

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    // Lays the rows or the calibration sheet out again and shows them.
    void layOut();
    void paint(QPrinter *printer);

    ReportRenderer m_renderer;
    DataSource &m_source;
    QVector<Row> m_rows;
    LaidOutReport m_pages;
    bool m_calibration = false;
    std::unique_ptr<QPrinter> m_printer;
    QPrintPreviewWidget *m_preview = nullptr;
    QPushButton *m_calibrationButton = nullptr;
};

} // namespace reports
