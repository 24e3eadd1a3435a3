#include "mqtt/mqtt_topics.h"

#include <QStringList>

namespace tessaly::mqtt {

std::optional<TopicParts> parseTopic(const QString& topic) {
    const QStringList levels = topic.split('/');
    // tessaly / v1 / STATION / status | alarm | receiver / N
    if (levels.size() < 4 || levels[0] != "tessaly" || levels[1] != "v1" || levels[2].isEmpty()) {
        return std::nullopt;
    }
    TopicParts parts;
    parts.station = levels[2];
    if (levels.size() == 4 && levels[3] == "status") {
        parts.kind = TopicParts::Kind::Status;
        return parts;
    }
    if (levels.size() == 4 && levels[3] == "alarm") {
        parts.kind = TopicParts::Kind::Alarm;
        return parts;
    }
    if (levels.size() == 5 && levels[3] == "receiver") {
        bool ok = false;
        parts.receiver = levels[4].toInt(&ok);
        if (ok && parts.receiver > 0 && QString::number(parts.receiver) == levels[4]) {
            parts.kind = TopicParts::Kind::Receiver;
            return parts;
        }
    }
    return std::nullopt;
}

} // namespace tessaly::mqtt
