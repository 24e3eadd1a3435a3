#pragma once

// The CSV form of history rows, the same for tessaly-cli history and the History window's
// export: one header line, then one line a row, fields quoted by libcsv where needed. Levels in
// dBm and dB with one decimal, time as historyTimeText(), antenna "A" or "B", muted 1 or 0;
// an unset value is an empty field.
//
//   time,receiver,name,state,rf_a_min,rf_a_max,rf_b_min,rf_b_max,af_max,battery,antenna,
//   antenna_changes,muted

#include "history/history_row.h"

#include <QByteArray>
#include <QString>

namespace tessaly::history {

QByteArray historyCsvHeader();                                         // ends with "\r\n"
QByteArray historyCsvLine(const HistoryRow& row, const QString& name); // ends with "\r\n"

} // namespace tessaly::history
