#pragma once
// A data report's form on its sheet as the calibration sheet draws it, at
// offsets being edited: the settings' stationery page shows where the form
// will land while the shop types the millimetres.
#include "common/sitesettings.h"
#include "reports/forms/formlayout.h"

#include <QWidget>
#include <optional>

namespace reports {

class StationeryPreview : public QWidget {
    Q_OBJECT
public:
    explicit StationeryPreview(QWidget *parent = nullptr);

    // Data report `report` by its panel name; an unknown name shows nothing.
    void setReport(const QString &report);
    void setStationery(const common::Stationery &stationery);

    QSize sizeHint() const override { return {360, 420}; }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    std::optional<ReportLayout> m_layout;
    common::Stationery m_stationery;
};

} // namespace reports
