#include "cli/monitor_reporter.h"

#include <QJsonDocument>
#include <QJsonObject>

namespace tessaly::cli {

namespace {

QString levelText(int32_t tenths) {
    return tenths == kNoLevel ? QStringLiteral("-") : QString::number(tenths / 10.0, 'f', 1);
}

QJsonValue levelJson(int32_t tenths) {
    return tenths == kNoLevel ? QJsonValue() : QJsonValue(tenths / 10.0);
}

QJsonValue valueJson(int32_t value) {
    return value < 0 ? QJsonValue() : QJsonValue(value);
}

} // namespace

MonitorReporter::MonitorReporter(const ReceiverTable& table, const MonitorValueTable& values,
                                 bool json, QTextStream& out, AnswerCheck answered)
    : table_(table), values_(values), json_(json), out_(out), answered_(std::move(answered)) {}

QString MonitorReporter::stateText(int32_t commState, bool answered) {
    switch (commState) {
    case kCommOk:
        // An engine marks its receiver good when it starts and again when it connects; only an
        // answer shows that the receiver is really there.
        return answered ? QStringLiteral("connected") : QStringLiteral("connecting");
    case kCommError:
        return QStringLiteral("communication error");
    default:
        return QStringLiteral("not contacted");
    }
}

ReceiverSnapshot MonitorReporter::snapshotOf(const ReceiverRecord& record,
                                             const MonitorValues& values, bool answered) {
    return ReceiverSnapshot{record.commState, answered,       values.rfLevelA,      values.rfLevelB,
                            values.afLevel,   values.battery, values.antennaSelect, values.mute};
}

int MonitorReporter::sample(qint64 elapsedMs) {
    int lines = 0;
    const int count = std::clamp<int32_t>(table_.count, 0, kMaxReceivers);
    for (int number = 1; number <= count; ++number) {
        const ReceiverSnapshot now =
            snapshotOf(table_.byNumber(number), values_.byNumber(number), answered_(number));
        auto& last = last_[number - 1];
        if (last && *last == now) {
            continue;
        }
        last = now;
        out_ << (json_ ? jsonLine(number, now, elapsedMs) : textLine(number, now, elapsedMs))
             << "\n";
        ++lines;
    }
    if (lines > 0) {
        out_.flush();
    }
    return lines;
}

int MonitorReporter::connectedCount() const {
    int connected = 0;
    for (const auto& last : last_) {
        connected += (last && last->commState == kCommOk && last->answered) ? 1 : 0;
    }
    return connected;
}

QString MonitorReporter::textLine(int number, const ReceiverSnapshot& s, qint64 elapsedMs) const {
    const ReceiverRecord& record = table_.byNumber(number);
    QString line = QString("%1s #%2 %3 (%4) %5")
                       .arg(elapsedMs / 1000.0, 0, 'f', 1)
                       .arg(number)
                       .arg(QString::fromUtf8(record.name))
                       .arg(QString::fromUtf8(record.ip))
                       .arg(stateText(s.commState, s.answered));
    if (s.rfLevelA != kNoLevel || s.battery >= 0) {
        line += QString(" RF-A %1 RF-B %2 AF %3 battery %4 antenna %5 mute %6")
                    .arg(levelText(s.rfLevelA), levelText(s.rfLevelB), levelText(s.afLevel))
                    .arg(s.battery)
                    .arg(s.antennaSelect)
                    .arg(s.mute);
    }
    return line;
}

QString MonitorReporter::jsonLine(int number, const ReceiverSnapshot& s, qint64 elapsedMs) const {
    const ReceiverRecord& record = table_.byNumber(number);
    QJsonObject object{
        {"t", elapsedMs / 1000.0},
        {"receiver", number},
        {"name", QString::fromUtf8(record.name)},
        {"ip", QString::fromUtf8(record.ip)},
        {"state", stateText(s.commState, s.answered)},
        {"rfA", levelJson(s.rfLevelA)},
        {"rfB", levelJson(s.rfLevelB)},
        {"af", levelJson(s.afLevel)},
        {"battery", valueJson(s.battery)},
        {"antenna", valueJson(s.antennaSelect)},
        {"mute", valueJson(s.mute)},
    };
    return QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Compact));
}

} // namespace tessaly::cli
