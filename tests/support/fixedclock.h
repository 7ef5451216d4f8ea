#pragma once
#include "common/clock.h"

// A clock that always says the same time. Installed for its lifetime.
class FixedClock final : public common::Clock {
public:
    explicit FixedClock(QDateTime at) : m_at(std::move(at)) { common::setClock(this); }
    ~FixedClock() override { common::setClock(nullptr); }
    QDateTime now() const override { return m_at; }
    void set(QDateTime at) { m_at = std::move(at); }

private:
    QDateTime m_at;
};
