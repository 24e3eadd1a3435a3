// The show history's recorder at full scale: 60 receivers, one snapshot every 100 ms.
// Size: four hours of show fed as fast as the recorder takes them, committing every two
// simulated seconds as it does at the real rate, then the file's size. CPU: the same four hours'
// CPU time, less that of building the snapshots, over four hours; and a run at the real rate
// through a SnapshotHub for --seconds (default 60), less the building, over its wall time.

#include "bench/bench_support.h"
#include "history/history_file.h"
#include "history/history_recorder.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QThread>

#include <cmath>
#include <cstdlib>

using namespace tessaly;
using namespace tessaly::bench;

namespace {

constexpr int kCount = 60;
constexpr int kRefreshMs = 100;
constexpr int64_t kShowSeconds = 4 * 3600;
constexpr int kBatchRefreshes = 20; // the recorder's two-second batch
constexpr double kShareBudget = 0.02;
constexpr double kSizeBudgetMb = 60.0;
constexpr int64_t kStartWallMs = 1'765'310'400'000;

// Plausible moving values: RF wandering per receiver, AF with peaks, a battery that drains over
// the show, an antenna switch now and then, one receiver dropping out for a while each hour.
show::ShowSnapshot snapshotAt(int64_t refresh) {
    show::ShowSnapshot s;
    const int64_t wallMs = kStartWallMs + refresh * kRefreshMs;
    s.time = show::ShowTime{wallMs, wallMs};
    s.monitoring = true;
    s.refreshIntervalMs = kRefreshMs;
    s.receivers.reserve(kCount);
    for (int n = 1; n <= kCount; ++n) {
        show::ReceiverSnapshot r;
        r.observation.receiver = n;
        r.observation.name = "RX " + std::to_string(n);
        r.observation.freqText = "606.500";
        const double phase = static_cast<double>(refresh) / (40.0 + n);
        r.observation.rfLevelA = -650 + static_cast<int32_t>(150 * std::sin(phase));
        r.observation.rfLevelB = -680 + static_cast<int32_t>(150 * std::cos(phase * 1.3));
        r.observation.afLevel = -300 + static_cast<int32_t>((refresh * 37 + n * 11) % 280);
        r.observation.battery = 4 - static_cast<int32_t>(refresh * 5 / (kShowSeconds * 10));
        r.observation.mute = (refresh / 3000 + n) % 17 == 0 ? 1 : 0;
        r.state.receiver = n;
        r.state.inUse = true;
        const bool dropped = n == (refresh / 36000) % kCount + 1 && refresh % 36000 < 600;
        r.state.liveness = dropped ? show::Liveness::Offline : show::Liveness::Live;
        r.antenna = static_cast<int32_t>((refresh / (50 + n)) % 2);
        s.receivers.push_back(std::move(r));
    }
    return s;
}

qint64 fileBytes(const QString& path) {
    qint64 bytes = 0;
    for (const char* suffix : {"", "-wal", "-shm"}) {
        bytes += QFileInfo(path + QLatin1String(suffix)).size();
    }
    return bytes;
}

} // namespace

int main(int argc, char** argv) {
    const int seconds =
        parseBenchOptions(argc, argv, BenchOptions::Seconds, {.seconds = 60}).seconds;
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("show.sqlite"));
    const int64_t refreshes = kShowSeconds * 1000 / kRefreshMs;

    // Building alone, to subtract.
    int64_t cpu = processCpuNs();
    uint64_t checksum = 0;
    for (int64_t i = 0; i < refreshes; ++i) {
        checksum += snapshotAt(i).receivers.size();
    }
    const double buildCpuS = static_cast<double>(processCpuNs() - cpu) / 1e9;

    history::HistoryOptions options;
    options.path = path;
    options.batchMs = 3600 * 1000; // batches come from the flushes below
    uint64_t rows = 0;
    uint64_t dropped = 0;
    int64_t wall = monotonicNs();
    cpu = processCpuNs();
    {
        history::HistoryRecorder recorder(options);
        for (int64_t i = 0; i < refreshes; ++i) {
            recorder.add(std::make_shared<show::ShowSnapshot>(snapshotAt(i)));
            if ((i + 1) % kBatchRefreshes == 0) {
                recorder.flush(60000);
            }
        }
        recorder.flush(60000);
        rows = recorder.rowsWritten();
        dropped = recorder.snapshotsDropped();
        if (!recorder.errorText().isEmpty()) {
            std::fprintf(stderr, "bench_history: %s\n", qPrintable(recorder.errorText()));
            return 1;
        }
    }
    const double recordCpuS = static_cast<double>(processCpuNs() - cpu) / 1e9 - buildCpuS;
    const double fastWallS = static_cast<double>(monotonicNs() - wall) / 1e9;
    const double sizeMb = static_cast<double>(fileBytes(path)) / 1e6;
    const double simulatedShare = recordCpuS / static_cast<double>(kShowSeconds);
    int64_t readRows = 0;
    wall = monotonicNs();
    {
        history::HistoryReader reader(path);
        readRows = static_cast<int64_t>(
            reader.rows(7, kStartWallMs / 1000, kStartWallMs / 1000 + kShowSeconds).size());
    }
    const double readMs = static_cast<double>(monotonicNs() - wall) / 1e6;

    // The real rate: a hub, a 100 ms timer on this thread, as the program runs it.
    const QString livePath = dir.filePath(QStringLiteral("live.sqlite"));
    const int64_t liveRefreshes = int64_t{seconds} * 1000 / kRefreshMs;
    cpu = processCpuNs();
    for (int64_t i = 0; i < liveRefreshes; ++i) {
        checksum += snapshotAt(i).receivers.size();
    }
    const double liveBuildCpuS = static_cast<double>(processCpuNs() - cpu) / 1e9;
    double liveCpuS = 0;
    double liveWallS = 0;
    uint64_t liveRows = 0;
    {
        show::SnapshotHub hub;
        history::HistoryOptions liveOptions;
        liveOptions.path = livePath;
        history::HistoryRecorder recorder(liveOptions);
        recorder.attach(hub);
        cpu = processCpuNs();
        wall = monotonicNs();
        for (int64_t i = 0; i < liveRefreshes; ++i) {
            hub.publish(snapshotAt(i));
            const int64_t next = wall + (i + 1) * kRefreshMs * 1'000'000;
            const int64_t sleepNs = next - monotonicNs();
            if (sleepNs > 0) {
                QThread::usleep(static_cast<unsigned long>(sleepNs / 1000));
            }
        }
        recorder.detach();
        recorder.flush(60000);
        liveWallS = static_cast<double>(monotonicNs() - wall) / 1e9;
        liveCpuS = static_cast<double>(processCpuNs() - cpu) / 1e9 - liveBuildCpuS;
        liveRows = recorder.rowsWritten();
    }
    const double liveShare = liveCpuS / liveWallS;

    printSection(
        QStringLiteral("Show history: recording 60 receivers, refresh 100 ms"),
        {
            {"file size of a 4-hour show (MB)", fixed(sizeMb, 1), fixed(kSizeBudgetMb, 0),
             fixed(sizeMb / kSizeBudgetMb, 3), "≤ 60 MB", metText(sizeMb <= kSizeBudgetMb)},
            {"bytes per receiver-second",
             fixed(static_cast<double>(fileBytes(path)) / static_cast<double>(rows), 1), "", "", "",
             ""},
            {"CPU of recording, 4 simulated hours (% of one core)", fixed(100 * simulatedShare, 3),
             fixed(100 * kShareBudget, 1), fixed(simulatedShare / kShareBudget, 3), "≤ 2 %",
             metText(simulatedShare <= kShareBudget)},
            {QStringLiteral("CPU of recording at the real rate, %1 s (% of one core)").arg(seconds),
             fixed(100 * liveShare, 3), fixed(100 * kShareBudget, 1),
             fixed(liveShare / kShareBudget, 3), "≤ 2 %", metText(liveShare <= kShareBudget)},
            {"reading one receiver's 4 hours (ms)", fixed(readMs, 1), "", "", "", ""},
        },
        {
            QStringLiteral("%1 rows written for 4 h x 60 receivers (%2 expected), %3 snapshots "
                           "dropped; fed in %4 s of wall time, recording CPU %5 s after "
                           "subtracting %6 s of building the snapshots")
                .arg(rows)
                .arg(kShowSeconds * kCount)
                .arg(dropped)
                .arg(fixed(fastWallS, 1), fixed(recordCpuS, 2), fixed(buildCpuS, 2)),
            QStringLiteral("real rate: %1 rows in %2 s of wall time, CPU %3 s after subtracting "
                           "%4 s of building; the whole process's CPU, so the bench's own timer "
                           "loop counts against the recorder")
                .arg(liveRows)
                .arg(fixed(liveWallS, 1), fixed(liveCpuS, 3), fixed(liveBuildCpuS, 3)),
            QStringLiteral("reading receiver 7: %1 rows").arg(readRows),
            QStringLiteral("load average after the run: %1")
                .arg(QString::fromStdString(loadAverage())),
        });
    return checksum == 0 ? 1 : 0;
}
