#pragma once
// Realistic repair jobs at full table size, reproducible from a seed.
#include <QString>
#include <QtGlobal>

namespace bench {

constexpr int kFullTable = 32767;

// Creates a database file at path with jobs numbered 1..count.
void generateJobTable(const QString &path, int count, quint32 seed = 20030425);

} // namespace bench
