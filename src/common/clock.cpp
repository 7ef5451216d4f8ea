#include "common/clock.h"

namespace common {
namespace {
class SystemClock final : public Clock {
public:
    QDateTime now() const override { return QDateTime::currentDateTime(); }
};
SystemClock g_system;
Clock *g_current = nullptr;
} // namespace

Clock &clock() { return g_current ? *g_current : g_system; }
void setClock(Clock *c) { g_current = c; }

} // namespace common
