#pragma once
// What a pick from a list fills in, and the picks that save the repaired flag at once.
#include <QObject>

class QComboBox;

namespace workspace {

class JobDesk;

class LookupFills : public QObject {
    Q_OBJECT
public:
    explicit LookupFills(JobDesk &desk);

private:
    void onDistrictPicked();
    void onPartPicked();
    void onFindingPicked();
    void onRepairTypePicked();
    void onRepairerPicked();
    void onRepairedPicked();
    void onRepairedClicked();
    void saveRepaired(bool repaired);

    JobDesk &m_desk;
};

} // namespace workspace
