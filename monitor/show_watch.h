#pragma once

#include "comm/show_snapshot_taker.h"
#include "journal/alarm_journal.h"
#include "monitor/panel_show_overlay.h"
#include "protocol/receiver_table.h"
#include "show/alarm_model.h"
#include "show/snapshot_hub.h"

#include <QObject>
#include <QString>

#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace tessaly {

class CMonitorEngineTable;
class CPanelRenderer;

// The half period of a flashing alarm border: 1 Hz.
constexpr int kAlarmFlashHalfPeriodMs = 500;

struct ShowWatchOptions {
    show::AlarmSettings settings;
    JournalOptions journal;
    // No journal at all (tests that look only at the panels).
    bool journalOff = false;
    // The clock of every refresh and operator action; empty: show::ShowTime::now.
    std::function<show::ShowTime()> clock;
};

// The show's watch over the receivers while monitoring runs. At each refresh the monitor
// control hands it the tables and the engines; it takes one status snapshot of every receiver
// in use, feeds the alarm model and the journal from it, and draws the panels from the same
// snapshot: live values, or the no-data look for a receiver whose values are not fresh, with the
// alarm label and border on top. The operator's acknowledgements and silences come in between.
class CShowWatch : public QObject {
    Q_OBJECT

public:
    explicit CShowWatch(ShowWatchOptions options = {}, QObject* parent = nullptr);
    ~CShowWatch() override;

    // One refresh while monitoring: snapshot, alarm model, journal, then the live update of the
    // panels and their overlays. Whether anything was drawn.
    bool livePass(CPanelRenderer& renderer, const ReceiverTable& table,
                  const MonitorValueTable& values, const CMonitorEngineTable& engines);
    // Monitoring stopped: every receiver is out of use, so open alarms clear (and are
    // journaled); the panels show nothing of the watch any more.
    void monitoringStopped();
    // The panels were rebuilt: every overlay is drawn again on the next pass.
    void forgetDrawn();

    bool acknowledge(uint64_t alarmId);
    int acknowledgeAll(int receiver = 0);
    // `minutes` unset: until unsilenced.
    void silence(int receiver, std::optional<int> minutes);
    void unsilence(int receiver);
    // Minutes after midnight of the show's end; unset: none.
    void setShowEnd(std::optional<int> minutesOfDay);
    std::optional<int> showEnd() const { return showEndMinutes_; }
    // Replaces the clock (tests move the wall clock on to end silences).
    void setClock(std::function<show::ShowTime()> clock) { options_.clock = std::move(clock); }

    const show::AlarmModel& model() const { return model_; }
    const PanelShowState& panelState(int receiver) const {
        return panels_[static_cast<size_t>(receiver - 1)];
    }
    int unacknowledgedCount() const { return model_.unacknowledgedCount(); }
    bool hasUnacknowledged(int receiver) const;

    // The warning icon's tooltip line and the battery icon's.
    QString healthText(int receiver) const;
    QString batteryText(int receiver) const;

    // Every live pass and the stop publish one show snapshot here, for the remote board, the
    // broker and the history.
    show::SnapshotHub& snapshotHub() { return hub_; }
    // The refresh interval the snapshots carry (monitor/interval).
    void setRefreshInterval(int ms) { taker_.setRefreshInterval(ms); }

    AlarmJournal* journal() const { return journal_.get(); }
    // The file the journal window reads its history from.
    QString journalPath() const;

signals:
    // The alarms, their acknowledgements or silences changed: the count, the journal window.
    void alarmsChanged();
    // The journal cannot be written; said once.
    void journalFailed(const QString& text);

private:
    show::ShowTime now() const;
    void flushEvents();
    PanelShowState panelStateOf(int receiver, int64_t steadyMs) const;
    void ensureJournal();

    ShowWatchOptions options_;
    show::AlarmModel model_;
    std::unique_ptr<AlarmJournal> journal_;
    std::optional<int> showEndMinutes_;
    std::array<PanelShowState, kMaxReceivers> panels_{};
    std::array<bool, kMaxReceivers> drawn_{};      // the overlay is in the content image
    std::array<int32_t, kMaxReceivers> battery_{}; // the last level seen while live
    MonitorValueTable shown_;                      // the values the panels draw
    std::vector<show::ReceiverObservation> snapshot_;
    show::SnapshotHub hub_;
    ShowSnapshotTaker taker_;
    std::vector<show::AlarmEvent> unpublished_; // events since the last published snapshot
    int lastCount_ = -1;
    bool changed_ = false;
};

} // namespace tessaly
