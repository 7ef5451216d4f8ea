#pragma once
// Start-up before the shell: the arguments, the data folder, and the working
// folder set to it.
#include <QStringList>
#include <optional>

namespace shell {

// Makes the data folder the working folder, asking for it on the first start
// from the menu. Nothing when the run goes on; otherwise the exit code to end
// with (help, bad arguments, an unusable folder, the question cancelled).
std::optional<int> enterDataFolder(const QStringList &arguments);

} // namespace shell
