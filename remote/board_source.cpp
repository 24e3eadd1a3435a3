#include "remote/board_source.h"

#include "journal/alarm_journal.h"
#include "remote/receiver_json.h"

#include <QMetaObject>

namespace tessaly::remote {

std::optional<QJsonObject> BoardSource::history(int /*number*/) const {
    return std::nullopt;
}

std::optional<QJsonObject> LocalBoardSource::history(int number) const {
    for (const BoardStation& station : state_->stations) {
        for (const QJsonValue& receiver : station.receivers) {
            if (receiver.toObject().value("receiver").toInt() == number) {
                return history_.json(number);
            }
        }
    }
    return std::nullopt;
}

LocalBoardSource::LocalBoardSource(show::SnapshotHub& hub, QString station, QObject* parent)
    : BoardSource(parent), hub_(hub), station_(std::move(station)),
      inbox_(std::make_shared<Inbox>()), state_(std::make_shared<BoardState>()) {
    inbox_->target = this;
    std::weak_ptr<Inbox> weak = inbox_;
    const auto deliver = [weak](const show::ShowSnapshotPtr& snapshot) {
        const std::shared_ptr<Inbox> inbox = weak.lock();
        if (!inbox || !snapshot) {
            return;
        }
        std::lock_guard lock(inbox->mutex);
        if (inbox->target == nullptr) {
            return;
        }
        inbox->snapshots.push_back(snapshot);
        while (inbox->snapshots.size() > kPendingSnapshots) {
            inbox->snapshots.pop_front();
        }
        inbox->events.insert(inbox->events.end(), snapshot->events.begin(), snapshot->events.end());
        while (inbox->events.size() > kJournalEntries) {
            inbox->events.pop_front(); // only the latest ever reach the list
        }
        if (!inbox->wakeQueued) {
            inbox->wakeQueued = true;
            // By name, so that Qt makes the queued call: a functor's slot object would be made
            // here and read on the server's thread past Qt's queue, which TSan cannot see.
            QMetaObject::invokeMethod(inbox->target, "takeInbox", Qt::QueuedConnection);
        }
    };
    subscription_ = hub_.subscribe(deliver);
    if (const show::ShowSnapshotPtr latest = hub_.latest()) {
        deliver(latest);
    }
}

LocalBoardSource::~LocalBoardSource() {
    hub_.unsubscribe(subscription_);
    std::lock_guard lock(inbox_->mutex);
    inbox_->target = nullptr; // a publish still under way posts nothing more
}

void LocalBoardSource::takeInbox() {
    std::deque<show::ShowSnapshotPtr> snapshots;
    std::deque<show::AlarmEvent> events;
    {
        std::lock_guard lock(inbox_->mutex);
        inbox_->wakeQueued = false;
        snapshots.swap(inbox_->snapshots);
        events.swap(inbox_->events);
    }
    if (snapshots.empty()) {
        return;
    }
    for (const show::ShowSnapshotPtr& each : snapshots) {
        history_.add(*each);
    }
    const show::ShowSnapshotPtr& snapshot = snapshots.back();
    for (const show::AlarmEvent& event : events) {
        journal_.push_back(journalObject(event, station_));
        if (journal_.size() > kJournalEntries) {
            journal_.pop_front();
        }
    }
    auto state = std::make_shared<BoardState>();
    state->version = state_->version + 1;
    BoardStation station;
    station.station = station_;
    station.monitoring = snapshot->monitoring;
    station.refreshIntervalMs = snapshot->refreshIntervalMs;
    station.receivers = receiversJson(*snapshot);
    for (const show::AlarmRecord& alarm : snapshot->activeAlarms) {
        station.activeAlarms.append(alarmJson(alarm));
    }
    for (const QJsonObject& entry : journal_) {
        station.journal.append(entry);
    }
    state->stations.push_back(std::move(station));
    state_ = std::move(state);
    emit changed();
}

} // namespace tessaly::remote
