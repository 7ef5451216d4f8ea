#pragma once
// What the report panel holds: its brands, the report captions of each brand
// frame and what a caption does. Plain data, so the window only lays it out.
#include <QColor>
#include <QString>
#include <QVector>

namespace reports {

struct BrandTile {
    int index;            // FraPrn index, row-major in the 4 x 4 grid
    QString frameCaption;
    QString control;      // Image11, Label200, ...
    QString face;         // the text drawn on the tile
    QString toolTip;
    QColor background;
    double points;        // 隶书 size of the face
    bool textTile;        // one of the four text labels (the others stand in for logos)
};

enum class CaptionAction { None, DataReport, CatalogueEntry };

struct ReportCaption {
    QString text;
    QString control;      // objectName when the caption has one
    CaptionAction action = CaptionAction::None;
    QString target;       // data report or catalogue entry name
};

// A row of one or two captions, left column first.
using CaptionRow = QVector<ReportCaption>;

const QVector<BrandTile> &brandTiles();
// Rows of brand frame `index` (1..16).
QVector<CaptionRow> brandCaptions(int index);

struct PaperTag {
    int frame;
    QString besideCaption;
    QString text;
};
// Label39_0 .. Label39_5 in index order.
const QVector<PaperTag> &paperTags();

// Link colours: green for parts lists and periodic reports, dark red or dark
// blue for the single-job forms.
QColor captionColour(const QString &caption);
// Quarterly reports stand on light yellow.
bool isQuarterly(const QString &caption);

} // namespace reports
