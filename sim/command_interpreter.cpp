#include "sim/command_interpreter.h"

#include "protocol/command_builder.h"
#include "protocol/frequency.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <limits>
#include <optional>

namespace tessaly::sim {

namespace {

constexpr int kNameAnswerWidth = 10;
constexpr int kFrequencyDecimals = 4;
constexpr int kLevelDecimals = 1;
constexpr int32_t kMaxPin = 9999;

struct Command {
    std::string path; // upper-case keywords joined by ':' without the leading colon
    bool query = false;
    std::string argument; // trimmed text after the header
};

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\0';
}

std::string_view trimmed(std::string_view text) {
    while (!text.empty() && isBlank(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && isBlank(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

// Splits at ';' but not inside a double-quoted value.
std::vector<std::string_view> splitCommands(std::string_view line) {
    std::vector<std::string_view> parts;
    bool quoted = false;
    size_t start = 0;
    for (size_t i = 0; i < line.size(); ++i) {
        if (line[i] == '"') {
            quoted = !quoted;
        } else if (line[i] == ';' && !quoted) {
            parts.push_back(line.substr(start, i - start));
            start = i + 1;
        }
    }
    parts.push_back(line.substr(start));
    return parts;
}

// Parses one command; `parentPath` is the path the previous command left (its keywords but the
// last), used when this one has no leading colon.
std::optional<Command> parseCommand(std::string_view text, const std::string& parentPath) {
    text = trimmed(text);
    if (text.empty()) {
        return std::nullopt;
    }
    const bool absolute = text.front() == ':';
    if (absolute) {
        text.remove_prefix(1);
    }
    size_t end = 0;
    while (end < text.size() && !isBlank(text[end]) && text[end] != '?') {
        ++end;
    }
    std::string header;
    header.reserve(end);
    for (size_t i = 0; i < end; ++i) {
        header.push_back(static_cast<char>(std::toupper(static_cast<unsigned char>(text[i]))));
    }
    if (header.empty()) {
        return std::nullopt;
    }
    Command command;
    command.path = (absolute || parentPath.empty()) ? header : parentPath + ":" + header;
    if (end < text.size() && text[end] == '?') {
        command.query = true;
        ++end;
    }
    command.argument = std::string(trimmed(text.substr(end)));
    return command;
}

std::string parentOf(const std::string& path) {
    const size_t colon = path.rfind(':');
    return colon == std::string::npos ? std::string() : path.substr(0, colon);
}

// Leading blanks, optional sign, decimal digits; nothing when there are no digits.
std::optional<int32_t> parseInteger(std::string_view text) {
    text = trimmed(text);
    bool negative = false;
    if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    if (text.empty() || !std::isdigit(static_cast<unsigned char>(text.front()))) {
        return std::nullopt;
    }
    int64_t value = 0;
    for (char c : text) {
        if (!std::isdigit(static_cast<unsigned char>(c))) {
            break;
        }
        value = std::min<int64_t>(value * 10 + (c - '0'), std::numeric_limits<int32_t>::max());
    }
    return static_cast<int32_t>(negative ? -value : value);
}

std::string unquoted(std::string_view value) {
    value = trimmed(value);
    if (!value.empty() && value.front() == '"') {
        value.remove_prefix(1);
    }
    if (!value.empty() && value.back() == '"') {
        value.remove_suffix(1);
    }
    while (!value.empty() && value.front() == ' ') {
        value.remove_prefix(1);
    }
    return std::string(value.substr(0, kMaxStoredNameLength));
}

int32_t ReceiverState::*integerSetting(const std::string& path) {
    struct Entry {
        const char* path;
        int32_t ReceiverState::*field;
    };
    static const Entry kEntries[] = {
        {"AFV", &ReceiverState::afVolume},           {"AFV:LVL", &ReceiverState::lineMic},
        {"ANT:SW", &ReceiverState::antennaSwitch},   {"LOCK", &ReceiverState::rxKeyLock},
        {"SQUELCH", &ReceiverState::squelch},        {"TXSET:RFP", &ReceiverState::rfPower},
        {"TXSET:MICG", &ReceiverState::micGain},     {"TXSET:LOCK", &ReceiverState::txKeyLock},
        {"TXSET:BATK", &ReceiverState::batteryKind}, {"COMM:LAN:DHCPD", &ReceiverState::dhcpServer},
        {"COMM:LAN:DHCP", &ReceiverState::ipSelect}, {"REMOTE", &ReceiverState::remote},
    };
    for (const Entry& entry : kEntries) {
        if (path == entry.path) {
            return entry.field;
        }
    }
    return nullptr;
}

std::string* textSetting(ReceiverState& state, const std::string& path) {
    if (path == "COMM:LAN:IPADR") {
        return &state.configuredIp;
    }
    if (path == "COMM:LAN:MASK") {
        return &state.subnetMask;
    }
    return nullptr;
}

std::string upper(std::string_view text) {
    std::string result(text);
    for (char& c : result) {
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    return result;
}

class LineRunner {
public:
    LineRunner(ReceiverState& state, const std::function<LiveLevels()>& levels,
               bool ignoreNameFrequency)
        : state_(state), levelSource_(levels), ignoreNameFrequency_(ignoreNameFrequency) {}

    void run(const Command& command, LineOutcome& outcome) {
        if (command.query) {
            outcome.hasQuery = true;
            outcome.values.push_back(query(command, outcome));
        } else {
            set(command, outcome);
        }
    }

private:
    const LiveLevels& levels(LineOutcome& outcome) {
        if (!levels_) {
            levels_ = levelSource_ ? levelSource_() : LiveLevels{};
        }
        outcome.monitorQuery = true;
        return *levels_;
    }

    std::string query(const Command& command, LineOutcome& outcome) {
        const std::string& path = command.path;
        if (auto field = integerSetting(path)) {
            return std::to_string(state_.*field);
        }
        if (auto text = textSetting(state_, path)) {
            return *text;
        }
        if (path == "NAME") {
            return quotedName(state_.name);
        }
        if (path == "FREQ") {
            const std::string which = upper(command.argument);
            if (which == "MIN") {
                return formatFixed(state_.lowestKhz / 1000.0, kFrequencyDecimals);
            }
            if (which == "MAX") {
                return formatFixed(state_.highestKhz / 1000.0, kFrequencyDecimals);
            }
            return state_.frequencyText();
        }
        if (path == "LOCK:PIN") {
            char pin[16];
            std::snprintf(pin, sizeof pin, "%04d", static_cast<int>(state_.rxKeyLockPin));
            return pin;
        }
        if (path == "BAND") {
            return std::to_string(state_.band);
        }
        if (path == "TXSET:INPUT") {
            return std::to_string(state_.transmitterInput);
        }
        if (path == "COMM:LAN:MAC") {
            return state_.mac;
        }
        if (path == "SYST:INF" || path == "*IDN") {
            return state_.systemInfo;
        }
        if (path == "MON:RSSIA") {
            return formatFixed(levels(outcome).rfA, kLevelDecimals);
        }
        if (path == "MON:RSSIB") {
            return formatFixed(levels(outcome).rfB, kLevelDecimals);
        }
        if (path == "MON:AFL") {
            return formatFixed(levels(outcome).af, kLevelDecimals);
        }
        if (path == "MON:BATT") {
            return std::to_string(levels(outcome).battery);
        }
        if (path == "MON:ANTSEL") {
            return std::to_string(levels(outcome).antennaSelect);
        }
        if (path == "MUTE") {
            return std::to_string(levels(outcome).mute);
        }
        return std::string();
    }

    void set(const Command& command, LineOutcome& outcome) {
        const std::string& path = command.path;
        if (auto field = integerSetting(path)) {
            if (auto value = parseInteger(command.argument)) {
                state_.*field = *value;
            }
        } else if (auto text = textSetting(state_, path)) {
            if (isDottedIpv4(command.argument)) {
                *text = command.argument;
            }
        } else if (ignoreNameFrequency_ && (path == "NAME" || path == "FREQ")) {
            return;
        } else if (path == "NAME") {
            state_.name = unquoted(command.argument);
        } else if (path == "FREQ") {
            // A receiver tunes only within its band; anything else leaves the channel alone.
            if (isPlainDecimal(command.argument)) {
                const int32_t khz = textToKhz(command.argument);
                if (khz >= state_.lowestKhz && khz <= state_.highestKhz) {
                    state_.freqKhz = khz;
                }
            }
        } else if (path == "LOCK:PIN") {
            if (auto value = parseInteger(command.argument);
                value && *value >= 0 && *value <= kMaxPin) {
                state_.rxKeyLockPin = *value;
            }
        } else if (path == "SYST:REBOOT") {
            outcome.reboot = true;
        }
    }

    ReceiverState& state_;
    const std::function<LiveLevels()>& levelSource_;
    const bool ignoreNameFrequency_;
    std::optional<LiveLevels> levels_;
};

} // namespace

std::string LineOutcome::answer() const {
    std::string line;
    for (size_t i = 0; i < values.size(); ++i) {
        if (i > 0) {
            line.push_back(';');
        }
        line += values[i];
    }
    return line;
}

std::string quotedName(const std::string& name) {
    std::string padded = name;
    if (padded.size() < kNameAnswerWidth) {
        padded.insert(0, kNameAnswerWidth - padded.size(), ' ');
    }
    return "\"" + padded + "\"";
}

LineOutcome interpretLine(std::string_view line, ReceiverState& state,
                          const std::function<LiveLevels()>& levels, bool ignoreNameFrequency) {
    LineOutcome outcome;
    LineRunner runner(state, levels, ignoreNameFrequency);
    std::string parentPath;
    for (std::string_view text : splitCommands(line)) {
        auto command = parseCommand(text, parentPath);
        if (!command) {
            continue;
        }
        parentPath = parentOf(command->path);
        runner.run(*command, outcome);
    }
    return outcome;
}

} // namespace tessaly::sim
