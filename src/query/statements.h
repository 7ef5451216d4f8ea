#pragma once
// The record sources the query and sort windows compose, as plain values in
// and text out, so the exact statements can be checked without any window.
#include <QString>
#include <array>

namespace query {

// What the query window holds when its search button is pressed.
struct QueryCriteria {
    struct Condition {
        QString field;  // the field-name box, used as typed
        QString value;  // the value box; the condition counts only when non-empty
    };

    QString startDate;  // date box texts as typed
    QString endDate;
    std::array<Condition, 3> conditions;
    bool repairedChecked = false;  // Check1
    bool repairedYes = false;      // Option1; otherwise the test is "not repaired"
};

// A value as it stands between single quotes in a statement: an apostrophe
// is doubled so it is searched literally. Wildcards keep their meaning.
QString quotedTextValue(const QString &value);

// The conditions in their fixed order, each starting with a blank; empty
// when no criterion is filled.
QString queryConditions(const QueryCriteria &criteria);

// The whole record source; empty when nothing is to be applied.
QString queryRecordSource(const QueryCriteria &criteria);

// Whether any criterion is present: the rule the search button follows
// whenever one of its triggering events re-evaluates it.
bool hasCriterion(const QueryCriteria &criteria);

// The longest text a box of the two windows takes: no field holds more than
// 255 characters, and a field name is far shorter than 50.
constexpr int kLongestValue = 255;
constexpr int kLongestKey = 50;

// The value box (0-2) whose text is longer than any field holds; -1 when none.
int overLongValue(const QueryCriteria &criteria);
inline QString overLongValueText()
{
    return QStringLiteral("查询内容太长，最多 %1 个字。请重新输入。").arg(kLongestValue);
}

// What the sort window holds when its sort button is pressed.
struct SortKeys {
    QString primary;               // Combo1, used as typed
    bool primaryDescending = false;  // chkDownSerial
    QString secondary;             // Combo2
    bool secondaryDescending = false;  // Check1
};

// The order terms; empty when the primary key is empty. The secondary key
// joins only when it names another field than the primary one.
QString sortOrder(const SortKeys &keys);

// The whole record source; empty when nothing is to be applied.
QString sortRecordSource(const SortKeys &keys);

// Whether a key box holds more than a field name could be.
bool overLongKey(const SortKeys &keys);
inline QString overLongKeyText()
{
    return QStringLiteral("排序关键字太长。请从列表中选择一个字段名。");
}

} // namespace query
