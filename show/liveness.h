#pragma once

// Whether a receiver's values may be shown as live. The snapshot taker feeds one
// LivenessInput per receiver and refresh into that receiver's LivenessTracker and draws the
// panel from state(): live values, or the no-data look with "OFFLINE" / "NO DATA" and the age
// of the last good data. The engines' own communication states are left as they are; the
// debounce lives here.

#include "show/show_clock.h"

#include <cstdint>
#include <string>

namespace tessaly::show {

constexpr int64_t kNever = -1; // no answer was ever seen

enum class Liveness {
    Stopped, // monitoring is not running for this receiver
    Live,    // connected and the last good answer is recent
    NoData,  // connected, but no good answer recently (and it did not fail since)
    Offline, // the connection is down, or it failed and no answer came since
};

// "live", "no-data", "offline", "stopped": the names JSON and the journal use.
const char* livenessName(Liveness liveness);

struct LivenessInput {
    bool running = false;          // the engine's run state is "running"
    bool connected = false;        // the engine's connection is up
    int64_t lastAnswerMs = kNever; // steady ms of the last good poll answer
    int32_t pollIntervalMs = 100;  // the table's values, which decide freshness
    int32_t answerTimeoutMs = 3000;
};

class LivenessTracker {
public:
    // A receiver's data are fresh while connected and the last good answer is younger than the
    // poll interval plus the answer timeout. Once a receiver went offline it stays offline until
    // an answer newer than the failure arrives, so reconnect cycles do not make the cue blink.
    Liveness update(const LivenessInput& input, int64_t nowMs);

    Liveness state() const { return state_; }
    // Milliseconds since the last good answer, or kNever.
    int64_t dataAgeMs(int64_t nowMs) const;
    // Steady ms of the last good answer of this run, or of the start of monitoring when nothing
    // answered yet; kNever while stopped. The offline alarm counts from here.
    int64_t lastDataMs() const { return lastAnswerMs_ != kNever ? lastAnswerMs_ : startedMs_; }

    void reset() { *this = LivenessTracker{}; }

private:
    Liveness state_ = Liveness::Stopped;
    int64_t lastAnswerMs_ = kNever;
    int64_t failedAtMs_ = kNever; // when it went offline; answers older than this do not count
    int64_t startedMs_ = kNever;
};

// "12 s", "3 min", "2 h": the age of the last good data as the panel writes it; "" for kNever.
std::string ageText(int64_t ageMs);

} // namespace tessaly::show
