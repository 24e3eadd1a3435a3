#pragma once

// How long a receiver's battery will last, from the level steps seen while the show runs. The
// alarm model keeps one BatteryForecaster per receiver and feeds it the live battery level at
// each refresh; the battery tooltip shows forecastText().

#include <cstdint>
#include <optional>
#include <string>

namespace tessaly::show {

constexpr int64_t kForecastMinObservationMs = 10 * 60 * 1000;
constexpr int kForecastMinSteps = 2;

class BatteryForecaster {
public:
    // `level` 0..4, or below 0 when unknown (ignored). A level that rises (a fresh battery)
    // starts the history again.
    void observe(int32_t level, int64_t nowMs);

    // Milliseconds until the level reaches 0; unset ("unknown") until at least two level
    // steps or ten minutes have been seen.
    std::optional<int64_t> remainingMs(int64_t nowMs) const;

    // Level steps seen since the history began. A forecast without any step is only a guess
    // from how long the level has lasted, and raises no battery-forecast alarm.
    int steps() const { return steps_; }

    void reset() { *this = BatteryForecaster{}; }

private:
    int32_t level_ = -1;
    int64_t firstSeenMs_ = -1;
    int64_t firstStepMs_ = -1;
    int64_t lastStepMs_ = -1;
    int steps_ = 0;
    int stepsAtFirst_ = 0;
};

// "about 1 h 40 min left", "about 25 min left", "less than 1 min left" or "unknown".
std::string forecastText(std::optional<int64_t> remainingMs);

// "HH:MM" as minutes after midnight; unset when the text is not a time of day.
std::optional<int> parseShowEnd(const std::string& text);
std::string showEndText(int minutesOfDay); // "HH:MM"
// The wall time of the next HH:MM (local time) at or after `wallMs`, today or tomorrow. A show
// end already past by less than 12 h counts as today's, so that a show running late alarms.
int64_t showEndWallMs(int minutesOfDay, int64_t wallMs);

} // namespace tessaly::show
