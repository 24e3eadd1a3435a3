#pragma once

// The frames of GET /api/v1/stream. A client gets the full board once:
//   {"type":"full","monitoring":true,"refresh_ms":100,"receivers":[…],"alarms":[…]}
// and then, as it comes but never closer than three quarters of a refresh (of a refresh shared
// among the stations, on a board of several), what changed since the previous frame:
//   {"type":"changes","monitoring":true,"receivers":[changed objects],"removed":[{"receiver":4}],
//    "alarms":[…]}   ("alarms" only when the active alarms changed)
// With several stations (or one named station, as a board fed by a broker has) every receiver
// object (and removed entry) carries "station", and the frames carry
// "stations":[{"station":"east","status":"online"}] (a change frame only when it changed).
// The change frame is written once per board and sent to every client alike, so a client that
// cannot take every frame in order is dropped rather than sent a different story.

#include "remote/board_source.h"

#include <QByteArray>
#include <QJsonObject>

#include <map>
#include <utility>

namespace tessaly::remote {

class BoardStream {
public:
    // The full frame of the board last passed to next() (an empty board before that).
    QByteArray fullFrame() const;
    // Moves on to `board`; the change frame since the previous board, empty when nothing a
    // client shows has changed.
    QByteArray next(const BoardStatePtr& board);

    const BoardStatePtr& board() const { return board_; }

private:
    using Key = std::pair<QString, int>; // station, receiver

    BoardStatePtr board_ = std::make_shared<BoardState>();
    std::map<Key, QJsonObject> shown_; // as compared: ages coarsened
    QJsonArray alarms_;
    QJsonArray stations_; // the named stations and their status, as last sent
    bool monitoring_ = false;
};

// Whether any station monitors; the refresh interval of the first station (100 ms without).
bool anyMonitoring(const BoardState& board);
int refreshIntervalMs(const BoardState& board);
// The least gap between two frames of the stream: at most one frame a refresh for each station,
// so that on a combined board one station's refresh goes out as it comes and does not wait for
// a frame slot the other stations took.
int frameIntervalMs(const BoardState& board);
// Every station's receivers, with "station" added when there are several stations.
QJsonArray allReceivers(const BoardState& board);
QJsonArray allAlarms(const BoardState& board);
QJsonArray allJournal(const BoardState& board);

} // namespace tessaly::remote
