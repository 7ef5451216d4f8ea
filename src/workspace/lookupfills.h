#pragma once
// What a pick from a list fills in, and the picks that save the repaired flag at once.
#include <QObject>

class QComboBox;

namespace workspace {

class frmCorvale;

class LookupFills : public QObject {
    Q_OBJECT
public:
    explicit LookupFills(frmCorvale &window);

private:
    void onDistrictPicked();
    void onPartPicked();
    void onFindingPicked();
    void onRepairTypePicked();
    void onRepairerPicked();
    void onRepairedPicked();
    void onRepairedClicked();
    void saveRepaired(bool repaired);

    frmCorvale &m_window;
};

} // namespace workspace
