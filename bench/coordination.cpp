// Frequency coordination at full scale: checking a plan of 60 receivers for conflicts, and
// proposing channels for 60 receivers spread over the three bands, against the plain greedy
// pass over the channels in order. Pure computation: no receivers, no network.

#include "bench/bench_support.h"
#include "protocol/bands.h"
#include "show/plan_proposer.h"

#include <algorithm>
#include <vector>

using namespace tessaly;
using namespace tessaly::bench;

namespace {

constexpr int kReceivers = 60;
constexpr int kCheckRuns = 50;
constexpr int kProposeRuns = 3;
constexpr double kCheckBudgetMs = 20.0;
constexpr double kProposeBudgetMs = 2000.0;

double elapsedMs(int64_t startNs) {
    return static_cast<double>(monotonicNs() - startNs) / 1e6;
}

// Twenty receivers a band, each band's channels taken with a stride that leaves some on the
// same channel and many hit by products: a plan that gives the checker work to do.
std::vector<Carrier> busyPlan() {
    std::vector<Carrier> plan;
    for (int number = 1; number <= kReceivers; ++number) {
        const int band = kFirstBand + (number - 1) % 3;
        const int channel = ((number - 1) / 3 * 7) % kChannelsPerBand;
        plan.push_back({number, bandLimits(band).lowestKhz + channel * kChannelStepKhz});
    }
    return plan;
}

// Twenty receivers a band, all still on their band's lowest channel: everything to place.
std::vector<PlanReceiver> freshShow() {
    std::vector<PlanReceiver> receivers;
    for (int number = 1; number <= kReceivers; ++number) {
        const int band = kFirstBand + (number - 1) % 3;
        receivers.push_back({number, bandLimits(band).lowestKhz, band, true});
    }
    return receivers;
}

} // namespace

int main() {
    const CoordinationThresholds thresholds;

    const std::vector<Carrier> plan = busyPlan();
    std::vector<double> checkMs;
    ConflictReport report;
    for (int run = 0; run < kCheckRuns; ++run) {
        const int64_t start = monotonicNs();
        report = findConflicts(plan, thresholds);
        checkMs.push_back(elapsedMs(start));
    }
    const double checkMax = percentile(checkMs, 100);

    const std::vector<PlanReceiver> show = freshShow();
    std::vector<double> proposeMs;
    PlanProposal proposal;
    for (int run = 0; run < kProposeRuns; ++run) {
        const int64_t start = monotonicNs();
        proposal = proposePlan(show, thresholds);
        proposeMs.push_back(elapsedMs(start));
    }
    const double proposeMax = percentile(proposeMs, 100);
    const int64_t greedyStart = monotonicNs();
    const PlanProposal greedy = greedyPlan(show, thresholds);
    const double greedyMs = elapsedMs(greedyStart);
    const int64_t leftOver = findConflicts(carriersAfter(show, proposal), thresholds).counts.total;

    const auto placed = [](const PlanProposal& p) { return static_cast<int>(p.assignment.size()); };
    const std::vector<ResultRow> rows{
        {QStringLiteral("check 60 receivers, median (ms)"),
         fixed(percentile(checkMs, 50), 3),
         {},
         {},
         {},
         {}},
        {QStringLiteral("check 60 receivers, worst of %1 (ms)").arg(kCheckRuns), fixed(checkMax, 3),
         fixed(kCheckBudgetMs, 0), fixed(checkMax / kCheckBudgetMs, 3), QStringLiteral("≤ 20 ms"),
         metText(checkMax <= kCheckBudgetMs)},
        {QStringLiteral("propose 60 receivers over 3 bands, worst of %1 (ms)").arg(kProposeRuns),
         fixed(proposeMax, 1), fixed(kProposeBudgetMs, 0), fixed(proposeMax / kProposeBudgetMs, 3),
         QStringLiteral("≤ 2 s"), metText(proposeMax <= kProposeBudgetMs)},
        {QStringLiteral("receivers placed by the proposer"), QString::number(placed(proposal)),
         QString::number(placed(greedy)),
         fixed(static_cast<double>(placed(proposal)) / std::max(placed(greedy), 1), 2),
         QStringLiteral("≥ greedy"), metText(placed(proposal) >= placed(greedy))},
        {QStringLiteral("conflicts left in the proposal"),
         QString::number(leftOver),
         {},
         {},
         QStringLiteral("0"),
         metText(leftOver == 0)},
    };
    printSection(
        QStringLiteral("Frequency coordination: %1 receivers, default thresholds").arg(kReceivers),
        rows,
        {QStringLiteral("the checked plan has %1 conflicts (%2)")
             .arg(report.counts.total)
             .arg(QString::fromStdString(conflictSummary(report.counts))),
         QStringLiteral("the limit of the placed count is the plain greedy pass (receivers in "
                        "order, lowest free channel first), which took %1 ms and left %2 "
                        "unplaced")
             .arg(fixed(greedyMs, 1))
             .arg(greedy.unassigned.size()),
         QStringLiteral("load average after the run: %1")
             .arg(QString::fromStdString(loadAverage()))});
    return 0;
}
