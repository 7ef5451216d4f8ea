#pragma once
// A small benchmark harness: cases register themselves, each is timed as the
// median of several runs, and a raw-SQLite counterpart is timed beside it
// where one exists.
#include "common/result.h"
#include "common/shopcontext.h"

#include <QString>
#include <functional>
#include <stdexcept>
#include <optional>
#include <vector>

namespace bench {

struct Context {
    QString folder;     // data folder holding 新客户信息.mdb at full size
    QString database;   // its path
    common::ShopContext shop; // the shop of that folder, as the program starts it
};

struct Case {
    QString name;
    // Runs once before the timed runs (may be empty).
    std::function<void(Context &)> setUp;
    // The timed work.
    std::function<void(Context &)> run;
    // The same work done with the sqlite3 library alone, if there is a counterpart.
    std::function<void(Context &)> raw;
    int repeats = 5;
    // Lower runs first; the hundreds are the groups, each followed by its
    // own peak memory: 0 the store, 1 reports, 2 the workspace window,
    // 3 the server, 4 statistics.
    int order = 0;
    // Runs before each timed run and before each raw run, untimed.
    std::function<void(Context &)> before;
    // Runs once after the case: what it alone needed is let go, so the next
    // group's peak memory is that group's own.
    std::function<void(Context &)> tearDown;
};

std::vector<Case> &registry();

// The group a case's order puts it in, as the run names it.
const char *groupOf(int order);

// A step of a case that must work: a failure ends the run with its text.
template <typename T>
void check(const common::Result<T> &done)
{
    if (done.failed())
        throw std::runtime_error(done.error().text.toStdString());
}

struct Registrar {
    explicit Registrar(Case c) { registry().push_back(std::move(c)); }
};

// Median wall time of repeats runs, in milliseconds; prepare runs untimed
// before each one.
double timeMs(const std::function<void()> &work, int repeats,
              const std::function<void()> &prepare = {});

} // namespace bench
