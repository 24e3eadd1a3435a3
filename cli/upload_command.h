#pragma once

#include "cli/cli_options.h"

#include <QTextStream>

#include <functional>

namespace tessaly::cli {

// Asks the operator whether to send; nullptr-like (empty) when no one can be asked.
using SendQuestion = std::function<bool(QTextStream& out)>;

// The question on the terminal, or an empty function when stdin is not a terminal.
SendQuestion terminalQuestion();

// upload: reads name and frequency, prints the difference, asks (or takes --yes), sends, reads
// back and checks. --dry-run stops after the difference.
int runUpload(const Options& options, QTextStream& out, QTextStream& err,
              const SendQuestion& ask = terminalQuestion());

} // namespace tessaly::cli
