#pragma once

#include "cli/cli_options.h"

#include <QTextStream>

namespace tessaly::cli {

// monitor: one monitor engine per receiver of the file, changes printed as they come.
int runMonitor(const Options& options, QTextStream& out, QTextStream& err);

// upload and download: one exchange per receiver through the shared exchange sequence.
int runExchange(const Options& options, QTextStream& out, QTextStream& err);

// Set by SIGINT and SIGTERM; the commands end cleanly when they see it.
void installInterruptHandler();
bool interrupted();

} // namespace tessaly::cli
