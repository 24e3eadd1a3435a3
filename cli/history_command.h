#pragma once

#include "cli/cli_options.h"

#include <QDate>
#include <QTextStream>

#include <cstdint>
#include <optional>

namespace tessaly::cli {

// history: a show history file's receivers and time span, or with --csv its rows (see
// usageText("history")). Exits 0, 2 for a TIME it cannot read, 3 for a file it cannot read.
int runHistory(const Options& options, QTextStream& out, QTextStream& err);

// A --from/--to TIME as Unix seconds: "YYYY-MM-DDTHH:MM[:SS]" (or with a space for the T) in
// local time or with an offset ("+01:00", "Z"), or "HH:MM[:SS]" in local time on `day`.
std::optional<int64_t> parseHistoryTime(const QString& text, QDate day);

} // namespace tessaly::cli
