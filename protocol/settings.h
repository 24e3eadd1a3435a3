#pragma once

#include "protocol/receiver_table.h"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tessaly {

constexpr const char* kSettingsFileName = "Tessaly.ini";
constexpr int kSettingsValueLimit = 510; // characters of a value kept by the reader

// Locally administered vendor prefix (first octet: bit 1 set, bit 0 clear) standing in for the
// maker's; simulated receivers carry it too.
constexpr std::array<uint8_t, 3> kVendorPrefix = {0x0A, 0x54, 0x53};
constexpr const char* kVendorPrefixText = "0A,54,53";

// Shortest periods the settings may give: a poll of one receiver, the wait for an answer, a
// redraw of the monitor view. Shorter ones are raised to these.
constexpr int32_t kMinPollIntervalMs = 10;
constexpr int32_t kMinAnswerTimeoutMs = 100;
constexpr int32_t kMinRefreshIntervalMs = 20;

// Layout modes.
constexpr int kLayoutLargeVertical = 0;
constexpr int kLayoutLargeHorizontal = 1;
constexpr int kLayoutSmallVertical = 2;
constexpr int kLayoutSmallHorizontal = 3;
constexpr int kLayoutModeCount = 4;

// RF units of the meters.
constexpr int kRfUnitDbm = 0;
constexpr int kRfUnitMw = 1;

struct MatrixPair {
    int32_t a = 0; // rows or columns as the layout mode reads them
    int32_t b = 0;
    bool operator==(const MatrixPair&) const = default;
};

struct WindowRect {
    int32_t left = -1, top = -1, right = -1, bottom = -1;
    bool operator==(const WindowRect&) const = default;
};

// What the operator's commands and the environment files change in memory; the settings file
// supplies the start values.
struct DisplayState {
    int32_t layoutMode = kLayoutLargeHorizontal;
    std::array<MatrixPair, kLayoutModeCount> matrix{MatrixPair{1, 60}, MatrixPair{60, 1},
                                                    MatrixPair{3, 20}, MatrixPair{30, 2}};
    int32_t rfUnit = kRfUnitDbm;
    WindowRect posHor; // remembered for layout mode 1
    WindowRect posVer; // remembered for every other mode
};

// The program settings, read once at start-up from the first Tessaly.ini found (see
// settingsFileCandidates).
struct Settings {
    int32_t splashTimeSec = 3;
    int32_t commIntervalMs = 100;
    int32_t commTimeoutMs = 3000;
    int32_t commPort = 5025;
    int32_t commDebug = 0;
    std::vector<std::vector<uint8_t>> macMasks{{kVendorPrefix.begin(), kVendorPrefix.end()}};
    int32_t monitorMode = kLayoutLargeHorizontal;
    int32_t monitorIntervalMs = 100;
    int32_t monitorNameDev = 0;
    std::array<MatrixPair, kLayoutModeCount> matrix{MatrixPair{1, 60}, MatrixPair{60, 1},
                                                    MatrixPair{3, 20}, MatrixPair{30, 2}};
    int32_t dispBand = 0;
    int32_t defaultBand = 2;
    std::string helpUrl = "docs\\Tessaly_e.chm";
    std::string lockPin;      // [lock] pin: asked for when the show lock is released; empty: none
    std::string remoteListen; // [remote] listen: ADDRESS:PORT of the remote board; empty: off
    std::string remoteToken;  // [remote] token: needed by every request when set

    std::string directory;  // the start directory
    std::string sourcePath; // the file the settings were read from; empty: every default
    int32_t defaultFreqKhz = 710125;
    std::string defaultFreqText = "710.125";

    std::string filePath() const; // directory + '/' + "Tessaly.ini"
};

// The pair form "a,b": one field changes only a; an empty text changes neither.
void readPair(std::string_view text, MatrixPair& pair);

// Reads the settings of the INI file at `path` (a missing file gives every default).
Settings readSettingsFile(const std::string& path, const std::string& directory);

// Where Tessaly.ini may be: the start directory first (an installation's own settings beside its
// files), then the user's configuration folder, then the system's.
struct SettingsPlaces {
    std::string startDirectory;
    std::string configHome; // $XDG_CONFIG_HOME, else $HOME/.config; may be empty
    std::string systemConfig = "/etc/xdg";
};

// The places of this process: its current directory and its environment. A relative
// $XDG_CONFIG_HOME is ignored, as the base directory rules ask.
SettingsPlaces processSettingsPlaces();
// The paths looked at, in order.
std::vector<std::string> settingsFileCandidates(const SettingsPlaces& places);
// The first candidate that is a readable file; empty when there is none.
std::string findSettingsFile(const SettingsPlaces& places);
// The file the settings come from, "defaults" for none.
std::string settingsSourceText(const std::string& sourcePath);
// For --help: the search order in words and the file a start here would read.
std::string settingsHelpText();

// Start-up: reads the first Tessaly.ini found into programSettings(), resets the
// display state from it, and writes the communication values and the default frequency into
// the program-wide receiver table.
void loadSettings();

// Applies loaded settings to the process-wide values (display state, receiver table header,
// default frequency); loadSettings() calls it, tests may call it directly.
void applySettings(const Settings& settings);

Settings& programSettings();
DisplayState& displayState();

} // namespace tessaly
