#pragma once

#include "core/trace_list.h"

#include <QObject>
#include <QString>

#include <atomic>

namespace tessaly {

// Ids of an engine's two trace lists.
constexpr int kTraceListMessages = 1059; // connection events and failures
constexpr int kTraceListData = 1096;     // commands sent and blocks received

// The trace of one engine. The engine adds lines on its own thread; the trace window, which lives
// on the GUI thread, follows lineAdded (a queued connection) and may read the lists at any time.
// The engine never touches a widget: it asks for its window with showRequested.
class CommTrace : public QObject {
    Q_OBJECT
public:
    explicit CommTrace(QObject* parent = nullptr) : QObject(parent) {}

    void addLine(int listId, const QString& line);
    void addMessageLine(int listId, const QString& text);
    void addTwoPartLine(int listId, const QString& first, const QString& second);
    void addReceivedBlockLine(int listId, const char* bytes, int count);

    TraceList& list(int listId) { return listId == kTraceListData ? data_ : messages_; }
    const TraceList& list(int listId) const { return listId == kTraceListData ? data_ : messages_; }

    // Whether blocks and sent commands are traced (the trace window's "Trace" box, or comm/debug
    // for the configuration engine); written by the window, read by the engine.
    bool dataTraceOn() const { return dataTraceOn_.load(std::memory_order_relaxed); }
    void setDataTraceOn(bool on) { dataTraceOn_.store(on, std::memory_order_relaxed); }

    // Whether connection events and failures are traced (a monitor engine's comm/debug).
    bool messageTraceOn() const { return messageTraceOn_.load(std::memory_order_relaxed); }
    void setMessageTraceOn(bool on) { messageTraceOn_.store(on, std::memory_order_relaxed); }

    void requestShow() { emit showRequested(); }

signals:
    void lineAdded(int listId, const QString& line);
    void showRequested();

private:
    TraceList messages_;
    TraceList data_;
    std::atomic<bool> dataTraceOn_{false};
    std::atomic<bool> messageTraceOn_{true};
};

} // namespace tessaly
