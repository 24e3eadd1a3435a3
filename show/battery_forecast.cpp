#include "show/battery_forecast.h"

#include <algorithm>
#include <cstdio>
#include <ctime>

namespace tessaly::show {

namespace {
constexpr int64_t kMinuteMs = 60 * 1000;
constexpr int64_t kDayMs = 24 * 60 * kMinuteMs;
constexpr int64_t kLateShowMs = 12 * 60 * kMinuteMs;
} // namespace

void BatteryForecaster::observe(int32_t level, int64_t nowMs) {
    if (level < 0) {
        return;
    }
    if (level_ < 0 || level > level_) {
        *this = BatteryForecaster{};
        level_ = level;
        firstSeenMs_ = nowMs;
        return;
    }
    if (level < level_) {
        if (firstStepMs_ < 0) {
            firstStepMs_ = nowMs;
            stepsAtFirst_ = level_ - level;
        }
        steps_ += level_ - level;
        lastStepMs_ = nowMs;
        level_ = level;
    }
}

std::optional<int64_t> BatteryForecaster::remainingMs(int64_t nowMs) const {
    if (level_ < 0) {
        return std::nullopt;
    }
    if (level_ == 0) {
        return 0;
    }
    const int64_t observed = nowMs - firstSeenMs_;
    const int timedSteps = steps_ - stepsAtFirst_; // steps with a measured duration
    if (steps_ >= kForecastMinSteps && timedSteps > 0 && lastStepMs_ > firstStepMs_) {
        // The duration of one level from the steps seen; the current level began at the last.
        const int64_t perLevel = (lastStepMs_ - firstStepMs_) / timedSteps;
        return std::max<int64_t>(0, level_ * perLevel - (nowMs - lastStepMs_));
    }
    if (observed < kForecastMinObservationMs) {
        return std::nullopt;
    }
    if (steps_ == 0) {
        // The level has lasted this long at least; each level left is taken to last as long.
        return level_ * observed;
    }
    // One step: the level before it lasted at least from the start to the step.
    const int64_t perLevel = std::max(lastStepMs_ - firstSeenMs_, nowMs - lastStepMs_);
    return std::max<int64_t>(0, level_ * perLevel - (nowMs - lastStepMs_));
}

std::string forecastText(std::optional<int64_t> remainingMs) {
    if (!remainingMs) {
        return "unknown";
    }
    if (*remainingMs < kMinuteMs) {
        return "less than 1 min left";
    }
    const int64_t minutes = (*remainingMs + kMinuteMs / 2) / kMinuteMs;
    char buffer[64];
    if (minutes < 60) {
        std::snprintf(buffer, sizeof buffer, "about %lld min left",
                      static_cast<long long>(minutes));
    } else if (minutes % 60 == 0) {
        std::snprintf(buffer, sizeof buffer, "about %lld h left",
                      static_cast<long long>(minutes / 60));
    } else {
        std::snprintf(buffer, sizeof buffer, "about %lld h %lld min left",
                      static_cast<long long>(minutes / 60), static_cast<long long>(minutes % 60));
    }
    return buffer;
}

std::optional<int> parseShowEnd(const std::string& text) {
    const size_t colon = text.find(':');
    if (colon == std::string::npos || colon < 1 || colon > 2 || text.size() != colon + 3) {
        return std::nullopt;
    }
    int hours = 0;
    int minutes = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        if (i == colon) {
            continue;
        }
        if (text[i] < '0' || text[i] > '9') {
            return std::nullopt;
        }
        int& field = i < colon ? hours : minutes;
        field = field * 10 + (text[i] - '0');
    }
    if (hours > 23 || minutes > 59) {
        return std::nullopt;
    }
    return hours * 60 + minutes;
}

std::string showEndText(int minutesOfDay) {
    char buffer[8];
    std::snprintf(buffer, sizeof buffer, "%02d:%02d", (minutesOfDay / 60) % 24, minutesOfDay % 60);
    return buffer;
}

int64_t showEndWallMs(int minutesOfDay, int64_t wallMs) {
    const std::time_t now = static_cast<std::time_t>(wallMs / 1000);
    std::tm local{};
    localtime_r(&now, &local);
    local.tm_hour = minutesOfDay / 60;
    local.tm_min = minutesOfDay % 60;
    local.tm_sec = 0;
    local.tm_isdst = -1;
    int64_t end = static_cast<int64_t>(std::mktime(&local)) * 1000;
    if (end < wallMs - kLateShowMs) {
        end += kDayMs;
    }
    return end;
}

} // namespace tessaly::show
