#include "core/comm_trace.h"

#include "core/trace_line.h"

namespace tessaly {

void CommTrace::addLine(int listId, const QString& line) {
    list(listId).addLine(line);
    emit lineAdded(listId, line);
}

void CommTrace::addMessageLine(int listId, const QString& text) {
    addLine(listId, traceMessageLine(text));
}

void CommTrace::addTwoPartLine(int listId, const QString& first, const QString& second) {
    addLine(listId, traceTwoPartLine(first, second));
}

void CommTrace::addReceivedBlockLine(int listId, const char* bytes, int count) {
    addLine(listId, traceReceivedBlockLine(bytes, count));
}

} // namespace tessaly
