#include "bench/bench_support.h"

#include "protocol/receiver_table.h"

#include <QCommandLineParser>
#include <QStringList>

#include <sys/resource.h>
#include <time.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
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

namespace {

[[noreturn]] void refuse(const QString& text, const QCommandLineParser& parser) {
    std::fprintf(stderr, "%s\n\n%s", qPrintable(text), qPrintable(parser.helpText()));
    std::exit(2);
}

int positive(const QString& name, const QString& text, int most, const QCommandLineParser& parser) {
    bool ok = false;
    const int value = text.toInt(&ok);
    if (!ok || value < 1 || value > most) {
        refuse(QStringLiteral("--%1 takes a whole number from 1 to %2, not '%3'")
                   .arg(name, QString::number(most), text),
               parser);
    }
    return value;
}

} // namespace

BenchOptions parseBenchOptions(int argc, char** argv, unsigned accepted, BenchOptions defaults) {
    QCommandLineParser parser;
    parser.addHelpOption();
    const QCommandLineOption count(QStringLiteral("count"), QStringLiteral("Receivers, 1 to 60."),
                                   QStringLiteral("N"), QString::number(defaults.count));
    const QCommandLineOption seconds(QStringLiteral("seconds"),
                                     QStringLiteral("The measuring window in seconds."),
                                     QStringLiteral("N"), QString::number(defaults.seconds));
    const QCommandLineOption rounds(QStringLiteral("rounds"), QStringLiteral("Rounds."),
                                    QStringLiteral("N"), QString::number(defaults.rounds));
    const QCommandLineOption intervals(QStringLiteral("intervals"),
                                       QStringLiteral("Poll intervals in ms, comma-separated."),
                                       QStringLiteral("MS,MS"));
    const std::pair<unsigned, const QCommandLineOption*> options[] = {
        {BenchOptions::Count, &count},
        {BenchOptions::Seconds, &seconds},
        {BenchOptions::Rounds, &rounds},
        {BenchOptions::Intervals, &intervals}};
    for (const auto& [flag, option] : options) {
        if (accepted & flag) {
            parser.addOption(*option);
        }
    }
    QStringList arguments;
    for (int i = 0; i < argc; ++i) {
        arguments << QString::fromLocal8Bit(argv[i]);
    }
    if (!parser.parse(arguments)) {
        refuse(parser.errorText(), parser);
    }
    if (parser.isSet(QStringLiteral("help"))) {
        std::printf("%s", qPrintable(parser.helpText()));
        std::exit(0);
    }
    BenchOptions result = defaults;
    if (accepted & BenchOptions::Count) {
        result.count =
            positive(QStringLiteral("count"), parser.value(count), kMaxReceivers, parser);
    }
    if (accepted & BenchOptions::Seconds) {
        result.seconds = positive(QStringLiteral("seconds"), parser.value(seconds), 86400, parser);
    }
    if (accepted & BenchOptions::Rounds) {
        result.rounds = positive(QStringLiteral("rounds"), parser.value(rounds), 1000, parser);
    }
    if ((accepted & BenchOptions::Intervals) && parser.isSet(intervals)) {
        result.intervals.clear();
        for (const QString& part : parser.value(intervals).split(QLatin1Char(','))) {
            result.intervals.push_back(positive(QStringLiteral("intervals"), part, 60000, parser));
        }
    }
    return result;
}

} // namespace tessaly::bench
