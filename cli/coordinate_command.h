#pragma once

#include "cli/cli_options.h"

#include <QTextStream>

namespace tessaly::cli {

// coordinate: the frequency conflicts of an environment file's receivers, and with --assign a
// proposed channel for each of them (written to -o OUT.ini when given). Exits 0 when the plan
// (the proposed one with --assign) has no conflict, 1 when it has.
int runCoordinate(const Options& options, QTextStream& out, QTextStream& err);

} // namespace tessaly::cli
