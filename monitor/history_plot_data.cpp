#include "monitor/history_plot_data.h"

#include "show/alarm_label.h"
#include "show/alarm_types.h"

#include <QDateTime>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>

namespace tessaly {

std::pair<int64_t, int64_t> HistoryShow::span() const {
    int64_t first = std::numeric_limits<int64_t>::max();
    int64_t last = std::numeric_limits<int64_t>::min();
    for (const auto& [receiver, track] : tracks) {
        if (track.firstMs != 0 || track.lastMs != 0) {
            first = std::min(first, track.firstMs);
            last = std::max(last, track.lastMs);
        }
        if (!track.seconds.empty()) {
            first = std::min(first, track.seconds.front().wallMs);
            last = std::max(last, track.seconds.back().wallMs);
        }
    }
    return first > last ? std::pair<int64_t, int64_t>{0, 0} : std::pair{first, last};
}

std::pair<double, double> curveRange(const HistorySecond& second, HistoryCurve curve) {
    switch (curve) {
    case HistoryCurve::RfA:
        return {second.rfAMin, second.rfAMax};
    case HistoryCurve::RfB:
        return {second.rfBMin, second.rfBMax};
    case HistoryCurve::Af:
        return {second.afMax, second.afMax};
    case HistoryCurve::Battery:
        return {double(second.battery), double(second.battery)};
    }
    return {0, 0};
}

namespace {
bool hasValue(const HistorySecond& second, HistoryCurve curve) {
    return second.live && (curve != HistoryCurve::Battery || second.battery >= 0);
}
} // namespace

std::vector<std::vector<QPointF>> decimateMinMax(const std::vector<HistorySecond>& seconds,
                                                 HistoryCurve curve, int64_t fromMs, int64_t toMs,
                                                 int columns, int64_t gapMs) {
    std::vector<std::vector<QPointF>> segments;
    if (seconds.empty() || toMs < fromMs || columns <= 0) {
        return segments;
    }
    const auto byTime = [](const HistorySecond& s, int64_t t) { return s.wallMs < t; };
    auto begin = std::lower_bound(seconds.begin(), seconds.end(), fromMs, byTime);
    auto end = std::lower_bound(begin, seconds.end(), toMs + 1, byTime);
    // One second beyond each edge, so the line leaves the plot rather than stopping short.
    if (begin != seconds.begin()) {
        --begin;
    }
    if (end != seconds.end()) {
        ++end;
    }
    const double bucketMs = std::max(1.0, double(toMs - fromMs) / columns);

    std::vector<QPointF>* segment = nullptr;
    int64_t lastMs = 0;
    long bucket = std::numeric_limits<long>::min();
    // The open bucket: its lowest and highest and where they were.
    double low = 0, high = 0;
    int64_t lowMs = 0, highMs = 0;
    const auto flush = [&] {
        if (segment == nullptr || bucket == std::numeric_limits<long>::min()) {
            return;
        }
        if (lowMs == highMs && low == high) {
            segment->emplace_back(double(lowMs), low);
        } else if (lowMs <= highMs) {
            segment->emplace_back(double(lowMs), low);
            segment->emplace_back(double(highMs), high);
        } else {
            segment->emplace_back(double(highMs), high);
            segment->emplace_back(double(lowMs), low);
        }
        bucket = std::numeric_limits<long>::min();
    };
    for (auto it = begin; it != end; ++it) {
        if (!hasValue(*it, curve)) {
            flush();
            segment = nullptr;
            continue;
        }
        if (segment != nullptr && it->wallMs - lastMs > gapMs) {
            flush();
            segment = nullptr;
        }
        if (segment == nullptr) {
            segment = &segments.emplace_back();
        }
        lastMs = it->wallMs;
        const long index = long(std::floor(double(it->wallMs - fromMs) / bucketMs));
        const auto [lo, hi] = curveRange(*it, curve);
        if (index != bucket) {
            flush();
            bucket = index;
            low = lo;
            high = hi;
            lowMs = highMs = it->wallMs;
            continue;
        }
        if (lo < low) {
            low = lo;
            lowMs = it->wallMs;
        }
        if (hi > high) {
            high = hi;
            highMs = it->wallMs;
        }
    }
    flush();
    return segments;
}

const HistorySecond* secondAt(const HistoryTrack& track, int64_t wallMs, int64_t withinMs) {
    const auto& seconds = track.seconds;
    auto it = std::lower_bound(seconds.begin(), seconds.end(), wallMs,
                               [](const HistorySecond& s, int64_t t) { return s.wallMs < t; });
    const HistorySecond* best = nullptr;
    if (it != seconds.end()) {
        best = &*it;
    }
    if (it != seconds.begin() &&
        (best == nullptr || wallMs - std::prev(it)->wallMs < best->wallMs - wallMs)) {
        best = &*std::prev(it);
    }
    if (best == nullptr || std::llabs(best->wallMs - wallMs) > withinMs) {
        return nullptr;
    }
    return best;
}

std::vector<HistoryAlarmMark> alarmMarksFromJournal(const std::vector<QJsonObject>& entries) {
    std::vector<HistoryAlarmMark> marks;
    // Open marks by receiver and kind: index into marks.
    std::map<std::pair<int, QString>, size_t> open;
    for (const QJsonObject& entry : entries) {
        const QString event = entry.value(QStringLiteral("event")).toString();
        const int receiver = entry.value(QStringLiteral("receiver")).toInt();
        const QString kindName = entry.value(QStringLiteral("kind")).toString();
        const QDateTime time = QDateTime::fromString(entry.value(QStringLiteral("time")).toString(),
                                                     Qt::ISODateWithMs);
        const auto kind = show::alarmKindFromName(kindName.toStdString());
        if (!time.isValid() || !kind || receiver <= 0) {
            continue;
        }
        const std::pair key{receiver, kindName};
        if (event == QLatin1String("start")) {
            HistoryAlarmMark mark;
            mark.receiver = receiver;
            mark.kind = kindName;
            mark.label = QString::fromLatin1(show::alarmLabelText(*kind));
            mark.critical = show::alarmSeverity(*kind) == show::Severity::Critical;
            mark.startMs = time.toMSecsSinceEpoch();
            open[key] = marks.size();
            marks.push_back(mark);
        } else if (event == QLatin1String("clear")) {
            const auto found = open.find(key);
            if (found != open.end()) {
                marks[found->second].clearMs = time.toMSecsSinceEpoch();
                open.erase(found);
            }
        }
    }
    std::stable_sort(marks.begin(), marks.end(),
                     [](const auto& a, const auto& b) { return a.startMs < b.startMs; });
    return marks;
}

} // namespace tessaly
