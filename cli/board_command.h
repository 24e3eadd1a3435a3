#pragma once

#include "cli/cli_options.h"

#include <QTextStream>

namespace tessaly::cli {

// tessaly-cli board --mqtt URL --serve ADDRESS:PORT [--token T]: the combined board of every
// station publishing to the broker, served as the remote view until interrupted.
int runBoard(const Options& options, QTextStream& out, QTextStream& err);

} // namespace tessaly::cli
