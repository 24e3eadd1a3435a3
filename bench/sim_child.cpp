#include "bench/sim_child.h"

#include "bench/bench_support.h"
#include "sim/simulator.h"

#include <QCoreApplication>
#include <QSocketNotifier>
#include <QTimer>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>

namespace tessaly::bench {

namespace {

constexpr double kFlipHighDbm = -60.0;
constexpr double kFlipLowDbm = -70.0;

sim::LiveLevels fixedLevels(double rfA) {
    sim::LiveLevels levels;
    levels.rfA = rfA;
    levels.rfB = -65.0;
    levels.af = -20.0;
    levels.battery = 3;
    levels.antennaSelect = sim::kAntennaA;
    levels.mute = 0;
    return levels;
}

bool writeAll(int fd, const std::string& text) {
    size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n <= 0) {
            return false;
        }
        done += static_cast<size_t>(n);
    }
    return true;
}

// The child's whole life: a simulator on its main thread, commands on `in`, answers on `out`.
[[noreturn]] void childMain(int count, int in, int out) {
    int argc = 1;
    char name[] = "tessaly-bench-sim";
    char* argv[] = {name, nullptr};
    QCoreApplication app(argc, argv);

    std::vector<std::vector<int64_t>> arrivals(static_cast<size_t>(count));
    std::vector<LevelChange> changes;
    sim::Simulator simulator;
    QObject::connect(&simulator, &sim::Simulator::traffic,
                     [&](int number, bool fromClient, const QByteArray& line) {
                         if (fromClient && line.startsWith(":MON:") && number >= 1 &&
                             number <= count) {
                             arrivals[static_cast<size_t>(number - 1)].push_back(monotonicNs());
                         }
                     });
    sim::SimulatorOptions options;
    options.count = count;
    options.port = sim::findFreeLoopbackPort(options.firstAddress, count);
    options.ownThread = false;
    options.reportTraffic = true;
    QString error;
    if (options.port == 0 || !simulator.start(options, &error)) {
        writeAll(out, "error " + error.toStdString() + "\n");
        ::_exit(1);
    }
    writeAll(out, "port " + std::to_string(simulator.port()) + "\n");

    bool high = false;
    QTimer flipTimer;
    QObject::connect(&flipTimer, &QTimer::timeout, [&] {
        high = !high;
        for (int n = 1; n <= count; ++n) {
            simulator.setLevels(n, fixedLevels(high ? kFlipHighDbm : kFlipLowDbm));
            changes.push_back(
                {n, static_cast<int32_t>((high ? kFlipHighDbm : kFlipLowDbm) * 10), monotonicNs()});
        }
    });

    std::string buffer;
    QSocketNotifier notifier(in, QSocketNotifier::Read);
    QObject::connect(&notifier, &QSocketNotifier::activated, [&] {
        char chunk[256];
        const ssize_t n = ::read(in, chunk, sizeof chunk);
        if (n <= 0) {
            app.quit();
            return;
        }
        buffer.append(chunk, static_cast<size_t>(n));
        size_t end;
        while ((end = buffer.find('\n')) != std::string::npos) {
            const std::string line = buffer.substr(0, end);
            buffer.erase(0, end + 1);
            std::string reply;
            if (line == "arrivals") {
                for (int i = 0; i < count; ++i) {
                    reply += std::to_string(i + 1);
                    for (int64_t t : arrivals[static_cast<size_t>(i)]) {
                        reply += ' ' + std::to_string(t);
                    }
                    reply += '\n';
                    arrivals[static_cast<size_t>(i)].clear();
                }
            } else if (line.rfind("flip ", 0) == 0) {
                for (int i = 1; i <= count; ++i) {
                    simulator.setLevels(i, fixedLevels(kFlipLowDbm));
                }
                flipTimer.start(std::stoi(line.substr(5)));
            } else if (line == "changes") {
                for (const LevelChange& c : changes) {
                    reply += std::to_string(c.number) + ' ' + std::to_string(c.rfLevelA) + ' ' +
                             std::to_string(c.atNs) + '\n';
                }
                changes.clear();
            } else if (line == "quit") {
                app.quit();
            }
            reply += "end\n";
            writeAll(out, reply);
        }
    });
    app.exec();
    simulator.stop();
    ::_exit(0);
}

} // namespace

SimChild::~SimChild() {
    stop();
}

bool SimChild::start(int count) {
    int down[2];
    int up[2];
    if (::pipe(down) != 0 || ::pipe(up) != 0) {
        return false;
    }
    count_ = count;
    pid_ = ::fork();
    if (pid_ < 0) {
        return false;
    }
    if (pid_ == 0) {
        ::close(down[1]);
        ::close(up[0]);
        childMain(count, down[0], up[1]);
    }
    ::close(down[0]);
    ::close(up[1]);
    toChild_ = down[1];
    fromChild_ = up[0];
    std::vector<char> line;
    if (!readLine(line) || std::strncmp(line.data(), "port ", 5) != 0) {
        std::fprintf(stderr, "bench: the simulator did not start: %s\n", line.data());
        stop();
        return false;
    }
    port_ = static_cast<quint16>(std::atoi(line.data() + 5));
    return true;
}

void SimChild::stop() {
    if (pid_ <= 0) {
        return;
    }
    command("quit");
    ::close(toChild_);
    ::close(fromChild_);
    int status = 0;
    ::waitpid(pid_, &status, 0);
    pid_ = -1;
}

bool SimChild::command(const char* text) {
    const std::string line = std::string(text) + "\n";
    return writeAll(toChild_, line);
}

bool SimChild::readLine(std::vector<char>& line) {
    for (;;) {
        const auto newline = std::find(pending_.begin(), pending_.end(), '\n');
        if (newline != pending_.end()) {
            line.assign(pending_.begin(), newline);
            line.push_back('\0');
            pending_.erase(pending_.begin(), newline + 1);
            return true;
        }
        char chunk[65536];
        const ssize_t n = ::read(fromChild_, chunk, sizeof chunk);
        if (n <= 0) {
            line.assign(1, '\0');
            return false;
        }
        pending_.insert(pending_.end(), chunk, chunk + n);
    }
}

std::vector<std::vector<int64_t>> SimChild::takePollArrivals() {
    std::vector<std::vector<int64_t>> arrivals(static_cast<size_t>(count_));
    command("arrivals");
    std::vector<char> line;
    while (readLine(line) && std::strcmp(line.data(), "end") != 0) {
        char* cursor = line.data();
        const long number = std::strtol(cursor, &cursor, 10);
        if (number < 1 || number > count_) {
            continue;
        }
        auto& times = arrivals[static_cast<size_t>(number - 1)];
        while (*cursor == ' ') {
            times.push_back(std::strtoll(cursor, &cursor, 10));
        }
    }
    return arrivals;
}

void SimChild::startLevelFlips(int periodMs) {
    command(("flip " + std::to_string(periodMs)).c_str());
    std::vector<char> line;
    while (readLine(line) && std::strcmp(line.data(), "end") != 0) {
    }
}

std::vector<LevelChange> SimChild::takeLevelChanges() {
    std::vector<LevelChange> changes;
    command("changes");
    std::vector<char> line;
    while (readLine(line) && std::strcmp(line.data(), "end") != 0) {
        LevelChange change;
        char* cursor = line.data();
        change.number = static_cast<int>(std::strtol(cursor, &cursor, 10));
        change.rfLevelA = static_cast<int32_t>(std::strtol(cursor, &cursor, 10));
        change.atNs = std::strtoll(cursor, &cursor, 10);
        changes.push_back(change);
    }
    return changes;
}

} // namespace tessaly::bench
