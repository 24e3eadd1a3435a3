#pragma once

#include "comm/comm_thread_monitor.h"
#include "comm/show_snapshot_taker.h"
#include "journal/alarm_journal.h"
#include "show/alarm_model.h"

#include <QTextStream>

#include <memory>
#include <vector>

namespace tessaly::cli {

// The alarms of tessaly-cli monitor: at each sample it observes every engine, updates the
// alarm model and prints each alarm start, acknowledge and clear (text, or one JSON object a
// line), and hands every event to the journal when there is one.
class AlarmReporter {
public:
    AlarmReporter(const ReceiverTable& table, const MonitorValueTable& values,
                  const std::vector<std::unique_ptr<CCommThreadMonitor>>& engines,
                  show::AlarmModel& model, AlarmJournal* journal, bool json, QTextStream& out);

    // Each sample then also publishes the show snapshot through `taker` (none: not published).
    void setSnapshotTaker(ShowSnapshotTaker* taker) { taker_ = taker; }

    // Returns how many lines it printed.
    int sample(qint64 elapsedMs, const show::ShowTime& now);

    // {"type":"alarm","event":"start","receiver":3,"kind":"rf-loss","severity":"critical",
    //  "time":"…","value":-91.5}; empty for events that are not alarm starts, acks or clears.
    static QString jsonLine(const show::AlarmEvent& event);
    static QString textLine(const show::AlarmEvent& event, qint64 elapsedMs);

private:
    const ReceiverTable& table_;
    const MonitorValueTable& values_;
    const std::vector<std::unique_ptr<CCommThreadMonitor>>& engines_;
    show::AlarmModel& model_;
    AlarmJournal* journal_;
    bool json_;
    QTextStream& out_;
    ShowSnapshotTaker* taker_ = nullptr;
};

} // namespace tessaly::cli
