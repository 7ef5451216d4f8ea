#pragma once
// 经营统计: the owner's view of the shop. Tiles of what stands open now, a
// period's work, each repairer's and each brand's row, and three charts;
// Enter or a double-click on a tile, a row or a bar shows those jobs in the
// workspace, the way 信息查询 does. The figures are computed anew whenever
// the window comes to the front, so a job saved meanwhile counts.
#include "common/shopcontext.h"
#include "common/ui/windowslot.h"
#include "statistics/figures.h"

#include <QDialog>
#include <QMap>

class QChartView;
class QComboBox;
class QDateEdit;
class QGroupBox;
class QLabel;
class QPushButton;
class QTableView;

namespace query { class RecordWorkspace; }

namespace statistics {

class FigureTable;
struct ChosenBar;

class StatisticsWindow : public QDialog {
    Q_OBJECT
public:
    StatisticsWindow(query::RecordWorkspace &workspace, const common::ShopContext &shop, QWidget *parent);

    const ShopFigures &figures() const { return m_figures; }

public slots:
    // Reads the figures for the chosen period; false (and said) when the store refused.
    bool recompute();

protected:
    bool event(QEvent *event) override;

private:
    enum class Quietly { No, Yes };
    bool recompute(Quietly quietly);
    QWidget *periodRow();
    QWidget *tiles();
    QWidget *tables();
    QWidget *charts();
    QWidget *buttons();
    QPushButton *tile(const QString &objectName, Figure figure);
    void keyToTile(QPushButton *tile);
    void periodChosen();
    void showFigures();
    void openJobs(const QString &source);
    void openBar(const ChosenBar &bar);
    void saveWorkbook();
    void savePdf();
    void print();

    query::RecordWorkspace &m_workspace;
    const common::ShopContext &m_shop;
    ShopFigures m_figures;
    QComboBox *m_period = nullptr;
    QDateEdit *m_from = nullptr;
    QDateEdit *m_to = nullptr;
    QLabel *m_periodText = nullptr;
    QLabel *m_leftOut = nullptr;
    QGroupBox *m_nowBox = nullptr;
    QMap<Figure, QPushButton *> m_tiles;
    QPushButton *m_totalTile = nullptr;
    FigureTable *m_repairers = nullptr;
    FigureTable *m_brands = nullptr;
    QTableView *m_repairerView = nullptr;
    QTableView *m_brandView = nullptr;
    QChartView *m_monthly = nullptr;
    QChartView *m_money = nullptr;
    QChartView *m_turnaround = nullptr;
    bool m_settingPeriod = false;
    bool m_leftBehind = false; // another window was active since the figures were worked out
    int m_tileKeys = 0;
};

// Opens the one statistics window of the workspace, or brings it to the front.
StatisticsWindow *openStatisticsWindow(common::WindowSlot<StatisticsWindow> &slot, query::RecordWorkspace &workspace,
                                       const common::ShopContext &shop);

// The periods the window offers, in its list's order.
QList<std::pair<QString, PeriodKind>> periodChoices();

} // namespace statistics
