#include "sim/control_command.h"

#include "sim/live_levels.h"

#include <charconv>
#include <cmath>

namespace tessaly::sim {

namespace {

std::vector<std::string_view> words(std::string_view line) {
    std::vector<std::string_view> result;
    size_t at = 0;
    while (at < line.size()) {
        while (at < line.size() && (line[at] == ' ' || line[at] == '\t')) {
            ++at;
        }
        const size_t end = line.find_first_of(" \t", at);
        if (at < line.size()) {
            result.push_back(line.substr(at, end == std::string_view::npos ? end : end - at));
        }
        at = end == std::string_view::npos ? line.size() : end;
    }
    return result;
}

bool wholeInt(std::string_view text, int low, int high, int& value) {
    int parsed = 0;
    const auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), parsed);
    if (text.empty() || ec != std::errc() || ptr != text.data() + text.size() || parsed < low ||
        parsed > high) {
        return false;
    }
    value = parsed;
    return true;
}

bool wholeDouble(std::string_view text, double low, double high, double& value) {
    double parsed = 0;
    const auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), parsed);
    if (text.empty() || ec != std::errc() || ptr != text.data() + text.size() ||
        !std::isfinite(parsed) || parsed < low || parsed > high) {
        return false;
    }
    value = parsed;
    return true;
}

struct KeyInfo {
    std::string_view name;
    ControlKey key;
    std::string_view usage;
};

constexpr KeyInfo kKeys[] = {
    {"battery", ControlKey::Battery, "battery 0..4"},
    {"drain", ControlKey::Drain, "drain SECONDS_PER_LEVEL (0 stops)"},
    {"rf", ControlKey::Rf, "rf DBM_A DBM_B | rf live"},
    {"af", ControlKey::Af, "af DB | af live"},
    {"mute", ControlKey::Mute, "mute 0|1"},
    {"fault", ControlKey::Fault, "fault MODE"},
    {"down", ControlKey::Down, "down"},
    {"up", ControlKey::Up, "up"},
};

} // namespace

bool parseControlLine(std::string_view line, int receiverCount, ControlCommand& command,
                      std::string& error) {
    if (line.size() > kMaxControlLineLength) {
        error = "line too long";
        return false;
    }
    while (!line.empty() && (line.back() == '\r' || line.back() == '\n')) {
        line.remove_suffix(1);
    }
    const std::vector<std::string_view> w = words(line);
    if (w.size() < 2) {
        error = "expected RX KEY VALUE...";
        return false;
    }
    ControlCommand parsed;
    if (w[0] == "all") {
        for (int n = 1; n <= receiverCount; ++n) {
            parsed.receivers.push_back(n);
        }
    } else if (!parseReceiverNumbers(w[0], parsed.receivers, error)) {
        return false;
    }
    for (int n : parsed.receivers) {
        if (n > receiverCount) {
            error = "no receiver " + std::to_string(n) + " (there are " +
                    std::to_string(receiverCount) + ")";
            return false;
        }
    }
    const KeyInfo* info = nullptr;
    for (const auto& k : kKeys) {
        if (w[1] == k.name) {
            info = &k;
        }
    }
    if (info == nullptr) {
        error = "unknown key \"" + std::string(w[1]) +
                "\" (battery, drain, rf, af, mute, fault, down, up)";
        return false;
    }
    parsed.key = info->key;
    const size_t values = w.size() - 2;
    bool ok = false;
    switch (info->key) {
    case ControlKey::Battery:
        ok = values == 1 && wholeInt(w[2], 0, kBatteryFull, parsed.value);
        break;
    case ControlKey::Drain:
        ok = values == 1 && wholeInt(w[2], 0, kMaxDrainSecondsPerLevel, parsed.value);
        break;
    case ControlKey::Mute:
        ok = values == 1 && wholeInt(w[2], 0, 1, parsed.value);
        break;
    case ControlKey::Rf: {
        double a = 0;
        double b = 0;
        ok =
            (values == 1 && w[2] == "live") || (values == 2 && wholeDouble(w[2], -150.0, 20.0, a) &&
                                                wholeDouble(w[3], -150.0, 20.0, b));
        if (ok && values == 2) {
            parsed.levelA = a;
            parsed.levelB = b;
        }
        break;
    }
    case ControlKey::Af: {
        double a = 0;
        ok = values == 1 && (w[2] == "live" || wholeDouble(w[2], -100.0, 40.0, a));
        if (ok && w[2] != "live") {
            parsed.levelA = a;
        }
        break;
    }
    case ControlKey::Fault: {
        std::string faultError;
        ok = values == 1 && parseFault(w[2], parsed.fault, faultError);
        if (values == 1 && !ok) {
            error = faultError;
            return false;
        }
        break;
    }
    case ControlKey::Down:
    case ControlKey::Up:
        ok = values == 0;
        break;
    }
    if (!ok) {
        error = "usage: RX " + std::string(info->usage);
        return false;
    }
    command = std::move(parsed);
    return true;
}

} // namespace tessaly::sim
