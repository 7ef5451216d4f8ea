#pragma once
// The preview window of one data report, titled with its caption, from which
// the user prints or saves a PDF. One window per report for the whole run.
#include "reports/reportrenderer.h"

#include <QPrinter>
#include <QWidget>
#include <memory>

class QPrintPreviewWidget;

namespace reports {

class DataReportWindow : public QWidget {
    Q_OBJECT
public:
    // Shows report `name` over the rows the data source selects now.
    static DataReportWindow *showReport(const QString &name);
    // The report's window if it was ever shown.
    static DataReportWindow *existing(const QString &name);

    int pageCount() const { return int(m_rows.size()); }
    const QVector<DrawnItem> &lastDrawn() const { return m_lastDrawn; }

    bool savePdf(const QString &path);

public slots:
    void print();
    void saveAsPdf();

private:
    DataReportWindow(ReportRenderer renderer, QWidget *parent = nullptr);
    void reload();

    ReportRenderer m_renderer;
    QVector<Row> m_rows;
    QVector<DrawnItem> m_lastDrawn;
    std::unique_ptr<QPrinter> m_printer;
    QPrintPreviewWidget *m_preview = nullptr;
};

} // namespace reports
