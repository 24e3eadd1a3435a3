#include "show/connection_health.h"

#include <algorithm>
#include <cstdio>

namespace tessaly::show {

std::string healthText(const ConnectionHealth& h) {
    std::string text;
    char buffer[96];
    if (h.lastAnswerAgeMs < 0) {
        text = "no answer yet";
    } else {
        std::snprintf(buffer, sizeof buffer, "last answer %.1f s ago", h.lastAnswerAgeMs / 1000.0);
        text = buffer;
    }
    if (h.roundTripLastMs >= 0) {
        std::snprintf(buffer, sizeof buffer, ", round trip %d ms (worst %d ms in the last minute)",
                      h.roundTripLastMs, std::max(h.roundTripWorstMs, h.roundTripLastMs));
        text += buffer;
    }
    text +=
        ", " + std::to_string(h.reconnects) + (h.reconnects == 1 ? " reconnect" : " reconnects");
    return text;
}

void RoundTripWindow::add(int64_t nowMs, int32_t roundTripMs) {
    const int64_t second = nowMs / 1000 + 1; // 0 marks an empty bucket
    const size_t index = static_cast<size_t>(second % kBuckets);
    if (second_[index] != second) {
        second_[index] = second;
        worst_[index] = roundTripMs;
    } else {
        worst_[index] = std::max(worst_[index], roundTripMs);
    }
}

int32_t RoundTripWindow::worst(int64_t nowMs) const {
    const int64_t second = nowMs / 1000 + 1;
    int32_t worst = -1;
    for (size_t i = 0; i < kBuckets; ++i) {
        if (second_[i] != 0 && second_[i] > second - kBuckets && second_[i] <= second) {
            worst = std::max(worst, worst_[i]);
        }
    }
    return worst;
}

} // namespace tessaly::show
