#include "generator.h"

#include "store/database.h"
#include "store/fields.h"

#include <QDate>
#include <QRandomGenerator>
#include <QSqlError>
#include <QSqlQuery>
#include <QStringList>
#include <QVariant>
#include <stdexcept>

namespace bench {
namespace {

QString pick(QRandomGenerator &rng, const QStringList &list)
{
    return list.at(int(rng.bounded(quint32(list.size()))));
}

QString digits(QRandomGenerator &rng, int n)
{
    QString s;
    for (int i = 0; i < n; ++i)
        s += QChar(u'0' + int(rng.bounded(10u)));
    return s;
}

} // namespace

void generateJobTable(const QString &path, int count, quint32 seed)
{
    auto dbOpened = store::Database::create(path);
    if (dbOpened.failed())
        throw std::runtime_error(dbOpened.error().text.toStdString());
    auto db = std::move(dbOpened).value();

    QRandomGenerator rng(seed);
    const QStringList surnames{"王", "李", "张", "刘", "陈", "杨", "黄", "赵", "周", "吴", "徐", "孙", "胡", "朱", "高"};
    const QStringList given{"伟", "芳", "娜", "敏", "静", "强", "磊", "军", "洋", "勇", "艳", "杰", "娟", "涛", "明"};
    const QStringList districts{"海曙", "江东", "江北", "镇海", "北仑", "鄞州", "奉化", "慈溪", "余姚", "宁海", "象山"};
    const QStringList roads{"中山路", "解放路", "百丈路", "江东北路", "人民路", "药行街", "开明街", "灵桥路"};
    const QStringList models{"新飞BCD-182", "新飞BCD-216", "容声BCD-200", "佳利SD-220", "华日BCD-186",
                             "星星BD-300", "澳柯玛BC-150", "三洋SR-185", "万宝BCD-175", "小天鹅BCD-208"};
    const QStringList faults{"不制冷", "不开机", "制冷差", "不停机", "灯不亮", "噪声重", "漏水"};
    const QStringList findings{"温控坏", "补偿未开", "冷凝器漏", "内堵", "压缩机坏", "漏水", "灯泡坏"};
    const QStringList repairs{"修理温控修复", "开启补偿修复", "加装冷凝器修复", "换过滤器修复",
                              "更换压缩机修复", "疏通下水道修复", "更换灯泡修复"};
    const QStringList parts{"", "", "", "冷凝器", "压缩机", "门封", "温度传感器", "灯开关"};
    const QStringList staff{"张师傅", "李师傅", "王师傅", "赵师傅", "陈师傅", "刘师傅", "周师傅"};
    const QStringList shops{"二百", "银泰", "新华联", "永乐", "苏宁", "雄城", "余姚", "宁海"};
    const QStringList categories{"小修", "中修", "大修", "小修1", "中修1"};

    const QStringList names = store::fieldNames();
    QStringList marks;
    for (int i = 0; i < names.size(); ++i)
        marks << QStringLiteral("?");
    QSqlDatabase sql = db->sql();
    sql.transaction();
    QSqlQuery q(sql);
    q.prepare(QStringLiteral("INSERT INTO 客户信息 (%1) VALUES (%2)")
                  .arg(names.join(u','), marks.join(u',')));
    const QDate firstDay(2003, 1, 1);
    for (int n = 1; n <= count; ++n) {
        const QDate received = firstDay.addDays(qint64(n) * 8000 / count);
        const QString part = pick(rng, parts);
        const int visit = int(rng.bounded(3u)) * 10;
        const int repair = int(rng.bounded(20u)) * 10;
        const int carry = rng.bounded(2u) ? 30 : 0;
        QVariantMap row{
            {"编号", n},
            {"客户姓名", pick(rng, surnames) + pick(rng, given) + (rng.bounded(2u) ? pick(rng, given) : QString())},
            {"地址", pick(rng, roads) + QString::number(rng.bounded(1, 400)) + "号" + QString::number(rng.bounded(1, 30)) + "室"},
            {"宅电", "8" + digits(rng, 7)},
            {"购店", pick(rng, shops)},
            {"移动电话", "13" + digits(rng, 9)},
            {"购买日期", rng.bounded(10u) == 0 ? QString("超保") : received.addDays(-qint64(rng.bounded(1, 900))).toString("yyyy-MM-dd")},
            {"发票号码", digits(rng, 8)},
            {"出厂日期", received.addDays(-qint64(rng.bounded(200, 1500))).toString("yyyy-MM-dd")},
            {"产品编号", digits(rng, 10)},
            {"到货日期", part.isEmpty() ? QVariant() : QVariant(received.addDays(rng.bounded(1, 20)).toString("yyyy-MM-dd"))},
            {"接货日期", received.toString("yyyy-MM-dd")},
            {"发货日期", received.addDays(rng.bounded(1, 15)).toString("yyyy-MM-dd")},
            {"里程数", int(rng.bounded(60u))},
            {"上门费", visit},
            {"维修费", repair},
            {"车补", 0},
            {"差旅费", 0},
            {"搬运费", carry},
            {"合计", visit + repair + carry},
            {"材料费", 0},
            {"地区", pick(rng, districts)},
            {"邮编", "3150" + digits(rng, 2)},
            {"型号", pick(rng, models)},
            {"保修期", rng.bounded(3u) ? QString("六个月") : QString("三年")},
            {"信息来源", pick(rng, QStringList{"保修证", "中心转", "114转", "81890转", "大成转"})},
            {"备注", rng.bounded(4u) ? QString() : QString("已付上门费20元")},
            {"故障修理", pick(rng, faults)},
            {"检修结果", pick(rng, findings)},
            {"修理内容", pick(rng, repairs)},
            {"代码", "4" + digits(rng, 2)},
            {"维修类别", pick(rng, categories)},
            {"修理人员", pick(rng, staff)},
            {"已修否", rng.bounded(5u) ? -1 : 0},
            {"运来者1", pick(rng, staff)},
            {"运去者1", pick(rng, staff)},
            {"配件", part},
            {"是否申请", part.isEmpty() ? QString("否") : QString("是")},
            {"是否库存", rng.bounded(2u) ? QString("是") : QString("否")},
            {"入档", rng.bounded(3u) ? QString("是") : QString("否")},
            {"开票时间", QString("%1:%2:%3").arg(rng.bounded(8, 18), 2, 10, QChar('0')).arg(rng.bounded(60), 2, 10, QChar('0')).arg(rng.bounded(60), 2, 10, QChar('0'))},
            {"Photo", QStringLiteral("")},
        };
        for (int i = 0; i < names.size(); ++i)
            q.bindValue(i, row.value(names.at(i)));
        if (!q.exec())
            throw std::runtime_error(q.lastError().text().toStdString());
    }
    sql.commit();
}

} // namespace bench
