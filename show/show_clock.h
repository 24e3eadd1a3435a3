#pragma once

// The two clocks the show rules run on. Rules (freshness, hold, flapping, forecasts) use the
// steady milliseconds, so a wall clock set back in the middle of a show changes nothing; what a
// person reads (journal times, silences until a time, the show end) uses the wall clock.
// Callers take one ShowTime per refresh with ShowTime::now() and pass it down; tests build
// their own, so no rule ever sleeps or reads a clock itself.

#include <cstdint>

namespace tessaly::show {

// Milliseconds of std::chrono::steady_clock; the engines stamp their answers with it too.
int64_t steadyNowMs();
// Milliseconds since the Unix epoch (std::chrono::system_clock).
int64_t wallNowMs();

struct ShowTime {
    int64_t steadyMs = 0;
    int64_t wallMs = 0;

    static ShowTime now() { return ShowTime{steadyNowMs(), wallNowMs()}; }
    // The same moment `ms` later on both clocks.
    ShowTime plus(int64_t ms) const { return ShowTime{steadyMs + ms, wallMs + ms}; }
};

} // namespace tessaly::show
