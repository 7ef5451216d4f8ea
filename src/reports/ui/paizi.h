#pragma once
// PaiZi, the report panel "报表打印": brand tiles, one brand frame of report
// captions at a time, and the settings, management and envelope frames.
#include "reports/catalogue.h"
#include "reports/panelcontent.h"

#include <QLabel>
#include <QWidget>

class QComboBox;
class QGroupBox;
class QLineEdit;

namespace reports {

// A label that reports a left click: the tiles and the report captions.
class ClickLabel : public QLabel {
    Q_OBJECT
public:
    using QLabel::QLabel;
signals:
    void clicked();
protected:
    void mouseReleaseEvent(QMouseEvent *event) override;
};

class PaiZi : public QWidget {
    Q_OBJECT
public:
    static constexpr int kBrands = 16;

    explicit PaiZi(QWidget *parent = nullptr);
    ~PaiZi() override;

    // The panel while it is loaded, nullptr otherwise.
    static PaiZi *loaded();
    // Loads the panel if needed and brings it forward.
    static PaiZi *showPanel();

    // Hides every brand frame; moves frame `index` (1..16, 0 none) into place
    // without showing it.
    void HideAll(qint16 index);
    // The tile click of brand `index`.
    void selectBrand(int index);

    QGroupBox *brandFrame(int index) const;
    QString dateFrom() const { return m_state.dateFrom; }
    QString dateTo() const { return m_state.dateTo; }
    QString quarter() const { return m_state.quarter; }
    PanelInputs inputs() const;

    void runCatalogueEntry(const QString &entry);
    void showDataReport(const QString &report);

private:
    void buildTiles();
    void buildBrandFrame(int index);
    void buildPaperTags();
    QGroupBox *buildSettingsFrame();
    QGroupBox *buildManagementFrame();
    QGroupBox *buildEnvelopeFrame();
    ClickLabel *addCaption(QWidget *frame, const ReportCaption &caption, double points, bool bold,
                           const QColor &colour, int left, int top, int width);
    void load();

    PanelState m_state;
    QGroupBox *m_frames[kBrands + 1] = {};
    QComboBox *m_cboDate = nullptr;
    QComboBox *m_jido = nullptr;
    QLineEdit *m_txtPeiJianDate = nullptr;
    QComboBox *m_aera = nullptr;
    QLineEdit *m_text1 = nullptr;
    QComboBox *m_cboShop = nullptr;
};

} // namespace reports
