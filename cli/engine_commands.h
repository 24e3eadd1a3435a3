#pragma once

#include "cli/cli_options.h"

#include "comm/engine_options.h"
#include "protocol/receiver_table.h"

#include <QTextStream>

namespace tessaly {
class CommTrace;
}

namespace tessaly::cli {

// monitor: one monitor engine per receiver of the file, changes printed as they come.
int runMonitor(const Options& options, QTextStream& out, QTextStream& err);

// upload and download: one exchange per receiver through the shared exchange sequence.
int runExchange(const Options& options, QTextStream& out, QTextStream& err);

// The engines' options: traces when --trace or comm/debug asks for them.
EngineOptions engineOptions(bool trace);

// Reads the environment file of the options into `table`; says why not on `err`.
bool loadEnvironment(const Options& options, ReceiverTable& table, QTextStream& err);

// Prints an engine's trace lines on stderr, prefixed with its receiver number.
void routeTrace(CommTrace& trace, int number, QTextStream& err);

// Set by SIGINT and SIGTERM; the commands end cleanly when they see it.
void installInterruptHandler();
bool interrupted();

} // namespace tessaly::cli
