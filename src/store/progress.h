#pragma once
// How far a long step of the store has come, told to whoever shows it.
#include <QtGlobal>

#include <functional>

namespace store {

// Told how much of all is done so far; false stops the step, which then
// leaves things as they were.
using CopyProgress = std::function<bool(qint64 done, qint64 all)>;

} // namespace store
