#pragma once
// The workspace's fixed preset lists and the tables behind its automatic fills.
#include <QString>
#include <QStringList>
#include <optional>

namespace workspace {

QStringList districts();        // cboAera
QStringList postcodes();        // cboMail
QStringList warrantyPeriods();  // cboBiaoXiu
QStringList remarks();          // Combo10
QStringList yesNo();            // cboReg
QStringList repairedAnswers();  // cboRepair
QStringList faults();           // Combo4
QStringList findings();         // Combo9
QStringList repairContents();   // Combo8

// The brand test of the fills: the model text begins with 新飞 (no trimming).
bool isXinfeiModel(const QString &model);

// District → postcode; nothing for a district not in the table.
std::optional<QString> postcodeFor(const QString &district);

// Part → material code, only for a 新飞 model.
std::optional<QString> materialCodeFor(const QString &part, const QString &model);

struct RepairFill {
    QString content;              // always written into 修理内容
    std::optional<QString> code;  // 代码, 新飞 models only
};
std::optional<RepairFill> repairFor(const QString &finding, const QString &model);

// A medium or major repair carries a fixed carrying fee.
std::optional<QString> carryingFeeFor(const QString &repairType);
// What a pick in 已经修否 sets the repaired flag to; nothing for any other text.
std::optional<bool> repairedFromAnswer(const QString &answer);

} // namespace workspace
