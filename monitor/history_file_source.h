#pragma once

// The History window's road to the recorder's files.

#include "monitor/history_plot_data.h"

#include <QDate>
#include <QString>

namespace tessaly {

// directory + "/history-YYYY-MM-DD.sqlite": the recorder's file of that day.
QString dailyHistoryPath(const QString& directory, QDate date);

// Adds to `show` the seconds of the file at `path` after `afterMs` (0: all of them), each
// receiver's in time order, and the receivers' last names. False and `error` when the file
// cannot be read; `show` is then unchanged.
bool readHistoryFile(const QString& path, int64_t afterMs, HistoryShow& show,
                     QString* error = nullptr);

} // namespace tessaly
