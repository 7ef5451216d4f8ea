#pragma once
// PaiZi, the report panel "报表打印": brand tiles, one brand frame of report
// captions at a time, and the settings, management and envelope frames.
#include "common/shopcontext.h"
#include "common/ui/windowslot.h"
#include "reports/catalogue/catalogue.h"
#include "reports/catalogue/panelcontent.h"

#include <QLabel>
#include <QMap>
#include <QWidget>

class QComboBox;
class QGroupBox;
class QLineEdit;
class QSpinBox;

namespace reports {

class DataReportWindow;
class DataSource;
class EnginePreview;

// The tiles and the report captions: a label that takes the keyboard focus,
// shows it with an outline, and acts on a left click, Enter or Space.
class ClickLabel : public QLabel {
    Q_OBJECT
public:
    explicit ClickLabel(const QString &text, QWidget *parent = nullptr);
signals:
    void clicked();
    // After clicked, when the key did it: the one who pressed it goes on by keyboard.
    void keyActivated();
protected:
    void mouseReleaseEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
};

class PaiZi : public QWidget {
    Q_OBJECT
public:
    static constexpr int kBrands = 16;

    // The reports are the shop's; the data reports print what source
    // selects. Both must outlive the panel.
    PaiZi(const common::ShopContext &shop, DataSource &source, QWidget *parent = nullptr);
    ~PaiZi() override;

    // Hides every brand frame; moves frame `index` (1..16, 0 none) into place
    // without showing it.
    void HideAll(qint16 index);
    // The tile click of brand `index`.
    void selectBrand(int index);

    QGroupBox *brandFrame(int index) const;
    QDate dateFrom() const { return m_state.dateFrom; }
    QDate dateTo() const { return m_state.dateTo; }
    QString quarter() const { return m_state.quarter; }
    PanelInputs inputs() const;

    // Each report has one window of its own, shown again on the next click.
    void runCatalogueEntry(const QString &entry);
    void showDataReport(const QString &report);
    // The report's window while it is open; nullptr otherwise.
    DataReportWindow *dataReportWindow(const QString &report) const;
    EnginePreview *cataloguePreview(const QString &entry) const;

protected:
    void keyPressEvent(QKeyEvent *event) override;

signals:
    // A report that prints the service point's particulars is about to be
    // shown while some still read as the built-in placeholders (their
    // captions). The report is read again after the signal returns.
    void placeholdersAboutToPrint(const QStringList &captions);

private:
    void buildTiles();
    void buildBrandFrame(int index);
    void buildPaperTags();
    QGroupBox *buildSettingsFrame();
    QGroupBox *buildManagementFrame();
    QGroupBox *buildEnvelopeFrame();
    void scrollWhereTheScreenIsSmaller();
    ClickLabel *addCaption(QWidget *frame, const ReportCaption &caption, double points, bool bold,
                           const QColor &colour, int left, int top, int width);
    void load();

    const common::ShopContext &m_shop;
    DataSource &m_source;
    QMap<QString, common::WindowSlot<DataReportWindow>> m_dataReports;
    QMap<QString, common::WindowSlot<EnginePreview>> m_previews;
    PanelState m_state;
    QGroupBox *m_frames[kBrands + 1] = {};
    QComboBox *m_cboDate = nullptr;
    QSpinBox *m_txtYear = nullptr;
    QSpinBox *m_txtQuarterYear = nullptr;
    QComboBox *m_jido = nullptr;
    QLineEdit *m_txtPeiJianDate = nullptr;
    QComboBox *m_aera = nullptr;
    QLineEdit *m_text1 = nullptr;
    QComboBox *m_cboShop = nullptr;
};

} // namespace reports
