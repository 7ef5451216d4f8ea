#pragma once
// Start-up before the shell: the arguments, the data folder, and the working
// folder set to it.
#include <QStringList>
#include <optional>

namespace shell {

// What the command line asks that needs no window and no display: --help
// and --version (on stdout), or a wrong argument (a short usage on stderr).
// The exit code when the run ends there; nothing when the program goes on.
std::optional<int> answerCommandLine(const QStringList &arguments);

// Makes the data folder the working folder, asking for it on the first start
// from the menu. Nothing when the run goes on; otherwise the exit code to end
// with (an unusable folder, the question cancelled).
std::optional<int> enterDataFolder(const QStringList &arguments);

} // namespace shell
