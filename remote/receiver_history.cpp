#include "remote/receiver_history.h"

#include <QJsonArray>

namespace tessaly::remote {

namespace {

QJsonValue tenths(const std::optional<int32_t>& value) {
    return value ? QJsonValue(*value / 10.0) : QJsonValue(QJsonValue::Null);
}

QJsonObject rowJson(const history::HistoryRow& row) {
    const bool live = row.state == history::HistoryState::Live;
    const auto value = [live](const std::optional<int32_t>& v) {
        return live ? tenths(v) : QJsonValue(QJsonValue::Null);
    };
    QJsonValue battery = QJsonValue::Null;
    if (live && row.battery) {
        battery = *row.battery;
    }
    return QJsonObject{{"time", static_cast<qint64>(row.second)},
                       {"state", QString::fromLatin1(history::historyStateName(row.state))},
                       {"rf_a_min_dbm", value(row.rfAMin)},
                       {"rf_a_max_dbm", value(row.rfAMax)},
                       {"rf_b_min_dbm", value(row.rfBMin)},
                       {"rf_b_max_dbm", value(row.rfBMax)},
                       {"af_max_db", value(row.afMax)},
                       {"battery", battery}};
}

} // namespace

void ReceiverHistory::add(const show::ShowSnapshot& snapshot) {
    if (snapshot.monitoring) {
        latestSecond_ = history::secondOf(snapshot.time.wallMs);
    }
    for (const history::HistoryRow& row : summariser_.add(snapshot)) {
        keep(row);
    }
}

void ReceiverHistory::keep(const history::HistoryRow& row) {
    if (row.receiver < 1 || row.receiver > show::kShowMaxReceivers) {
        return;
    }
    auto& rows = rows_[static_cast<size_t>(row.receiver)];
    // A clock that stepped back: the later row of a second replaces the earlier, and rows
    // after it are dropped so that the list stays in time order.
    while (!rows.empty() && rows.back().second >= row.second) {
        rows.pop_back();
    }
    rows.push_back(row);
    while (rows.size() > kSeconds) {
        rows.pop_front();
    }
}

QJsonObject ReceiverHistory::json(int number) const {
    QJsonArray seconds;
    if (number >= 1 && number <= show::kShowMaxReceivers) {
        const int64_t oldest = latestSecond_ - static_cast<int64_t>(kSeconds);
        for (const history::HistoryRow& row : rows_[static_cast<size_t>(number)]) {
            if (row.second >= oldest) {
                seconds.append(rowJson(row));
            }
        }
    }
    return QJsonObject{
        {"receiver", number}, {"now", static_cast<qint64>(latestSecond_)}, {"seconds", seconds}};
}

} // namespace tessaly::remote
