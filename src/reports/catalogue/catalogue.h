#pragma once
// The report catalogue: the panel's box texts and state in, one report
// request out, as the shop's report engine has always been handed it. The
// clerk's texts go in as text constants of the formula language, so no
// text typed into a box can change what the formula asks.
#include <QDate>
#include <QString>
#include <optional>
#include <utility>

namespace reports {

// The panel state a catalogue run may change.
struct PanelState {
    // The monthly report's window, kept when the month box holds no month.
    QDate dateFrom;
    QDate dateTo;
    QString quarter;
};

// The state as the panel loads: the window of today's month.
PanelState panelStateAtLoad(const QDate &today);

// The monthly report's window for a month (1..12) of a year: from the 20th
// of the month before to the 19th of that month.
std::pair<QDate, QDate> monthWindow(int year, int month);

// The last makers' month that has ended by today, as {year, month}: the
// month a clerk reports on (on 2026-12-09: 十一月 of 2026, 10-20 to 11-19;
// on 2027-01-05: 十二月 of 2026).
std::pair<int, int> lastEndedMakersMonth(const QDate &today);

// The last calendar quarter that has ended by today, as {year, code of the
// quarter box}: on 2026-12-09 {2026, "3rd"}, on 2027-01-05 {2026, "4th"}.
std::pair<int, QString> lastEndedQuarter(const QDate &today);

// The panel's boxes at the moment of the click, as they hold them.
struct PanelInputs {
    QString month;            // cboDate
    int year = 0;             // the year box: the monthly report's window ends in this year
    QString quarterBox;       // jido
    QString partsLedgerStart; // txtPeiJianDate
    QString area;             // Aera
    QString staff;            // Text1
    QString store;            // cboShop
    int quarterYear = 0;      // the quarterly reports' year box; 0: the quarter of this year
};

struct ReportRequest {
    QString file;     // e.g. "报表\\新飞月报表.PRN"
    QString formula;  // selection formula in the engine's language
    int action = 1;   // 1: run
};

// The entry names are the report files' base names: 新飞月报表, 新飞申请配件单,
// 配件库存单, 配件流水帐, 佳利季报表, 容声月报表, 未修记录单, 维修人员报表,
// 商场报表, 新飞回访记录表, and the two 新飞 selections of frame 2:
// 新飞配件库存单, 新飞配件流水帐. Nothing when the entry sends nothing (an
// empty quarter). state is updated as the entry does (month window, quarter).
std::optional<ReportRequest> catalogueRequest(const QString &entry, const PanelInputs &inputs,
                                              PanelState &state);

} // namespace reports
