#pragma once

#include "comm/engine_options.h"
#include "protocol/receiver_table.h"

#include <QtGlobal>

#include <array>
#include <functional>
#include <memory>

namespace tessaly {

struct MonitorEngineStatus;

// What the view needs of one monitor engine thread. The real one is CCommThreadMonitor; tests
// put recorders in its place.
class IMonitorEngine {
public:
    virtual ~IMonitorEngine() = default;
    // Queues an engine event (2006, 2007, 2009) for the engine's own thread.
    virtual void post(int code, qintptr value) = 0;
    // Asks the thread's loop to quit without waiting.
    virtual void requestQuit() = 0;
    virtual bool hasEnded() const = 0;
    // What the engine publishes of its connection for the status snapshot; none for stand-ins.
    virtual const MonitorEngineStatus* status() const { return nullptr; }
};

// Creates and starts the engine of a receiver number.
using MonitorEngineFactory = std::function<std::unique_ptr<IMonitorEngine>(int receiverNumber)>;

// Monitor engine threads (CCommThreadMonitor) on the given tables, each with its hidden trace
// window ("Comm Interval(n)"); call on the GUI thread.
MonitorEngineFactory monitorThreadFactory(ReceiverTable* table, MonitorValueTable* values,
                                          EngineOptions options);

// The engines of the program-wide tables, created with comm/debug as given.
MonitorEngineFactory programMonitorEngineFactory(bool commDebug);

// One engine per receiver number that has ever been within the receiver count; an engine, once
// created, lives until end().
class CMonitorEngineTable {
public:
    explicit CMonitorEngineTable(MonitorEngineFactory factory);
    ~CMonitorEngineTable();

    // Sets the count of engines that events go to and creates those still missing.
    void setCount(int count);
    int count() const { return count_; }

    // Posts to the engines of the first count entries, in receiver-number order.
    void postToAll(int code, qintptr value);
    // Posts to the engine of one receiver number; false when it has none.
    bool postTo(int receiverNumber, int code, qintptr value);

    IMonitorEngine* engine(int receiverNumber) const;
    int engineCount() const; // entries that hold an engine

    // Asks every engine to quit, then checks up to `maxChecks` times, `sleep(intervalMs)`
    // between checks, deleting each engine whose thread has ended. Engines still running at the
    // end are left running and not deleted. Returns how many were left.
    int end(int maxChecks, int intervalMs, const std::function<void(int)>& sleep);

private:
    struct Entry {
        std::unique_ptr<IMonitorEngine> engine;
        int receiverNumber = 0;
    };

    MonitorEngineFactory factory_;
    std::array<Entry, kMaxReceivers> entries_;
    int count_ = 0;
};

} // namespace tessaly
