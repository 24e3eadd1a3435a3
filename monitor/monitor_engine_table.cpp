#include "monitor/monitor_engine_table.h"

#include "chrome/dlg_comm_monitor.h"
#include "comm/comm_thread_monitor.h"

#include <algorithm>

namespace tessaly {

namespace {

class MonitorThreadEngine : public IMonitorEngine {
public:
    MonitorThreadEngine(ReceiverTable* table, MonitorValueTable* values, int receiverNumber,
                        const EngineOptions& options)
        : thread_(std::make_unique<CCommThreadMonitor>(table, values, receiverNumber, options)),
          traceWindow_(std::make_unique<CDlgCommMonitor>(
              thread_->trace(), QStringLiteral("Comm Interval(%1)").arg(receiverNumber))) {
        thread_->start();
    }
    ~MonitorThreadEngine() override {
        // Only ended threads are deleted (see CMonitorEngineTable::end); a thread still running
        // here belongs to a table destroyed without end(), so end it the hard way first.
        if (thread_ && !thread_->isFinished()) {
            thread_->stop();
        }
    }

    void post(int code, qintptr value) override { thread_->post(code, value); }
    void requestQuit() override { thread_->requestQuit(); }
    bool hasEnded() const override { return thread_->isFinished(); }
    const MonitorEngineStatus* status() const override { return &thread_->status(); }

private:
    std::unique_ptr<CCommThreadMonitor> thread_;
    // Hidden until the engine asks for it (2009); goes before the thread it shows.
    std::unique_ptr<CDlgCommMonitor> traceWindow_;
};

} // namespace

MonitorEngineFactory monitorThreadFactory(ReceiverTable* table, MonitorValueTable* values,
                                          EngineOptions options) {
    return [table, values, options](int receiverNumber) -> std::unique_ptr<IMonitorEngine> {
        return std::make_unique<MonitorThreadEngine>(table, values, receiverNumber, options);
    };
}

MonitorEngineFactory programMonitorEngineFactory(bool commDebug) {
    EngineOptions options;
    options.commDebug = commDebug;
    return monitorThreadFactory(&programReceiverTable(), &programMonitorValues(), options);
}

CMonitorEngineTable::CMonitorEngineTable(MonitorEngineFactory factory)
    : factory_(std::move(factory)) {}

CMonitorEngineTable::~CMonitorEngineTable() {
    for (Entry& entry : entries_) {
        if (entry.engine && !entry.engine->hasEnded()) {
            // Left running by end(): deleting it would block, so it is let go.
            (void)entry.engine.release();
        }
    }
}

void CMonitorEngineTable::setCount(int count) {
    count_ = std::clamp(count, 0, kMaxReceivers);
    for (int position = 0; position < count_; ++position) {
        Entry& entry = entries_[static_cast<size_t>(position)];
        if (entry.engine || !factory_) {
            continue;
        }
        entry.receiverNumber = position + 1;
        entry.engine = factory_(entry.receiverNumber);
    }
}

void CMonitorEngineTable::postToAll(int code, qintptr value) {
    for (int position = 0; position < count_; ++position) {
        Entry& entry = entries_[static_cast<size_t>(position)];
        if (entry.engine) {
            entry.engine->post(code, value);
        }
    }
}

bool CMonitorEngineTable::postTo(int receiverNumber, int code, qintptr value) {
    IMonitorEngine* target = engine(receiverNumber);
    if (target == nullptr) {
        return false;
    }
    target->post(code, value);
    return true;
}

IMonitorEngine* CMonitorEngineTable::engine(int receiverNumber) const {
    if (receiverNumber < 1 || receiverNumber > kMaxReceivers) {
        return nullptr;
    }
    return entries_[static_cast<size_t>(receiverNumber - 1)].engine.get();
}

int CMonitorEngineTable::engineCount() const {
    return static_cast<int>(std::count_if(entries_.begin(), entries_.end(), [](const Entry& entry) {
        return entry.engine != nullptr;
    }));
}

int CMonitorEngineTable::end(int maxChecks, int intervalMs, const std::function<void(int)>& sleep) {
    for (Entry& entry : entries_) {
        if (entry.engine) {
            entry.engine->requestQuit();
        }
    }
    int running = 0;
    for (int check = 0; check < maxChecks; ++check) {
        running = 0;
        for (Entry& entry : entries_) {
            if (!entry.engine) {
                continue;
            }
            if (entry.engine->hasEnded()) {
                entry.engine.reset();
                entry.receiverNumber = 0;
            } else {
                ++running;
            }
        }
        if (running == 0) {
            break;
        }
        if (sleep) {
            sleep(intervalMs);
        }
    }
    return running;
}

} // namespace tessaly
