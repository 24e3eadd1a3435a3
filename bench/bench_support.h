#pragma once

#include <QString>

#include <cstdint>
#include <string>
#include <vector>

namespace tessaly::bench {

int64_t monotonicNs();
// CPU time (user + system) of the whole process and of the calling thread.
int64_t processCpuNs();
int64_t threadCpuNs();

// From /proc/self/status: resident memory in kB and the number of threads.
int64_t residentKb();
int threadCount();

std::string loadAverage();

// What a bench program may be told on its command line. Each program names the options it takes
// and gives its defaults; an unknown option or a value that is not a positive whole number ends
// the program with a message and exit status 2.
struct BenchOptions {
    enum Option : unsigned { Count = 1, Seconds = 2, Rounds = 4, Intervals = 8 };

    int count = 60;                  // --count N: receivers, 1 … 60
    int seconds = 20;                // --seconds N: the measuring window
    int rounds = 1;                  // --rounds N
    std::vector<int> intervals{100}; // --intervals MS,MS,…: poll intervals
};
BenchOptions parseBenchOptions(int argc, char** argv, unsigned accepted, BenchOptions defaults);

// The p-th percentile (0 … 100) of the values, nearest rank; 0 for none.
double percentile(std::vector<double> values, double p);

// One row of a section's table. `limit` 0 means the figure has no limit of its own; `ratio`
// is then left empty.
struct ResultRow {
    QString figure;
    QString value;
    QString limit;
    QString ratio;
    QString budget;
    QString met; // "yes", "no", or "" when there is no budget
};

QString fixed(double value, int decimals);
QString metText(bool met);

// Prints "## title" and the rows as a Markdown table on stdout, then any notes as a list.
void printSection(const QString& title, const std::vector<ResultRow>& rows,
                  const std::vector<QString>& notes = {});

} // namespace tessaly::bench
