// corvale-bench: times the user's actions at the largest table the job number
// allows (32767 rows) and, where one exists, the same work in raw SQLite.
#include "bench.h"
#include "generator.h"

#include "common/fonts.h"
#include "store/fields.h"

#include <QApplication>
#include <QFile>
#include <QDir>
#include <QElapsedTimer>
#include <QStyleFactory>
#include <QTemporaryDir>
#include <algorithm>
#include <iterator>
#include <cstdio>
#include <malloc.h>
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

// The group's own peak: the kernel's high-water mark is read, then set back
// to what the process holds now, so a group's rise is not hidden behind an
// earlier group's. Where it cannot be set back, the peak so far is said.
void sayPeakMemory(const char *group)
{
    QFile status(QStringLiteral("/proc/self/status"));
    long peakKb = -1;
    if (status.open(QIODevice::ReadOnly))
        for (const QByteArray &line : status.readAll().split('\n'))
            if (line.startsWith("VmHWM:"))
                peakKb = line.mid(6).trimmed().split(' ').value(0).toLong();
    if (peakKb < 0) {
        rusage usage{};
        getrusage(RUSAGE_SELF, &usage);
        std::printf("peak memory so far, after %s  %ld MB\n", group, usage.ru_maxrss / 1024);
    } else {
        std::printf("peak memory of %s  %ld MB\n", group, peakKb / 1024);
        // What the group freed goes back to the system first, so the mark
        // starts again from what is still held.
        malloc_trim(0);
        QFile reset(QStringLiteral("/proc/self/clear_refs"));
        if (!reset.open(QIODevice::WriteOnly) || reset.write("5") != 1)
            std::printf("(the peak could not be set back: the next group's figure includes this one's)\n");
    }
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
        if (c.tearDown)
            c.tearDown(ctx);
    }
    if (group)
        bench::sayPeakMemory(group);
    return 0;
}
