#pragma once

#include <QtGlobal>

#include <cstdint>

namespace tessaly::bench {

struct MinimalClientResult {
    int64_t exchanges = 0; // poll lines answered
    int64_t cpuNs = 0;     // of the client's thread
    int64_t wallNs = 0;
    bool ok = false;
};

// The least a program can do for the same job: one thread, one blocking loopback connection
// per receiver, every interval the poll line to each and its answer line back. The CPU time per
// exchange is the limit the engines are held against.
MinimalClientResult runMinimalClient(quint16 port, int count, int intervalMs, int seconds);

// The same exchanges with a thread of its own per receiver, as the engines are built: every
// poll wakes its thread twice (the tick, the answer). CPU time of the whole process; call it
// while nothing else in the process is busy.
MinimalClientResult runThreadPerReceiverClient(quint16 port, int count, int intervalMs,
                                               int seconds);

} // namespace tessaly::bench
