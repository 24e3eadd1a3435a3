#include "history/history_csv.h"

#include "history/history_file.h"

#include <csv.h>

namespace tessaly::history {

namespace {

QByteArray quoted(const QString& text) {
    const QByteArray utf8 = text.toUtf8();
    QByteArray out(utf8.size() * 2 + 2, '\0');
    const size_t written = csv_write(out.data(), static_cast<size_t>(out.size()), utf8.constData(),
                                     static_cast<size_t>(utf8.size()));
    out.truncate(static_cast<qsizetype>(written));
    return out;
}

QByteArray tenths(const std::optional<int32_t>& value) {
    return value ? QByteArray::number(*value / 10.0, 'f', 1) : QByteArray();
}

QByteArray number(const std::optional<int32_t>& value) {
    return value ? QByteArray::number(*value) : QByteArray();
}

} // namespace

QByteArray historyCsvHeader() {
    return "time,receiver,name,state,rf_a_min,rf_a_max,rf_b_min,rf_b_max,af_max,battery,antenna,"
           "antenna_changes,muted\r\n";
}

QByteArray historyCsvLine(const HistoryRow& row, const QString& name) {
    QByteArray line = historyTimeText(row.second).toUtf8();
    line += ',' + QByteArray::number(row.receiver) + ',' + quoted(name) + ',' +
            historyStateName(row.state) + ',' + tenths(row.rfAMin) + ',' + tenths(row.rfAMax) +
            ',' + tenths(row.rfBMin) + ',' + tenths(row.rfBMax) + ',' + tenths(row.afMax) + ',' +
            number(row.battery) + ',';
    if (row.antenna) {
        line += *row.antenna == 0 ? "A" : "B";
    }
    line += ',' + QByteArray::number(row.antennaChanges) + ',';
    if (row.muted) {
        line += *row.muted ? '1' : '0';
    }
    return line + "\r\n";
}

} // namespace tessaly::history
