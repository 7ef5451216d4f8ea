#include "reports/ui/paizi.h"

#include "common/clock.h"
#include "common/ui/programwindow.h"
#include "common/ui/screenfit.h"
#include "common/fonts.h"
#include "common/twips.h"
#include "common/ui/widgets.h"
#include "common/ui/prompt.h"
#include "reports/forms/datareport.h"
#include "reports/ui/datareportwindow.h"
#include "reports/ui/enginepreview.h"
#include "reports/ui/handcursor.h"
#include "reports/ui/reportwindow.h"

#include <QComboBox>
#include <QFontMetricsF>
#include <QGroupBox>
#include <QLineEdit>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollArea>
#include <QScrollBar>
#include <QSpinBox>
#include <QVBoxLayout>

namespace reports {

namespace {

const QColor kPanelBack(255, 192, 192);
const QColor kBottomBack(192, 192, 255);
const QColor kQuarterlyBack(255, 255, 192);
const QColor kDarkBlue(0, 0, 192);
const QColor kGreen(0, 128, 0);

// Frames are laid out at design time a little off the display place, so
// HideAll visibly moves the one it names.
constexpr int kDesignLeft = 7690, kDesignTop = 1090;
constexpr int kShownLeft = 7600, kShownTop = 1000;

void setTextColour(QWidget *w, const QColor &c)
{
    QPalette p = w->palette();
    p.setColor(QPalette::WindowText, c);
    w->setPalette(p);
}

QLabel *plainLabel(QWidget *parent, const QString &text, int left, int top, int width,
                   int height = 255)
{
    auto *label = new QLabel(text, parent);
    label->setFont(common::cjkFont(QStringLiteral("宋体"), 9));
    setTextColour(label, Qt::black);
    label->setGeometry(common::twipRect(left, top, width, height));
    return label;
}

QGroupBox *bottomFrame(QWidget *parent, const QString &name, const QString &title, int left,
                       int top)
{
    auto *frame = new QGroupBox(title, parent);
    frame->setObjectName(name);
    frame->setFont(common::cjkFont(QStringLiteral("宋体"), 9));
    common::setBackColor(frame, kBottomBack);
    frame->setGeometry(common::twipRect(left, top, 3615, 2430));
    return frame;
}

QComboBox *comboBox(QWidget *parent, const QString &name, const QStringList &items, bool editable,
                    int left, int top, int width)
{
    auto *box = new QComboBox(parent);
    box->setObjectName(name);
    box->setEditable(editable);
    box->addItems(items);
    box->setGeometry(common::twipRect(left, top, width, 300));
    return box;
}

} // namespace

ClickLabel::ClickLabel(const QString &text, QWidget *parent) : QLabel(text, parent)
{
    setFocusPolicy(Qt::StrongFocus);
}

void ClickLabel::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        emit clicked();
    QLabel::mouseReleaseEvent(event);
}

void ClickLabel::keyPressEvent(QKeyEvent *event)
{
    const int key = event->key();
    if ((key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Space) && !event->isAutoRepeat()) {
        emit clicked();
        emit keyActivated();
        return;
    }
    QLabel::keyPressEvent(event);
}

void ClickLabel::paintEvent(QPaintEvent *event)
{
    QLabel::paintEvent(event);
    if (!hasFocus())
        return;
    QPainter painter(this);
    // Thick enough to tell from a tile's own frame at a glance.
    painter.setPen(QPen(palette().color(QPalette::Highlight), 3));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(QRectF(rect()).adjusted(1.5, 1.5, -1.5, -1.5));
}

PaiZi::PaiZi(const common::ShopContext &shop, DataSource &source, QWidget *parent)
    : QWidget(parent, Qt::Window), m_shop(shop), m_source(source)
{
    setObjectName(QStringLiteral("PaiZi"));
    common::markProgramWindow(this);
    setWindowTitle(QStringLiteral("报表打印"));
    setWindowIcon(QIcon(handPixmap()));
    setAttribute(Qt::WA_DeleteOnClose);
    setFixedSize(common::px(11430), common::px(8010));
    common::setBackColor(this, kPanelBack);

    buildTiles();
    for (int i = 1; i <= kBrands; ++i)
        buildBrandFrame(i);
    buildPaperTags();
    buildSettingsFrame();
    buildManagementFrame();
    buildEnvelopeFrame();
    load();
    scrollWhereTheScreenIsSmaller();
}

void PaiZi::scrollWhereTheScreenIsSmaller()
{
    // The panel keeps the places it was drawn with; on a screen with less room
    // (a laptop at 150 %) it scrolls inside a window the screen can hold.
    const QSize drawn = size();
    const QSize room = common::roomOnScreen(this);
    if (room.width() >= drawn.width() && room.height() >= drawn.height())
        return;
    auto *content = new QWidget;
    content->setObjectName(QStringLiteral("panelContent"));
    content->setFixedSize(drawn);
    common::setBackColor(content, kPanelBack);
    for (QObject *child : children())
        if (auto *w = qobject_cast<QWidget *>(child); w && !w->isWindow())
            w->setParent(content);
    auto *scroll = new QScrollArea(this);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidget(content);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(scroll);
    setMinimumSize(0, 0);
    // Wider or taller by a scroll bar where the other way scrolls, so the
    // bar does not cover the content and call for a second bar.
    const QSize wanted = common::sizeWithScrollBars(drawn, room, scroll->verticalScrollBar()->sizeHint().width());
    setMaximumSize(wanted);
    resize(wanted.boundedTo(room));
}

PaiZi::~PaiZi() = default;

void PaiZi::load()
{
    const QDate today = common::clock().today();
    m_state = panelStateAtLoad(today);
    // The month box and the year box open on the month a clerk reports on.
    const auto [year, month] = lastEndedMakersMonth(today);
    m_cboDate->setCurrentIndex(month - 1);
    m_txtYear->setValue(year);
    HideAll(0);
    // The quarter box and its year open on the last quarter that has ended.
    const auto [quarterYear, quarter] = lastEndedQuarter(today);
    m_jido->setCurrentText(quarter);
    m_txtQuarterYear->setValue(quarterYear);
}

void PaiZi::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}

void PaiZi::HideAll(qint16 index)
{
    for (int i = 1; i <= kBrands; ++i)
        m_frames[i]->setVisible(false);
    if (index >= 1 && index <= kBrands)
        m_frames[index]->move(common::px(kShownLeft), common::px(kShownTop));
}

void PaiZi::selectBrand(int index)
{
    HideAll(qint16(index));
    if (index >= 1 && index <= kBrands)
        m_frames[index]->setVisible(true);
}

QGroupBox *PaiZi::brandFrame(int index) const
{
    return index >= 1 && index <= kBrands ? m_frames[index] : nullptr;
}

PanelInputs PaiZi::inputs() const
{
    PanelInputs in;
    in.month = m_cboDate->currentText();
    in.year = m_txtYear->value();
    in.quarterBox = m_jido->currentText();
    in.quarterYear = m_txtQuarterYear->value();
    in.partsLedgerStart = m_txtPeiJianDate->text();
    in.area = m_aera->currentText();
    in.staff = m_text1->text();
    in.store = m_cboShop->currentText();
    return in;
}

void PaiZi::runCatalogueEntry(const QString &entry)
{
    const std::optional<ReportRequest> request = catalogueRequest(entry, inputs(), m_state);
    if (!request)
        return;
    EnginePreview *preview = runReportRequest(*request, m_shop, this);
    if (!preview)
        return;
    // The entry's window shows the new run in place of the last one.
    common::WindowSlot<EnginePreview> &slot = m_previews[entry];
    slot.reset();
    slot.show([preview] { return preview; });
}

void PaiZi::showDataReport(const QString &report)
{
    // Read afresh each time: the shop may have moved the stationery since.
    const auto load = [this, &report] {
        common::Result<ReportRenderer> renderer = dataReportRenderer(report, m_shop);
        if (renderer.failed())
            common::say(renderer.error(), QStringLiteral("警告"), common::Icon::Warning);
        return renderer;
    };
    common::Result<ReportRenderer> renderer = load();
    if (renderer.failed())
        return;
    if (const QStringList placeholders = placeholdersPrinted(renderer->layout(), renderer->settings().servicePoint);
        !placeholders.isEmpty()) {
        // Before the preview, which then shows what the clerk may just have filled in.
        emit placeholdersAboutToPrint(placeholders);
        renderer = load();
        if (renderer.failed())
            return;
    }
    common::WindowSlot<DataReportWindow> &slot = m_dataReports[report];
    if (DataReportWindow *open = slot.get())
        open->setRenderer(std::move(*renderer));
    DataReportWindow *window =
        slot.ensure([&] { return new DataReportWindow(std::move(*renderer), m_source, this); });
    window->reload();
    slot.show([window] { return window; });
}

DataReportWindow *PaiZi::dataReportWindow(const QString &report) const
{
    return m_dataReports.value(report).get();
}

EnginePreview *PaiZi::cataloguePreview(const QString &entry) const
{
    return m_previews.value(entry).get();
}

void PaiZi::buildTiles()
{
    static const int columns[] = {60, 1800, 3660, 5520};
    static const int rows[] = {360, 1410, 2415, 3345};
    for (const BrandTile &tile : brandTiles()) {
        auto *label = new ClickLabel(tile.face, this);
        label->setObjectName(tile.control);
        label->setToolTip(tile.toolTip);
        label->setAlignment(Qt::AlignCenter);
        label->setFont(common::cjkFont(QStringLiteral("隶书"), tile.points));
        common::setBackColor(label, tile.background);
        setTextColour(label, kDarkBlue);
        if (!tile.textTile)
            label->setFrameStyle(QFrame::Box | QFrame::Plain);
        const int i = tile.index - 1;
        label->setGeometry(common::twipRect(columns[i % 4], rows[i / 4], 1680, 810));
        const int index = tile.index;
        connect(label, &ClickLabel::clicked, this, [this, index] { selectBrand(index); });
        // From the keyboard, straight on to the brand's first caption.
        connect(label, &ClickLabel::keyActivated, this, [this, index] {
            if (QWidget *first = m_frames[index]->findChild<ClickLabel *>())
                first->setFocus(Qt::TabFocusReason);
        });
    }
}

ClickLabel *PaiZi::addCaption(QWidget *frame, const ReportCaption &caption, double points,
                              bool bold, const QColor &colour, int left, int top, int width)
{
    auto *label = new ClickLabel(caption.text, frame);
    if (!caption.control.isEmpty())
        label->setObjectName(caption.control);
    label->setFont(common::cjkFont(QStringLiteral("宋体"), points, bold, true));
    setTextColour(label, colour);
    if (isQuarterly(caption.text))
        common::setBackColor(label, kQuarterlyBack);
    if (caption.text != QStringLiteral("快件单"))
        label->setCursor(handCursor());
    label->setGeometry(common::twipRect(left, top, width, points > 11 ? 300 : 255));
    label->setContentsMargins(4, 3, 4, 3); // room for the focus outline around the text
    label->adjustSize();

    switch (caption.action) {
    case CaptionAction::DataReport:
        connect(label, &ClickLabel::clicked, this,
                [this, target = caption.target] { showDataReport(target); });
        break;
    case CaptionAction::CatalogueEntry:
        connect(label, &ClickLabel::clicked, this,
                [this, target = caption.target] { runCatalogueEntry(target); });
        break;
    case CaptionAction::None:
        break;
    }
    return label;
}

void PaiZi::buildBrandFrame(int index)
{
    const BrandTile &tile = brandTiles().at(index - 1);
    auto *frame = new QGroupBox(tile.frameCaption, this);
    m_frames[index] = frame;
    frame->setObjectName(QStringLiteral("FraPrn_%1").arg(index));
    frame->setFont(common::cjkFont(QStringLiteral("宋体"), 10.5));
    common::setBackColor(frame, kPanelBack);
    setTextColour(frame, QColor(0, 0, 255));
    frame->setGeometry(common::twipRect(kDesignLeft, kDesignTop, 3645, 2475));

    const QVector<CaptionRow> rows = brandCaptions(index);
    const int rowCount = int(rows.size()) + (index == 1 ? 2 : 0); // frame 1: month and year
    const int step = std::min(420, 2000 / std::max(rowCount, 1));
    int top = 330;
    for (const CaptionRow &row : rows) {
        for (int column = 0; column < row.size(); ++column) {
            const ReportCaption &caption = row.at(column);
            addCaption(frame, caption, 10.5, false, captionColour(caption.text), column ? 1860 : 150,
                       top, 1600);
        }
        top += step;
    }
    if (index == 1) {
        plainLabel(frame, QStringLiteral("请选择月份："), 150, top + 30, 1300);
        m_cboDate = comboBox(frame, QStringLiteral("cboDate"),
                             {"一月", "二月", "三月", "四月", "五月", "六月", "七月", "八月",
                              "九月", "十月", "十一月", "十二月"},
                             true, 1500, top, 1200);
        // The window ends in the chosen month of the year box.
        plainLabel(frame, QStringLiteral("请选择年份："), 150, top + 450, 1300);
        m_txtYear = new QSpinBox(frame);
        m_txtYear->setObjectName(QStringLiteral("txtYear"));
        m_txtYear->setRange(1900, 9999);
        m_txtYear->setSuffix(QStringLiteral(" 年"));
        m_txtYear->setGeometry(common::twipRect(1500, top + 420, 1200, 300));
    }
}

void PaiZi::buildPaperTags()
{
    int n = 0;
    for (const PaperTag &tag : paperTags()) {
        QGroupBox *frame = m_frames[tag.frame];
        QLabel *beside = nullptr;
        for (QLabel *l : frame->findChildren<QLabel *>())
            if (l->text() == tag.besideCaption)
                beside = l;
        auto *label = new QLabel(tag.text, frame);
        label->setObjectName(QStringLiteral("Label39_%1").arg(n++));
        label->setFont(common::cjkFont(QStringLiteral("宋体"), 9));
        setTextColour(label, Qt::black);
        if (beside)
            label->move(beside->geometry().right() + 4, beside->y());
        label->adjustSize();
    }
}

QGroupBox *PaiZi::buildSettingsFrame()
{
    QGroupBox *frame = bottomFrame(this, QStringLiteral("Frame3"), QStringLiteral("报表 设置"), 90, 5205);
    plainLabel(frame, QStringLiteral("配件流水帐起始日期："), 120, 420, 2000);
    m_txtPeiJianDate = new QLineEdit(QStringLiteral("2003,7,22"), frame);
    m_txtPeiJianDate->setObjectName(QStringLiteral("txtPeiJianDate"));
    m_txtPeiJianDate->setGeometry(common::twipRect(2130, 375, 1350, 300));

    // The quarter box sits in the gap of its label.
    QLabel *quarterLabel = plainLabel(frame, QStringLiteral("第       季度"), 120, 900, 2000);
    quarterLabel->setFont(common::cjkFont(QStringLiteral("宋体"), 10.5));
    const QFontMetricsF metrics(quarterLabel->font());
    const double gapStart = metrics.horizontalAdvance(QStringLiteral("第"));
    const double gap = metrics.horizontalAdvance(QStringLiteral("       "));
    m_jido = comboBox(frame, QStringLiteral("jido"), {"1st", "2nd", "3rd", "4th"}, false, 0, 855, 780);
    m_jido->setGeometry(quarterLabel->x() + int(gapStart) + 1, quarterLabel->y() - 3, int(gap) - 2,
                        m_jido->height());
    // The quarter of which year: the fourth quarter can be printed in January.
    m_txtQuarterYear = new QSpinBox(frame);
    m_txtQuarterYear->setObjectName(QStringLiteral("txtQuarterYear"));
    m_txtQuarterYear->setRange(1900, 9999);
    m_txtQuarterYear->setSuffix(QStringLiteral(" 年"));
    m_txtQuarterYear->setGeometry(common::twipRect(2160, 855, 1200, 300));
    plainLabel(frame, QStringLiteral("一:1st  二:2nd  三:3rd  四:4th"), 120, 1320, 3400);
    QLabel *note = plainLabel(frame, QStringLiteral("注意：打印季报表，不要忘了选择该项!"), 120,
                              1710, 3400, 540);
    note->setWordWrap(true);
    setTextColour(note, QColor(192, 0, 0));
    return frame;
}

QGroupBox *PaiZi::buildManagementFrame()
{
    QGroupBox *frame = bottomFrame(this, QStringLiteral("Frame2"), QStringLiteral("管 理"), 3840, 5190);
    const int rows[] = {390, 900, 1410, 1920};
    addCaption(frame, {"未修记录单", "Label74", CaptionAction::CatalogueEntry, "未修记录单"}, 10.5,
               true, kGreen, 120, rows[0], 1400);
    plainLabel(frame, QStringLiteral("地区"), 1560, rows[0] + 15, 450);
    m_aera = comboBox(frame, QStringLiteral("Aera"),
                      {"海曙", "江东", "江北", "镇海", "北仑", "鄞州", "奉化", "慈溪", "余姚",
                       "宁海", "象山"},
                      true, 2040, rows[0] - 30, 1410);
    m_aera->setCurrentIndex(-1);
    m_aera->setEditText(QString());

    addCaption(frame, {"维修员报表", "Label32", CaptionAction::CatalogueEntry, "维修人员报表"},
               10.5, true, kGreen, 120, rows[1], 1400);
    m_text1 = new QLineEdit(frame);
    m_text1->setObjectName(QStringLiteral("Text1"));
    m_text1->setGeometry(common::twipRect(1560, rows[1] - 30, 1890, 300));

    addCaption(frame, {"商场报表", "Label76", CaptionAction::CatalogueEntry, "商场报表"}, 10.5,
               true, kGreen, 120, rows[2], 1400);
    m_cboShop = comboBox(frame, QStringLiteral("cboShop"),
                         {"二百", "银泰", "新华联", "永乐", "苏宁", "雄城", "余姚", "宁海"}, true,
                         1560, rows[2] - 30, 1890);
    m_cboShop->setCurrentText(QStringLiteral("二百"));

    addCaption(frame, {"常用电话号码", "Label59", CaptionAction::CatalogueEntry, "新飞回访记录表"},
               10.5, true, kGreen, 120, rows[3], 1800);
    return frame;
}

QGroupBox *PaiZi::buildEnvelopeFrame()
{
    QGroupBox *frame = bottomFrame(this, QStringLiteral("Frame1"), QStringLiteral("信封 快件单"), 7680, 5190);
    addCaption(frame, {"小信封", "Label35", CaptionAction::DataReport, "小信封"}, 12, false,
               kDarkBlue, 360, 420, 1200);
    addCaption(frame, {"中信封", "Label36", CaptionAction::DataReport, "中信封"}, 12, false,
               kDarkBlue, 2010, 420, 1200);
    addCaption(frame, {"大信封", "Label37", CaptionAction::DataReport, "大信封"}, 12, false,
               kDarkBlue, 360, 1020, 1200);
    addCaption(frame, {"快件单", "Label57", CaptionAction::DataReport, "快件单"}, 12, false,
               kDarkBlue, 2010, 1020, 1200);
    QLabel *note = plainLabel(frame, QStringLiteral("注意：打印大信封，先设置打印机为纵向。打印完再改回来。"),
                              120, 1620, 3400, 600);
    note->setWordWrap(true);
    setTextColour(note, QColor(192, 0, 0));
    return frame;
}

} // namespace reports
