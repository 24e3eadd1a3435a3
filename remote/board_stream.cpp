#include "remote/board_stream.h"

#include <algorithm>

#include <QJsonDocument>

namespace tessaly::remote {

namespace {

constexpr int kDefaultRefreshMs = 100;

bool severalStations(const BoardState& board) {
    return board.stations.size() > 1 ||
           (!board.stations.empty() && !board.stations.front().station.isEmpty());
}

// The named stations and their status, for the page's station headers.
QJsonArray stationList(const BoardState& board) {
    QJsonArray list;
    for (const BoardStation& station : board.stations) {
        if (!station.station.isEmpty()) {
            list.append(QJsonObject{{"station", station.station}, {"status", station.status}});
        }
    }
    return list;
}

QJsonArray gather(const BoardState& board, QJsonArray BoardStation::*member) {
    QJsonArray all;
    const bool tag = severalStations(board);
    for (const BoardStation& station : board.stations) {
        for (const QJsonValue& value : station.*member) {
            if (tag && value.isObject()) {
                QJsonObject object = value.toObject();
                object.insert("station", station.station);
                all.append(object);
            } else {
                all.append(value);
            }
        }
    }
    return all;
}

// A live receiver's age moves at every refresh and says nothing; a stale one's age is sent
// when its whole seconds change. The page counts on between frames.
QJsonObject comparable(QJsonObject object) {
    const bool live = object["state"].toString() == QLatin1String("live");
    const auto coarse = [live](const QJsonValue& age) {
        return live || !age.isDouble() ? QJsonValue() : QJsonValue(age.toInteger() / 1000);
    };
    object["age_ms"] = coarse(object["age_ms"]);
    if (object["last"].isObject()) {
        QJsonObject last = object["last"].toObject();
        last["age_ms"] = coarse(last["age_ms"]);
        object["last"] = last;
    }
    return object;
}

QByteArray compact(const QJsonObject& object) {
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

} // namespace

bool anyMonitoring(const BoardState& board) {
    for (const BoardStation& station : board.stations) {
        if (station.monitoring) {
            return true;
        }
    }
    return false;
}

int refreshIntervalMs(const BoardState& board) {
    return board.stations.empty() ? kDefaultRefreshMs : board.stations.front().refreshIntervalMs;
}

int frameIntervalMs(const BoardState& board) {
    const int stations = std::max<int>(1, static_cast<int>(board.stations.size()));
    return std::max(1, refreshIntervalMs(board) / stations);
}

QJsonArray allReceivers(const BoardState& board) {
    return gather(board, &BoardStation::receivers);
}

QJsonArray allAlarms(const BoardState& board) {
    return gather(board, &BoardStation::activeAlarms);
}

QJsonArray allJournal(const BoardState& board) {
    return gather(board, &BoardStation::journal);
}

QByteArray BoardStream::fullFrame() const {
    QJsonObject frame{
        {"type", "full"},
        {"monitoring", anyMonitoring(*board_)},
        {"refresh_ms", refreshIntervalMs(*board_)},
        {"receivers", allReceivers(*board_)},
        {"alarms", allAlarms(*board_)},
    };
    if (severalStations(*board_)) {
        frame.insert("stations", stationList(*board_));
    }
    return compact(frame);
}

QByteArray BoardStream::next(const BoardStatePtr& board) {
    if (!board) {
        return {};
    }
    board_ = board;
    const bool tag = severalStations(*board);
    std::map<Key, QJsonObject> shown;
    QJsonArray changed;
    for (const BoardStation& station : board->stations) {
        for (const QJsonValue& value : station.receivers) {
            QJsonObject object = value.toObject();
            if (tag) {
                object.insert("station", station.station);
            }
            const Key key{station.station, object["receiver"].toInt()};
            QJsonObject seen = comparable(object);
            const auto before = shown_.find(key);
            if (before == shown_.end() || before->second != seen) {
                changed.append(object);
            }
            shown.emplace(key, std::move(seen));
        }
    }
    QJsonArray removed;
    for (const auto& [key, object] : shown_) {
        if (shown.find(key) == shown.end()) {
            QJsonObject gone{{"receiver", key.second}};
            if (tag) {
                gone.insert("station", key.first);
            }
            removed.append(gone);
        }
    }
    shown_ = std::move(shown);
    const QJsonArray alarms = allAlarms(*board);
    const bool alarmsChanged = alarms != alarms_;
    alarms_ = alarms;
    const bool monitoring = anyMonitoring(*board);
    const bool monitoringChanged = monitoring != monitoring_;
    monitoring_ = monitoring;
    const QJsonArray stations = stationList(*board);
    const bool stationsChanged = stations != stations_;
    stations_ = stations;
    if (changed.isEmpty() && removed.isEmpty() && !alarmsChanged && !monitoringChanged &&
        !stationsChanged) {
        return {};
    }
    QJsonObject frame{
        {"type", "changes"},
        {"monitoring", monitoring},
        {"receivers", changed},
        {"removed", removed},
    };
    if (alarmsChanged) {
        frame.insert("alarms", alarms);
    }
    if (stationsChanged) {
        frame.insert("stations", stations);
    }
    return compact(frame);
}

} // namespace tessaly::remote
