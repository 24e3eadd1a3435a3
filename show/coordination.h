#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace tessaly {

class IniFile;
class ReceiverTable;

// Frequency coordination: which receivers of a plan clash, by sharing a channel, by standing
// too close together, or by being hit by an intermodulation product of two or three others.

constexpr const char* kCoordinationSection = "coordination";

// The thresholds of Tessaly.ini [coordination], in kHz. 0 switches a check off.
struct CoordinationThresholds {
    int32_t txSpacingKhz = 250;  // spacing: 0 < |fi - fj| < this
    int32_t im3TwoTxKhz = 125;   // im3-2tx: |fk - (2fi - fj)| < this
    int32_t im5TwoTxKhz = 125;   // im5-2tx: |fk - (3fi - 2fj)| < this
    int32_t im3ThreeTxKhz = 125; // im3-3tx: |fl - (fi + fj - fk)| < this
    bool operator==(const CoordinationThresholds&) const = default;
};

// A threshold above this (10 MHz, wider than all bands together) is no coordination rule but a
// typo, and would make every product of the plan a conflict.
constexpr int32_t kMaxThresholdKhz = 10000;

struct ThresholdKey {
    const char* key;
    int32_t CoordinationThresholds::*field;
};
constexpr std::array<ThresholdKey, 4> kThresholdKeys{{
    {"tx_spacing_khz", &CoordinationThresholds::txSpacingKhz},
    {"im3_2tx_khz", &CoordinationThresholds::im3TwoTxKhz},
    {"im5_2tx_khz", &CoordinationThresholds::im5TwoTxKhz},
    {"im3_3tx_khz", &CoordinationThresholds::im3ThreeTxKhz},
}};

// Reads [coordination]; a missing key, or a value that is not a whole number from 0 to
// kMaxThresholdKhz, keeps its default: a typo must not switch a check off.
CoordinationThresholds readCoordinationThresholds(const IniFile& ini);

// The thresholds in use, read once at start-up beside the other settings.
CoordinationThresholds& coordinationThresholds();
// Reads them from the settings file in use (an empty path: every default).
void loadCoordinationThresholds(const std::string& settingsPath);

enum class ConflictKind { Same, Spacing, Im3TwoTx, Im5TwoTx, Im3ThreeTx };
constexpr int kConflictKindCount = 5;

// "same", "spacing", "im3-2tx", "im5-2tx", "im3-3tx".
const char* conflictKindName(ConflictKind kind);

// One transmitter of a plan: a receiver number (1-based) and its frequency in kHz.
struct Carrier {
    int receiver = 0;
    int32_t khz = 0;
};

// One conflict. The receivers in the order of the rule: for same and spacing the two receivers
// (lower number first); for the products the transmitters that make it (i, j or i, j, k) and
// the victim last. Products have their frequency; same and spacing have none.
struct Conflict {
    ConflictKind kind = ConflictKind::Same;
    std::array<int, 4> receivers{};
    int receiverCount = 0;
    int64_t productKhz = 0;
    bool hasProduct = false;

    int victim() const { return receivers[static_cast<size_t>(receiverCount - 1)]; }
    bool involves(int receiver) const;
    bool operator==(const Conflict&) const = default;
};

// The receivers in use that have a frequency (kHz > 0), in table order.
std::vector<Carrier> carriersOf(const ReceiverTable& table);

// Conflicts of a plan by kind.
struct ConflictCounts {
    std::array<int64_t, kConflictKindCount> byKind{};
    int64_t total = 0;
    int64_t sameChannel() const { return byKind[0]; }
    int64_t spacing() const { return byKind[1]; }
    int64_t intermodulation() const { return byKind[2] + byKind[3] + byKind[4]; }
};

// A plan of 60 receivers crowded into a few channels with wide thresholds has millions of
// products that hit; the list keeps the first ones of each kind in order, the counts all.
constexpr size_t kMaxListedConflicts = 10000;

struct ConflictReport {
    std::vector<Conflict> conflicts; // sorted by kind, then by receivers
    ConflictCounts counts;           // every conflict, listed or not
    bool truncated() const { return counts.total > static_cast<int64_t>(conflicts.size()); }
};

// Every conflict of the plan. Products are counted only between receivers on different
// frequencies: transmitters on one frequency act as one, and a victim on a transmitter's own
// frequency is already a `same` conflict. With `onlyReceiver` > 0 only the conflicts that
// involve that receiver are listed and counted.
ConflictReport findConflicts(const std::vector<Carrier>& carriers,
                             const CoordinationThresholds& thresholds, int onlyReceiver = 0);

// "No conflicts", or "3 conflicts: 1 same channel, 2 intermodulation" (the groups present).
std::string conflictSummary(const ConflictCounts& counts);

// The frequency of a kHz value that may lie outside 32 bits' "%.3f" form: "709.875".
std::string mhzText(int64_t khz);

// One line that says what the conflict is, for a list or a tooltip:
// "im3-2tx: 2*710.125 - 710.375 = 709.875 MHz hits receiver 3 (tx 1, 2)".
std::string describeConflict(const Conflict& conflict, const std::vector<Carrier>& carriers);

// The conflicts a transmitter on `khz` for `receiver` would be part of among the other
// carriers (any carrier of that receiver among them is left out). The channel picker asks
// this for each channel it offers.
ConflictReport conflictsOfCandidate(const std::vector<Carrier>& carriers, int receiver, int32_t khz,
                                    const CoordinationThresholds& thresholds);

} // namespace tessaly
