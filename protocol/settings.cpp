#include "protocol/settings.h"

#include "protocol/bands.h"
#include "protocol/frequency.h"
#include "protocol/ini_file.h"
#include "protocol/number_text.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <utility>

namespace tessaly {

namespace {

// mac/cnt above this is taken as this: each mask is a key to read, and a hostile count in the
// billions would otherwise allocate and read without end.
constexpr int32_t kMaxMacMasks = 64;

constexpr const char* kMatrixKeys[kLayoutModeCount] = {"ver_normal", "hor_normal", "ver_compact",
                                                       "hor_compact"};

std::string read(const IniFile& ini, const char* section, const char* key, const char* fallback) {
    return ini.value(section, key, fallback, kSettingsValueLimit);
}

int32_t readInt(const IniFile& ini, const char* section, const char* key, const char* fallback) {
    return atoiRule(read(ini, section, key, fallback));
}

std::vector<uint8_t> octetList(std::string_view text) {
    std::vector<uint8_t> octets;
    if (text.empty()) {
        return octets;
    }
    for (std::string_view field : splitAtCommas(text)) {
        octets.push_back(static_cast<uint8_t>(hexRule(field) & 0xFF));
    }
    return octets;
}

bool inMatrixRange(const MatrixPair& pair) {
    return pair.a >= 1 && pair.a <= kMaxReceivers && pair.b >= 1 && pair.b <= kMaxReceivers;
}

} // namespace

void readPair(std::string_view text, MatrixPair& pair) {
    if (text.empty()) {
        return;
    }
    const auto fields = splitAtCommas(text);
    pair.a = atoiRule(fields[0]);
    if (fields.size() > 1) {
        pair.b = atoiRule(fields[1]);
    }
}

std::string Settings::filePath() const {
    if (!directory.empty() && directory.back() == '/') {
        return directory + kSettingsFileName;
    }
    return directory + "/" + kSettingsFileName;
}

Settings readSettingsFile(const std::string& path, const std::string& directory) {
    const IniFile ini = IniFile::load(path);
    Settings s;
    s.directory = directory;
    s.splashTimeSec = readInt(ini, "splash", "time", "3");
    s.commIntervalMs = readInt(ini, "comm", "interval", "100");
    s.commTimeoutMs = readInt(ini, "comm", "timeout", "3000");
    s.commPort = readInt(ini, "comm", "portno", "5025");
    s.commDebug = readInt(ini, "comm", "debug", "0");

    s.macMasks.clear();
    const int32_t maskCount = std::min(std::max(readInt(ini, "mac", "cnt", "1"), 0), kMaxMacMasks);
    for (int32_t i = 1; i <= maskCount; ++i) {
        const std::string key = "mask" + std::to_string(i);
        s.macMasks.push_back(
            octetList(read(ini, "mac", key.c_str(), i == 1 ? kVendorPrefixText : "")));
    }

    s.monitorMode = readInt(ini, "monitor", "mode", "1");
    if (s.monitorMode < 0 || s.monitorMode >= kLayoutModeCount) {
        s.monitorMode = kLayoutLargeHorizontal;
    }
    s.monitorIntervalMs = readInt(ini, "monitor", "interval", "100");
    s.monitorNameDev = readInt(ini, "monitor", "name_dev", "0");
    const Settings defaults;
    // A timer given a negative period never fires, and one of 0 fires without pause: an engine
    // would then poll its receiver thousands of times a second or give up on an answer at once,
    // and the view would redraw without rest. 0 (also what a word reads as) and negative periods
    // take the defaults; the others are raised to their floors.
    const std::pair<int32_t Settings::*, int32_t> periods[] = {
        {&Settings::commIntervalMs, kMinPollIntervalMs},
        {&Settings::commTimeoutMs, kMinAnswerTimeoutMs},
        {&Settings::monitorIntervalMs, kMinRefreshIntervalMs}};
    for (const auto& [period, floor] : periods) {
        s.*period = s.*period <= 0 ? defaults.*period : std::max(s.*period, floor);
    }
    for (int mode = 0; mode < kLayoutModeCount; ++mode) {
        MatrixPair pair = defaults.matrix[mode];
        readPair(read(ini, "monitor", kMatrixKeys[mode], ""), pair);
        s.matrix[mode] = inMatrixRange(pair) ? pair : defaults.matrix[mode];
    }
    s.dispBand = readInt(ini, "disp", "band", "0");
    s.defaultBand = effectiveDefaultBand(readInt(ini, "band", "default_band", "2"));
    s.defaultFreqKhz = defaultFrequencyKhz(s.defaultBand);
    s.defaultFreqText = khzToText(s.defaultFreqKhz);
    s.helpUrl = read(ini, "help", "url", "docs\\Tessaly_e.chm");
    s.lockPin = read(ini, "lock", "pin", "");
    s.remoteListen = read(ini, "remote", "listen", "");
    s.remoteToken = read(ini, "remote", "token", "");
    return s;
}

void applySettings(const Settings& settings) {
    programSettings() = settings;
    DisplayState& display = displayState();
    display = DisplayState{};
    display.layoutMode = settings.monitorMode;
    display.matrix = settings.matrix;

    ReceiverTable& table = programReceiverTable();
    table.pollIntervalMs = settings.commIntervalMs;
    table.answerTimeoutMs = settings.commTimeoutMs;
    table.portNumber = settings.commPort;
    table.fillDefaultFrequency(settings.defaultFreqText);
}

SettingsPlaces processSettingsPlaces() {
    SettingsPlaces places;
    std::error_code error;
    places.startDirectory = std::filesystem::current_path(error).string();
    const char* configHome = std::getenv("XDG_CONFIG_HOME");
    const char* home = std::getenv("HOME");
    if (configHome != nullptr && configHome[0] == '/') {
        places.configHome = configHome;
    } else if (home != nullptr && home[0] == '/') {
        places.configHome = std::string(home) + "/.config";
    }
    return places;
}

std::vector<std::string> settingsFileCandidates(const SettingsPlaces& places) {
    std::vector<std::string> candidates;
    Settings start;
    start.directory = places.startDirectory;
    candidates.push_back(start.filePath());
    for (const std::string& base : {places.configHome, places.systemConfig}) {
        if (!base.empty()) {
            candidates.push_back(base + "/tessaly/" + kSettingsFileName);
        }
    }
    return candidates;
}

std::string findSettingsFile(const SettingsPlaces& places) {
    for (const std::string& candidate : settingsFileCandidates(places)) {
        std::error_code error;
        if (std::filesystem::is_regular_file(candidate, error) && std::ifstream(candidate)) {
            return candidate;
        }
    }
    return {};
}

std::string settingsSourceText(const std::string& sourcePath) {
    return sourcePath.empty() ? std::string("defaults") : sourcePath;
}

std::string settingsHelpText() {
    return std::string("Settings are read from the first ") + kSettingsFileName +
           " found in the start directory,\n"
           "in $XDG_CONFIG_HOME/tessaly (by default ~/.config/tessaly) and in "
           "/etc/xdg/tessaly;\nwithout one every setting keeps its default. Started here, "
           "the settings come from:\n  " +
           settingsSourceText(findSettingsFile(processSettingsPlaces())) + "\n";
}

void loadSettings() {
    const SettingsPlaces places = processSettingsPlaces();
    const std::string source = findSettingsFile(places);
    Settings settings = readSettingsFile(source, places.startDirectory);
    settings.sourcePath = source;
    applySettings(settings);
}

Settings& programSettings() {
    static Settings settings;
    return settings;
}

DisplayState& displayState() {
    static DisplayState state;
    return state;
}

} // namespace tessaly
