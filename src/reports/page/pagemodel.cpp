#include "reports/page/pagemodel.h"

namespace reports {

int LaidOutReport::fontIndex(const PageFont &font)
{
    const qsizetype at = fonts.indexOf(font);
    if (at >= 0)
        return int(at);
    fonts.append(font);
    return int(fonts.size()) - 1;
}

QPageLayout paperLayout(const LaidOutReport &report)
{
    QPageLayout layout(QPageSize(report.paper), report.orientation, QMarginsF(0, 0, 0, 0), QPageLayout::Point);
    layout.setMode(QPageLayout::FullPageMode);
    return layout;
}

LaidOutReport blankReport(const QString &title, QPageSize::PageSizeId paper, QPageLayout::Orientation orientation)
{
    LaidOutReport report;
    report.title = title;
    report.paper = paper;
    report.orientation = orientation;
    QSizeF size = QPageSize(paper).sizePoints();
    if (orientation == QPageLayout::Landscape)
        size.transpose();
    report.pageSize = size;
    return report;
}

} // namespace reports
