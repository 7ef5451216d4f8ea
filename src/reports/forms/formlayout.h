#pragma once
// A data report's layout: the detail band of one record, its controls with
// twip geometry and fonts. Read from the report's resource file.
#include "common/result.h"
#include "common/sitesettings.h"

#include <QRect>
#include <QString>
#include <QStringList>
#include <QVector>

namespace reports {

enum class ItemKind { Label, TextBox, Line, Rectangle, Picture };

struct LayoutFont {
    QString family = QStringLiteral("宋体");
    double points = 9.0;
    bool bold = false;
    bool underline = false;
};

struct LayoutItem {
    QString name;
    ItemKind kind = ItemKind::Label;
    QRect twips;       // left, top, width, height in the band; a line has width or height 0
    QString text;      // a label's fixed caption
    QString role;      // a label that prints a site particular, e.g. "servicePoint.name"
    QString field;     // a text box's field of 客户信息
    QString image;     // a picture's file, relative to the working folder
    LayoutFont font;
    bool centred = false;
};

struct ReportLayout {
    QString caption;
    int width = 0;        // twips
    int detailHeight = 0; // twips
    QVector<LayoutItem> items;
};

// The nine data reports, by the names the panel uses.
QStringList dataReportNames();

common::Result<ReportLayout> parseLayout(const QByteArray &json);
// The built-in layout of data report `name`.
common::Result<ReportLayout> loadLayout(const QString &name);

// The particulars the layout prints that still read as a new shop's
// placeholders, by their labels; empty when the form is ready to print.
QStringList placeholdersPrinted(const ReportLayout &layout, const common::ServicePoint &servicePoint);

// The text a role label prints; a null string for an unknown role.
QString roleText(const QString &role, const common::ServicePoint &servicePoint);
// What a role label prints, by the names of the particulars it holds
// ("维修站名称", "地址、电话、传真"); empty for an unknown role.
QString roleCaption(const QString &role);

} // namespace reports
