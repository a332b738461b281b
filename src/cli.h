#pragma once
// The command-line subcommands of the vorda executable.

#include <QStringList>

namespace vorda {

struct AppState;

// Runs the subcommand; returns the process exit code (0 done, 1 failed, 2 usage).
int runSubcommand(const QStringList& args, AppState& state);

// The usage text printed by --help and for a wrong call.
QString usageText();

} // namespace vorda
