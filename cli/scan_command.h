#pragma once

#include "cli/cli_options.h"

#include <QTextStream>

namespace tessaly::cli {

// Sweeps the local private subnets and lists the receivers found: "IP MAC" a line.
int runScan(const Options& options, QTextStream& out, QTextStream& err);

} // namespace tessaly::cli
