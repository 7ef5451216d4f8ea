#pragma once
// "Today" and "now" come from one clock so tests can fix them.
#include <QDateTime>

namespace common {

class Clock {
public:
    virtual ~Clock() = default;
    virtual QDateTime now() const = 0;
    QDate today() const { return now().date(); }
    QTime time() const { return now().time(); }
};

Clock &clock();
// Installs c (not owned); nullptr restores the system clock.
void setClock(Clock *c);

} // namespace common
