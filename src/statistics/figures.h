#pragma once
// The shop seen whole: how many jobs are open, overdue, waiting for a part or
// for their owner, and for a period what came in, what was repaired, what it
// earned, per repairer and per brand, and how long each brand's jobs took.
// Every figure is computed in SQL over 客户信息 as it stands; a value an older
// program left that cannot take part in a figure is left out of it and
// counted, never guessed.
#include "common/result.h"

#include <QDate>
#include <QString>
#include <QStringList>
#include <QVector>
#include <optional>

namespace store { class Database; }

namespace statistics {

// Both ends included.
struct Period {
    QDate from;
    QDate to;
    bool operator==(const Period &) const = default;
};

enum class PeriodKind { ThisMonth, LastMonth, ThisQuarter, ThisYear, MakersMonth, Custom };

// The period a choice names as of today; Custom gives back today .. today.
// MakersMonth is the makers' window that holds today: the 20th of the month
// before to the 19th (on 2026-12-09: 2026-11-20 .. 2026-12-19).
Period periodOf(PeriodKind kind, const QDate &today);
// "2026-11-20 至 2026-12-19", in the program's short dates.
QString periodText(const Period &period);

// The brand a model names: the run of Chinese characters it begins with, as
// clerks type it (新飞BCD-182 → 新飞); otherBrand() for anything else.
QString brandOf(const QString &model);
QString otherBrand();        // "（其他）"
QString unnamedRepairer();   // "（未填）"

// As of today, over the whole table.
struct NowFigures {
    int open = 0;                 // 在修: not repaired
    int overdue = 0;              // 超期未修: not repaired, received more than overdueDays ago
    int awaitingParts = 0;        // 待配件: not repaired, part applied for, not arrived
    int repairedNotCollected = 0; // 已修未取: repaired, not sent back
};

// Jobs received in the period.
struct PeriodFigures {
    int received = 0;
    int repaired = 0;
    int shipped = 0;   // 发货日期 set
    double total = 0;  // the sum of 合计
};

struct RepairerRow {
    QString repairer;  // unnamedRepairer() for an empty 修理人员
    int received = 0;
    int repaired = 0;
    double total = 0;
    double visitFees = 0;   // 上门费
    double repairFees = 0;  // 维修费
};

struct BrandRow {
    QString brand;
    int received = 0;
    int repaired = 0;
    int timed = 0;                      // jobs the turnaround is taken over
    std::optional<double> meanDays;     // none without a timed job
    std::optional<double> medianDays;
    double total = 0;
};

// Jobs received per month, by brand: counts[month][brand].
struct MonthlyReceived {
    QVector<QDate> months;  // the first day of each month, oldest first
    QStringList brands;
    QVector<QVector<int>> counts;
};

// How many jobs of the period took how many days from 接货 to 发货.
struct TurnaroundBin {
    QString label;  // "0 天", "1 天", "2–3 天", ...
    int fromDays = 0;
    int toDays = 0; // included; INT_MAX for the last bin
    int jobs = 0;
};

// What could not take part in a figure, each counted once per figure.
struct LeftOut {
    int undatedJobs = 0;       // no 接货日期 that is a date: in no period, never overdue
    int totalNotNumber = 0;    // a received job whose 合计 is not a number: left out of the sums of 合计
    int visitFeeNotNumber = 0; // likewise 上门费
    int repairFeeNotNumber = 0;// likewise 维修费
    int untimed = 0;           // a shipped job of the period whose dates give no turnaround (发货 before 接货, not a date)
};

struct ShopFigures {
    QDate today;
    int overdueDays = 7;
    Period period;
    NowFigures now;
    PeriodFigures inPeriod;
    QVector<RepairerRow> repairers;  // most received first, then by name
    QVector<BrandRow> brands;        // most received first, then by name
    MonthlyReceived monthly;         // the 12 months up to today's
    QVector<TurnaroundBin> turnaround;
    LeftOut leftOut;
};

common::Result<ShopFigures> computeFigures(const store::Database &db, const Period &period,
                                           const QDate &today, int overdueDays);

// What the window and every output say of the jobs left out, one sentence
// each; nothing when every job took part.
QStringList leftOutNotes(const LeftOut &leftOut);

// The figures a clerk can open as a list of jobs.
enum class Figure { Open, Overdue, AwaitingParts, RepairedNotCollected, Received, Repaired, Shipped };

// The record source that shows exactly the jobs behind a figure, a
// repairer's row or a brand's row (for the period), as the workspace takes
// a query's source.
QString figureSource(Figure figure, const ShopFigures &figures);
QString repairerSource(const QString &repairer, const ShopFigures &figures);
QString brandSource(const QString &brand, const ShopFigures &figures);

} // namespace statistics
