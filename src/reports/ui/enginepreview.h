#pragma once
// The report engine's preview window: one page at a time, print and save as PDF.
#include "reports/enginelayout.h"

#include <QWidget>

class QLabel;
class QPushButton;

namespace reports {

class EnginePageView : public QWidget {
    Q_OBJECT
public:
    EnginePageView(const LaidOutReport *report, QWidget *parent = nullptr);
    void setPage(int index);
    int page() const { return m_page; }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    const LaidOutReport *m_report;
    int m_page = 0;
};

class EnginePreview : public QWidget {
    Q_OBJECT
public:
    explicit EnginePreview(LaidOutReport report, QWidget *parent = nullptr);

    const LaidOutReport &report() const { return m_report; }
    int currentPage() const { return m_view->page(); }

public slots:
    void showPage(int index);
    void print();
    void saveAsPdf();

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    LaidOutReport m_report;
    EnginePageView *m_view;
    QLabel *m_pageLabel;
    QPushButton *m_previous;
    QPushButton *m_next;
};

} // namespace reports
