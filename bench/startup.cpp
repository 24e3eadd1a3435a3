// Start-up to the first painted main window, with the splash time set to 0: this program starts
// itself again as the real application (the same code as `tessaly`, without its command-line
// options) in a fresh directory and measures from just before the start to the end of the first
// paint of the monitor view after its layout was built. Needs a display (xvfb-run).

#include "app/corvane_app.h"
#include "bench/bench_support.h"
#include "monitor/corvane_view.h"

#include <QDir>
#include <QEvent>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

using namespace tessaly;
using namespace tessaly::bench;

namespace {

constexpr int kRuns = 5;
constexpr const char* kChildVariable = "TESSALY_BENCH_STARTUP_CHILD";
constexpr const char* kShotVariable = "TESSALY_BENCH_STARTUP_SHOT"; // a PNG path

// Application-wide filter: the first paint of a monitor view whose layout is ready.
class FirstPaintWatcher : public QObject {
public:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (!done_ && event->type() == QEvent::Paint) {
            auto* view = qobject_cast<CCorvaneView*>(watched->parent());
            if (view != nullptr && view->viewport() == watched && view->control().layoutReady()) {
                done_ = true;
                // Runs once the paint in progress has been handled.
                QTimer::singleShot(0, [view] {
                    std::printf("first-paint %lld\n", static_cast<long long>(monotonicNs()));
                    std::fflush(stdout);
                    // For a look at what was measured: the window as it was first painted.
                    if (const char* shot = std::getenv(kShotVariable)) {
                        view->window()->grab().save(QString::fromLocal8Bit(shot));
                    }
                    QCoreApplication::exit(0);
                });
            }
        }
        return false;
    }

private:
    bool done_ = false;
};

int childMain(char* program) {
    int argc = 1;
    char* argv[] = {program, nullptr};
    CCorvaneApp app(argc, argv);
    FirstPaintWatcher watcher;
    app.installEventFilter(&watcher);
    return app.run();
}

// One start: milliseconds to the first paint, or a negative value on failure.
double startOnce(const char* self, const QString& directory) {
    int out[2];
    if (::pipe(out) != 0) {
        return -1;
    }
    const int64_t start = monotonicNs();
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::dup2(out[1], STDOUT_FILENO);
        ::close(out[0]);
        ::close(out[1]);
        if (::chdir(directory.toLocal8Bit().constData()) != 0) {
            ::_exit(2);
        }
        ::setenv(kChildVariable, "1", 1);
        // The single-instance lock lives in the temporary directory: keep ours private.
        ::setenv("TMPDIR", directory.toLocal8Bit().constData(), 1);
        ::execl(self, self, static_cast<char*>(nullptr));
        ::_exit(127);
    }
    ::close(out[1]);
    char buffer[256] = {};
    size_t got = 0;
    ssize_t n;
    while (got + 1 < sizeof buffer &&
           (n = ::read(out[0], buffer + got, sizeof buffer - 1 - got)) > 0) {
        got += static_cast<size_t>(n);
    }
    ::close(out[0]);
    int status = 0;
    ::waitpid(pid, &status, 0);
    const char* line = std::strstr(buffer, "first-paint ");
    if (line == nullptr) {
        return -1;
    }
    const long long paintedAt = std::atoll(line + std::strlen("first-paint "));
    return static_cast<double>(paintedAt - start) / 1e6;
}

} // namespace

int main(int argc, char** argv) {
    if (std::getenv(kChildVariable) != nullptr) {
        return childMain(argv[0]);
    }
    (void)argc;
    QTemporaryDir directory;
    QFile ini(QDir(directory.path()).filePath(QStringLiteral("Tessaly.ini")));
    if (!directory.isValid() || !ini.open(QIODevice::WriteOnly)) {
        std::fprintf(stderr, "bench_startup: no temporary directory\n");
        return 1;
    }
    ini.write("[splash]\r\ntime=0\r\n");
    ini.close();
    std::vector<double> ms;
    int failed = 0;
    for (int i = 0; i < kRuns; ++i) {
        const double t = startOnce("/proc/self/exe", directory.path());
        if (t < 0) {
            ++failed;
        } else {
            ms.push_back(t);
        }
    }
    std::vector<ResultRow> rows{
        {QStringLiteral("start to first painted main window, median of %1 (ms)").arg(kRuns),
         fixed(percentile(ms, 50), 0),
         {},
         {},
         {},
         {}},
        {QStringLiteral("fastest (ms)"), fixed(percentile(ms, 0), 0), {}, {}, {}, {}},
        {QStringLiteral("slowest (ms)"), fixed(percentile(ms, 100), 0), {}, {}, {}, {}},
        {QStringLiteral("starts that never painted"),
         QString::number(failed),
         {},
         {},
         QStringLiteral("0"),
         metText(failed == 0)},
    };
    printSection(QStringLiteral("Start-up: splash time 0, empty receiver table"), rows,
                 {QStringLiteral("from fork to the end of the first paint of the monitor view "
                                 "with its layout built, under Xvfb; load average after: %1")
                      .arg(QString::fromStdString(loadAverage()))});
    return 0;
}
