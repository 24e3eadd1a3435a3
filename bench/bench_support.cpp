#include "bench/bench_support.h"

#include <sys/resource.h>
#include <time.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>

namespace tessaly::bench {

namespace {

int64_t clockNs(clockid_t clock) {
    timespec now{};
    clock_gettime(clock, &now);
    return int64_t{now.tv_sec} * 1'000'000'000 + now.tv_nsec;
}

int64_t statusField(const char* name) {
    std::ifstream status("/proc/self/status");
    std::string key;
    while (status >> key) {
        if (key == name) {
            int64_t value = 0;
            status >> value;
            return value;
        }
        status.ignore(1 << 12, '\n');
    }
    return -1;
}

} // namespace

int64_t monotonicNs() {
    return clockNs(CLOCK_MONOTONIC);
}

int64_t processCpuNs() {
    return clockNs(CLOCK_PROCESS_CPUTIME_ID);
}

int64_t threadCpuNs() {
    return clockNs(CLOCK_THREAD_CPUTIME_ID);
}

int64_t residentKb() {
    return statusField("VmRSS:");
}

int threadCount() {
    return static_cast<int>(statusField("Threads:"));
}

std::string loadAverage() {
    std::ifstream file("/proc/loadavg");
    std::string one, five, fifteen;
    file >> one >> five >> fifteen;
    return one + " " + five + " " + fifteen;
}

double percentile(std::vector<double> values, double p) {
    if (values.empty()) {
        return 0.0;
    }
    std::sort(values.begin(), values.end());
    const auto rank =
        static_cast<size_t>(std::ceil(p / 100.0 * static_cast<double>(values.size())));
    return values[std::clamp<size_t>(rank, 1, values.size()) - 1];
}

QString fixed(double value, int decimals) {
    return QString::number(value, 'f', decimals);
}

QString metText(bool met) {
    return met ? QStringLiteral("yes") : QStringLiteral("**no**");
}

void printSection(const QString& title, const std::vector<ResultRow>& rows,
                  const std::vector<QString>& notes) {
    QString text = QStringLiteral("## %1\n\n| figure | value | limit | ratio | budget | met |\n"
                                  "| --- | --- | --- | --- | --- | --- |\n")
                       .arg(title);
    for (const ResultRow& row : rows) {
        text += QStringLiteral("| %1 | %2 | %3 | %4 | %5 | %6 |\n")
                    .arg(row.figure, row.value, row.limit, row.ratio, row.budget, row.met);
    }
    if (!notes.empty()) {
        text += QLatin1Char('\n');
        for (const QString& note : notes) {
            text += QStringLiteral("- %1\n").arg(note);
        }
    }
    text += QLatin1Char('\n');
    std::fputs(text.toUtf8().constData(), stdout);
    std::fflush(stdout);
}

} // namespace tessaly::bench
