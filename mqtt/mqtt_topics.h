#pragma once

// The topics a station publishes under, the interface other tools build on:
//   tessaly/v1/STATION/status        retained "online", "offline" (the will, and a clean stop)
//   tessaly/v1/STATION/receiver/N    retained JSON, one receiver as the remote view's API has it
//   tessaly/v1/STATION/alarm         every alarm event as the journal's JSON line, QoS 1

#include <QString>

#include <optional>

namespace tessaly::mqtt {

inline constexpr const char* kTopicRoot = "tessaly/v1";
inline constexpr const char* kOnline = "online";
inline constexpr const char* kOffline = "offline";
// Every station's topics, for the combined board.
inline constexpr const char* kAllStationsFilter = "tessaly/v1/+/#";

inline QString statusTopic(const QString& station) {
    return QString("%1/%2/status").arg(kTopicRoot, station);
}
inline QString receiverTopic(const QString& station, int number) {
    return QString("%1/%2/receiver/%3").arg(kTopicRoot, station).arg(number);
}
inline QString alarmTopic(const QString& station) {
    return QString("%1/%2/alarm").arg(kTopicRoot, station);
}

// A topic read back: which station, and what about it.
struct TopicParts {
    enum class Kind { Status, Receiver, Alarm };
    QString station;
    Kind kind = Kind::Status;
    int receiver = 0; // for Receiver
};

// Nothing for topics that are not one of ours.
std::optional<TopicParts> parseTopic(const QString& topic);

} // namespace tessaly::mqtt
