#pragma once

#include "chrome/user_prompts.h"
#include "comm/engine_options.h"
#include "protocol/receiver_table.h"
#include "sim/simulator.h"
#include "tests/comm/comm_test_support.h"

#include <QString>
#include <QStringList>

#include <deque>
#include <gtest/gtest.h>
#include <string>

namespace tessaly::testing {

// Answers message boxes and file dialogs from a script and remembers what was shown.
class ScriptedPrompts : public CUserPrompts {
public:
    ScriptedPrompts() { setUserPrompts(this); }
    ~ScriptedPrompts() override { setUserPrompts(nullptr); }

    std::deque<PromptAnswer> answers; // none left: Cancel
    std::deque<QString> paths;        // none left or empty: the file dialog was cancelled
    QStringList shown;                // message texts and file dialog titles, in order
    std::vector<PromptIcon> icons;

    PromptAnswer messageBox(QWidget*, const QString& text, PromptButtons,
                            PromptIcon icon) override {
        shown << text;
        icons.push_back(icon);
        return take(answers, PromptAnswer::Cancel);
    }
    QString openFileName(QWidget*, const QString& title, const QString&) override {
        shown << title;
        return take(paths, QString());
    }
    QString saveFileName(QWidget*, const QString& title, const QString&, const QString&) override {
        shown << title;
        return take(paths, QString());
    }

private:
    template <typename T> static T take(std::deque<T>& queue, T fallback) {
        if (queue.empty()) {
            return fallback;
        }
        T front = queue.front();
        queue.pop_front();
        return front;
    }
};

// Engines that take every receiver as reachable: the simulator answers on loopback only.
inline EngineOptions loopbackEngineOptions() {
    EngineOptions options;
    options.ping = [](const QString&, int, int) { return 1; };
    options.startDelayMs = 0;
    return options;
}

// Simulated receivers 127.0.0.1 ... 127.0.0.n and a table that names them.
class SimulatedReceivers {
public:
    bool start(int count) {
        sim::SimulatorOptions options;
        options.count = count;
        options.port = sim::findFreeLoopbackPort(QHostAddress("127.0.0.1"), count);
        if (options.port == 0 || !simulator.start(options)) {
            return false;
        }
        table.count = count;
        table.portNumber = simulator.port();
        table.answerTimeoutMs = 500;
        for (int n = 1; n <= count; ++n) {
            ReceiverRecord& record = table.byNumber(n);
            record.ip = "127.0.0." + std::to_string(n);
            record.name = "OLD" + std::to_string(n);
            record.setFrequencyText("710.125");
            record.nameChanged = 1;
            record.freqChanged = 1;
        }
        return true;
    }

    sim::Simulator simulator;
    ReceiverTable table;
};

} // namespace tessaly::testing

#include "dialogs/neighbour_finder.h"

#include <QHeaderView>
#include <QTableWidget>

#include <atomic>
#include <mutex>

namespace tessaly::testing {

// A LAN that the test describes: no packet leaves the process.
class FakeNeighbourFinder : public INeighbourFinder {
public:
    void setEntries(std::vector<NeighbourEntry> entries, int failed = 0) {
        std::lock_guard lock(mutex_);
        entries_ = std::move(entries);
        failed_ = failed;
    }
    void sweepLocalSubnets() override { ++sweeps; }
    int scanNeighbourTable(std::vector<NeighbourEntry>& entries) override {
        ++scans;
        std::lock_guard lock(mutex_);
        entries = failed_ != 0 ? std::vector<NeighbourEntry>{} : entries_;
        return failed_;
    }
    void ping(const QString& ip, int) override {
        std::lock_guard lock(mutex_);
        pinged.push_back(ip);
    }

    std::atomic<int> sweeps{0};
    std::atomic<int> scans{0};
    std::vector<QString> pinged;

private:
    std::mutex mutex_;
    std::vector<NeighbourEntry> entries_;
    int failed_ = 0;
};

// Every column of the list is at least as wide as its title and its rows need.
inline void expectColumnsShowWhole(const QTableWidget& list) {
    const QAbstractItemView& view = list; // sizeHintForColumn is public here
    for (int column = 0; column < list.columnCount(); ++column) {
        EXPECT_GE(list.columnWidth(column), view.sizeHintForColumn(column)) << column;
        EXPECT_GE(list.columnWidth(column), list.horizontalHeader()->sectionSizeHint(column))
            << column;
    }
}

inline NeighbourEntry neighbour(const QString& ip, const QString& mac) {
    return {kNeighbourTypeDynamic, ip, mac};
}

} // namespace tessaly::testing
