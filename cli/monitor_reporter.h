#pragma once

#include "protocol/receiver_table.h"

#include <QString>
#include <QTextStream>

#include <array>
#include <functional>
#include <optional>

namespace tessaly::cli {

// What one receiver showed at the last report.
struct ReceiverSnapshot {
    int32_t commState = kCommNotContacted;
    bool answered = false; // an answer came since the engine last connected
    int32_t rfLevelA = kNoLevel;
    int32_t rfLevelB = kNoLevel;
    int32_t afLevel = kNoLevel;
    int32_t battery = -1;
    int32_t antennaSelect = -1;
    int32_t mute = -1;
    bool operator==(const ReceiverSnapshot&) const = default;
};

// Prints a line for every receiver whose communication state or polled values changed since
// the last sample: plain text, or one JSON object a line.
class MonitorReporter {
public:
    // Whether the engine of a receiver number had an answer on its connection.
    using AnswerCheck = std::function<bool(int number)>;

    MonitorReporter(const ReceiverTable& table, const MonitorValueTable& values, bool json,
                    QTextStream& out, AnswerCheck answered);

    // Compares every receiver in use with its last report; returns how many lines it printed.
    int sample(qint64 elapsedMs);

    // Receivers whose last sample showed them connected and answering.
    int connectedCount() const;

    // "connecting" while a receiver is connected (or about to be) but has not answered yet.
    static QString stateText(int32_t commState, bool answered);
    static ReceiverSnapshot snapshotOf(const ReceiverRecord& record, const MonitorValues& values,
                                       bool answered);

private:
    QString textLine(int number, const ReceiverSnapshot& s, qint64 elapsedMs) const;
    QString jsonLine(int number, const ReceiverSnapshot& s, qint64 elapsedMs) const;

    const ReceiverTable& table_;
    const MonitorValueTable& values_;
    bool json_;
    QTextStream& out_;
    AnswerCheck answered_;
    std::array<std::optional<ReceiverSnapshot>, kMaxReceivers> last_;
};

} // namespace tessaly::cli
