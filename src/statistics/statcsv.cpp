#include "statistics/statcsv.h"

#include "reports/catalogue/csvfile.h"
#include "statistics/stattext.h"

namespace statistics {

common::Result<void> writeRepairerCsv(const ShopFigures &f, const QString &path)
{
    reports::CsvFile file(path);
    if (const auto e = file.open(); e.failed())
        return e;
    file.add({statisticsTitle() + QStringLiteral("（维修人员）")});
    file.add({periodLine(f)});
    file.add(repairerCaptions());
    for (const RepairerRow &row : f.repairers)
        file.add(repairerCells(row));
    file.add(repairerTotalCells(f.repairers));
    return file.commit();
}

} // namespace statistics
