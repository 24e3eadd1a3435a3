// The sample Tessaly.ini shipped with the program lists every key commented out with its
// default; these tests hold it to what the program really reads.

#include "history/history_recorder.h"
#include "protocol/ini_file.h"
#include "protocol/settings.h"
#include "show/alarm_settings.h"
#include "show/coordination.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

using namespace tessaly;

namespace {

struct SampleKey {
    std::string section;
    std::string key;
    std::string value;
};

std::string sampleText() {
    std::ifstream file(TESSALY_SAMPLE_SETTINGS);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

// Every commented "key=value" line of the sample, with the section it stands in.
std::vector<SampleKey> sampleKeys(const std::string& text) {
    static const std::regex section(R"(^\[(\w+)\]\s*$)");
    static const std::regex commentedKey(R"(^;(\w+)=(.*)$)");
    std::vector<SampleKey> keys;
    std::istringstream lines(text);
    std::string line, current;
    std::smatch match;
    while (std::getline(lines, line)) {
        if (std::regex_match(line, match, section)) {
            current = match[1];
        } else if (std::regex_match(line, match, commentedKey)) {
            keys.push_back({current, match[1], match[2]});
        }
    }
    return keys;
}

// The sample with every key in force, `changed` given `value` instead of the sample's own.
std::string settingsText(const std::vector<SampleKey>& keys, const SampleKey* changed = nullptr,
                         const std::string& value = {}) {
    std::string text, current;
    for (const SampleKey& key : keys) {
        if (key.section != current) {
            current = key.section;
            text += "[" + current + "]\n";
        }
        text += key.key + "=" + (&key == changed ? value : key.value) + "\n";
    }
    return text;
}

// The program settings and the alarm and history settings, which are read from the same file.
struct Loaded {
    Settings settings;
    show::AlarmSettings alarms;
    history::HistorySettings history;
};

Loaded load(const std::string& text) {
    const std::filesystem::path path =
        std::filesystem::temp_directory_path() / ("tessaly-sample-" + std::to_string(::getpid()));
    std::ofstream(path) << text;
    Loaded loaded{readSettingsFile(path.string(), "/start"),
                  show::readAlarmSettingsFile(path.string()),
                  history::readHistorySettingsFile(path.string())};
    std::filesystem::remove(path);
    return loaded;
}

bool sameSettings(const Settings& a, const Settings& b) {
    return a.splashTimeSec == b.splashTimeSec && a.commIntervalMs == b.commIntervalMs &&
           a.commTimeoutMs == b.commTimeoutMs && a.commPort == b.commPort &&
           a.commDebug == b.commDebug && a.macMasks == b.macMasks &&
           a.monitorMode == b.monitorMode && a.monitorIntervalMs == b.monitorIntervalMs &&
           a.monitorNameDev == b.monitorNameDev && a.matrix == b.matrix &&
           a.dispBand == b.dispBand && a.defaultBand == b.defaultBand && a.helpUrl == b.helpUrl &&
           a.lockPin == b.lockPin && a.defaultFreqKhz == b.defaultFreqKhz &&
           a.defaultFreqText == b.defaultFreqText;
}

bool sameSettings(const Loaded& a, const Loaded& b) {
    return a.alarms == b.alarms && a.history.file == b.history.file &&
           a.history.keepDays == b.history.keepDays && sameSettings(a.settings, b.settings);
}

} // namespace

TEST(SampleSettings, EveryKeyInForceGivesTheDefaults) {
    const std::vector<SampleKey> keys = sampleKeys(sampleText());
    ASSERT_GE(keys.size(), 17u);
    const Loaded defaults = load("");
    EXPECT_TRUE(sameSettings(load(settingsText(keys)), defaults)) << settingsText(keys);
    // As shipped, with every key commented out, the file changes nothing either.
    EXPECT_TRUE(sameSettings(load(sampleText()), defaults));
    EXPECT_EQ(readCoordinationThresholds(IniFile::fromText(settingsText(keys))),
              CoordinationThresholds{});
}

// A misspelt key or a key in the wrong section would be ignored by the program.
TEST(SampleSettings, EveryKeyIsOneTheProgramReads) {
    const std::vector<SampleKey> keys = sampleKeys(sampleText());
    const Loaded defaults = load("");
    for (const SampleKey& key : keys) {
        if (key.value.empty()) {
            continue; // the further masks: read only when cnt counts them
        }
        bool read = false;
        for (const char* other : {"2", "3", "1", "-90"}) {
            const std::string text = settingsText(keys, &key, other);
            read = read || !sameSettings(load(text), defaults) ||
                   readCoordinationThresholds(IniFile::fromText(text)) != CoordinationThresholds{};
        }
        EXPECT_TRUE(read) << key.section << "/" << key.key;
    }
}
