#include "workspace/jobgrid.h"

#include "common/twips.h"
#include "store/recordset.h"
#include "store/recordsetmodel.h"
#include "workspace/datacontrolbar.h"

#include <QCheckBox>
#include <QHeaderView>
#include <QScrollBar>
#include <QTableView>
#include <QVBoxLayout>

namespace workspace {
namespace {

constexpr int kHeaderHeight = 30;
constexpr int kRowHeight = 20;

} // namespace

JobGrid::JobGrid(store::RecordSet &set, QWidget *parent) : QWidget(parent), m_set(set)
{
    setObjectName(QStringLiteral("JobGrid"));
    const QStringList columns = {
        QStringLiteral("编号"), QStringLiteral("客户姓名"), QStringLiteral("地址"),
        QStringLiteral("宅电"), QStringLiteral("移动电话"), QStringLiteral("已修否"),
        QStringLiteral("接货日期"), QStringLiteral("修理人员"), QStringLiteral("制冷者"),
        QStringLiteral("小修者"), QStringLiteral("钣金者")};
    m_model = new store::RecordSetModel(set, columns, this);
    m_table = new QTableView(this);
    m_table->setObjectName(QStringLiteral("dbgrdDataBase"));
    m_table->setModel(m_model);
    m_table->setSelectionMode(QAbstractItemView::SingleSelection);
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    // Tab leaves the grid for the next control instead of walking its cells.
    m_table->setTabKeyNavigation(false);
    // Header and rows sized so the repaired box, placed 500 twips below the
    // grid's top plus whole rows, sits in the middle of the current row.
    m_table->horizontalHeader()->setFixedHeight(kHeaderHeight);
    m_table->verticalHeader()->setMinimumSectionSize(kRowHeight);
    m_table->verticalHeader()->setDefaultSectionSize(kRowHeight);
    // Row numbers shown whole, 32767 included.
    m_table->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_table->verticalHeader()->setMinimumWidth(m_table->fontMetrics().horizontalAdvance(QStringLiteral("000000")));
    // Five rows at the least, beside a horizontal bar on a narrow window; a
    // taller window gives the grid all its extra height.
    m_table->setMinimumHeight(kHeaderHeight + 5 * kRowHeight + m_table->horizontalScrollBar()->sizeHint().height()
                              + 2 * m_table->frameWidth());
    m_table->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);

    m_navigator = new DataControlBar(this);
    m_navigator->setObjectName(QStringLiteral("DatCustomer"));
    m_navigator->setFixedHeight(common::px(375));
    m_navigator->setCaption(QStringLiteral("显示记录"));
    QPalette p = m_navigator->palette();
    p.setColor(QPalette::Window, QColor(255, 192, 192));
    p.setColor(QPalette::WindowText, QColor(64, 64, 64));
    p.setColor(QPalette::Button, QColor(255, 192, 192));
    m_navigator->setPalette(p);
    m_navigator->setAutoFillBackground(true);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_table, 1);
    layout->addWidget(m_navigator);

    m_repaired = new QCheckBox(this);
    m_repaired->setObjectName(QStringLiteral("chkDisplay"));
    m_repaired->resize(16, 16);
    m_repaired->raise();

    connect(m_navigator, &DataControlBar::firstClicked, this, [this] { emit stepRequested(Step::First); });
    connect(m_navigator, &DataControlBar::previousClicked, this, [this] { emit stepRequested(Step::Previous); });
    connect(m_navigator, &DataControlBar::nextClicked, this, [this] { emit stepRequested(Step::Next); });
    connect(m_navigator, &DataControlBar::lastClicked, this, [this] { emit stepRequested(Step::Last); });
    connect(m_table->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex &current, const QModelIndex &previous) {
                if (current.isValid() && current.row() != previous.row() && current.row() != m_set.absolutePosition())
                    emit rowChosen(current.row());
                placeRepairedBox();
            });
    connect(m_table->verticalScrollBar(), &QScrollBar::valueChanged, this, &JobGrid::placeRepairedBox);
}

JobGrid::~JobGrid()
{
    // Nothing may call back while the table goes, and the model before the set it reads.
    m_table->verticalScrollBar()->disconnect(this);
    m_table->selectionModel()->disconnect(this);
    m_table->setModel(nullptr);
}

QSize JobGrid::sizeHint() const { return {common::px(10545), common::px(1965) + common::px(375)}; }

void JobGrid::followCurrentRow()
{
    m_navigator->setCaption(recordCaption(m_set.absolutePosition()));
    const int pos = m_set.absolutePosition();
    if (pos >= 0 && pos < m_model->rowCount()) {
        const int column = qMax(0, m_table->currentIndex().column());
        if (m_table->currentIndex().row() != pos)
            m_table->setCurrentIndex(m_model->index(pos, column));
    } else {
        m_table->selectionModel()->clearCurrentIndex();
    }
    placeRepairedBox();
}

void JobGrid::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    placeRepairedBox();
}

void JobGrid::placeRepairedBox()
{
    // The bound box rides beside the current row: 500 twips below the grid's
    // top on the first visible row, one row height further for each row
    // below; across, where the form put it, or inside a narrower grid.
    const QModelIndex current = m_table->currentIndex();
    if (!current.isValid() || m_model->rowCount() == 0) {
        m_repaired->hide();
        return;
    }
    const QRect row = m_table->visualRect(current);
    const QRect shown = m_table->viewport()->rect();
    m_repaired->setVisible(row.bottom() > shown.top() && row.top() < shown.bottom());
    const int x = qMin(common::px(8055 - 150), width() - m_repaired->width() - 20);
    m_repaired->move(x, m_table->y() + common::px(500) + row.top());
}

} // namespace workspace
