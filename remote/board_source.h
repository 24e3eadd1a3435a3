#pragma once

// What the remote server serves, whatever feeds it: one station's board from this program's
// own snapshots (LocalBoardSource), or several stations' boards gathered from a broker. The
// server reads current() on its own thread whenever changed() says there is something new; a
// source never makes the server wait and never keeps more than the latest state.

#include "remote/receiver_history.h"
#include "show/snapshot_hub.h"

#include <QJsonArray>
#include <QObject>
#include <QString>

#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

namespace tessaly::remote {

struct BoardStation {
    QString station; // empty for this program's own receivers
    // A station heard through a broker: "online", or "offline" once its will came (its
    // receivers then read offline); empty for this program's own receivers.
    QString status;
    bool monitoring = false;
    int refreshIntervalMs = 100;
    QJsonArray receivers;    // remote::receiverJson objects, by receiver number
    QJsonArray activeAlarms; // remote::alarmJson objects, newest first
    QJsonArray journal;      // the latest journal entries (journalObject), oldest first
};

struct BoardState {
    uint64_t version = 0; // counts up with every new state of the source
    std::vector<BoardStation> stations;
};
using BoardStatePtr = std::shared_ptr<const BoardState>;

class BoardSource : public QObject {
    Q_OBJECT

public:
    using QObject::QObject;
    // Never null; called on the thread the source lives on (the server's).
    virtual BoardStatePtr current() const = 0;
    // Receiver `number`'s last ten minutes (ReceiverHistory's object), on the same thread;
    // nothing when the receiver is not on the board or the source keeps no history.
    virtual std::optional<QJsonObject> history(int number) const;
    // How long the server waits after a change before it reads the source for a frame. A source
    // whose updates arrive in parts (a station's refresh, one message per receiver) gathers a
    // whole update into one frame this way; the rest of it would wait for the next frame.
    virtual int gatherMs() const { return 0; }

signals:
    // A new state can be read. May be emitted on any thread; the server connects it queued.
    void changed();
};

// This program's own board, from the snapshots published on `hub`. Create it on the server's
// thread: the hub's listener only leaves the snapshot (and its events) in a small inbox and
// posts one wake-up, so the snapshot taker never waits for the server and the JSON is written
// on the server's thread.
class LocalBoardSource : public BoardSource {
    Q_OBJECT

public:
    static constexpr size_t kJournalEntries = 50;
    // Snapshots waiting for the server's thread; beyond it the oldest are left out of the
    // history (the board itself only ever needs the latest).
    static constexpr size_t kPendingSnapshots = 64;

    explicit LocalBoardSource(show::SnapshotHub& hub, QString station = {},
                              QObject* parent = nullptr);
    ~LocalBoardSource() override;

    BoardStatePtr current() const override { return state_; }
    std::optional<QJsonObject> history(int number) const override;

private:
    struct Inbox {
        std::mutex mutex;
        QObject* target = nullptr;                   // null once the source is gone
        std::deque<show::ShowSnapshotPtr> snapshots; // oldest first, the latest last, bounded
        std::deque<show::AlarmEvent> events;         // not yet in the journal list, bounded
        bool wakeQueued = false;
    };

    Q_INVOKABLE void takeInbox();

    show::SnapshotHub& hub_;
    int subscription_ = 0;
    QString station_;
    std::shared_ptr<Inbox> inbox_;
    std::deque<QJsonObject> journal_;
    ReceiverHistory history_;
    BoardStatePtr state_;
};

} // namespace tessaly::remote
