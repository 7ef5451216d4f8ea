// corvale-bench: times the user's actions at the largest table the job number
// allows (32767 rows) and, where one exists, the same work in raw SQLite.
#include "bench.h"
#include "generator.h"

#include "common/fonts.h"
#include "store/fields.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QStyleFactory>
#include <QTemporaryDir>
#include <algorithm>
#include <iterator>
#include <cstdio>
#include <sys/resource.h>

namespace bench {

std::vector<Case> &registry()
{
    static std::vector<Case> cases;
    return cases;
}

const char *groupOf(int order)
{
    static const char *const groups[] = {"store", "reports", "workspace", "server", "statistics"};
    const int group = order / 100;
    return group >= 0 && group < int(std::size(groups)) ? groups[group] : "other";
}

namespace {

// The process's peak so far: a rise after a group is that group's.
void sayPeakMemory(const char *after)
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("peak memory after %s  %ld MB\n", after, usage.ru_maxrss / 1024);
    std::fflush(stdout);
}

} // namespace

double timeMs(const std::function<void()> &work, int repeats, const std::function<void()> &prepare)
{
    std::vector<double> times;
    for (int i = 0; i < repeats; ++i) {
        if (prepare)
            prepare();
        QElapsedTimer t;
        t.start();
        work();
        times.push_back(t.nsecsElapsed() / 1e6);
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

} // namespace bench

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QApplication app(argc, argv);
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    common::installFontSubstitutions();

    QTemporaryDir dir;
    bench::Context ctx{dir.path(), dir.filePath(store::databaseFileName()),
                       {dir.path(), dir.filePath(store::databaseFileName()), common::SiteSettings::defaults()}};
    {
        QElapsedTimer t;
        t.start();
        bench::generateJobTable(ctx.database, bench::kFullTable);
        std::printf("generate %d rows  %.1f ms\n", bench::kFullTable, t.nsecsElapsed() / 1e6);
    }

    auto cases = bench::registry();
    std::stable_sort(cases.begin(), cases.end(),
                     [](const bench::Case &a, const bench::Case &b) { return a.order < b.order; });
    const QString only = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QString();
    const char *group = nullptr;
    for (bench::Case &c : cases) {
        // A name's part, or a group's name to measure that group's own memory.
        if (!only.isEmpty() && !c.name.contains(only) && only != QLatin1String(bench::groupOf(c.order)))
            continue;
        if (group && group != bench::groupOf(c.order))
            bench::sayPeakMemory(group);
        group = bench::groupOf(c.order);
        if (c.setUp)
            c.setUp(ctx);
        std::function<void()> prepare;
        if (c.before)
            prepare = [&] { c.before(ctx); };
        const double ms = bench::timeMs([&] { c.run(ctx); }, c.repeats, prepare);
        if (c.raw) {
            const double raw = bench::timeMs([&] { c.raw(ctx); }, c.repeats, prepare);
            std::printf("%s  %.1f ms  raw %.1f ms  ratio %.2f\n", qPrintable(c.name), ms, raw,
                        raw > 0 ? ms / raw : 0.0);
        } else {
            std::printf("%s  %.1f ms\n", qPrintable(c.name), ms);
        }
        std::fflush(stdout);
    }
    if (group)
        bench::sayPeakMemory(group);
    return 0;
}
