#pragma once

// What the History window plots: each receiver's seconds as the history file keeps them, the
// alarms of the day's journal as marks, and the reduction of a time range to at most two
// points per pixel column (lowest and highest of the column) so that a four-hour show opens and
// pans at once while no peak or dip is lost.

#include <QJsonObject>
#include <QPointF>
#include <QString>

#include <cstdint>
#include <map>
#include <optional>
#include <vector>

namespace tessaly {

// One receiver's second. RF and AF are the lowest and highest of the second (dBm, dB).
struct HistorySecond {
    int64_t wallMs = 0;
    double rfAMin = 0, rfAMax = 0;
    double rfBMin = 0, rfBMax = 0;
    double afMax = 0;
    int battery = -1; // 0..4; -1 unknown
    int antenna = -1; // 0 A, 1 B, -1 unknown
    bool muted = false;
    bool live = false; // values were answered this second
    // "live", "no-data", "offline": the worst of the second.
    const char* state = "live";
};

struct HistoryTrack {
    int receiver = 0;
    QString name; // the last name and frequency the file recorded
    QString freqText;
    int64_t firstMs = 0; // the receiver's first and last second in the file
    int64_t lastMs = 0;
    bool loaded = false; // seconds read (a file's receivers are read when first shown)
    std::vector<HistorySecond> seconds; // by time
};

// An alarm from the journal: start to clear (unset: still open at the end of the file).
struct HistoryAlarmMark {
    int receiver = 0;
    QString kind;  // "rf-loss", ...
    QString label; // "RF LOST", ...
    bool critical = false;
    int64_t startMs = 0;
    std::optional<int64_t> clearMs;
};

struct HistoryShow {
    QString path;
    std::map<int, HistoryTrack> tracks; // by receiver number
    std::vector<HistoryAlarmMark> alarms;

    bool empty() const { return tracks.empty(); }
    // The first and last second of any receiver; {0, 0} when empty.
    std::pair<int64_t, int64_t> span() const;
};

// Which of a second's values a curve shows.
enum class HistoryCurve { RfA, RfB, Af, Battery };
constexpr int kHistoryCurveCount = 4;
// Lowest and highest of `curve` in `second`.
std::pair<double, double> curveRange(const HistorySecond& second, HistoryCurve curve);

// A curve's points between fromMs and toMs (with one second on either side, so lines run on to
// the edges), in `columns` buckets: each bucket gives its lowest and highest value, in the
// order they came. Seconds without values, and gaps longer than `gapMs`, end a segment.
std::vector<std::vector<QPointF>> decimateMinMax(const std::vector<HistorySecond>& seconds,
                                                 HistoryCurve curve, int64_t fromMs, int64_t toMs,
                                                 int columns, int64_t gapMs = 3000);

// The second nearest `wallMs` within `withinMs`, or null.
const HistorySecond* secondAt(const HistoryTrack& track, int64_t wallMs, int64_t withinMs = 1500);

// Pairs the journal's starts and clears (same receiver and kind) into marks, by start time.
std::vector<HistoryAlarmMark> alarmMarksFromJournal(const std::vector<QJsonObject>& entries);

} // namespace tessaly
