#include "show/alarm_settings.h"

#include "protocol/ini_file.h"

#include <charconv>

namespace tessaly::show {

namespace {

constexpr size_t kAlarmValueLimit = 510;

// The whole value must be one integer within [low, high]; anything else keeps `fallback`.
int32_t readBounded(const IniFile& ini, const char* key, int32_t fallback, int32_t low,
                    int32_t high) {
    const std::string text = ini.value(kAlarmSection, key, "", kAlarmValueLimit);
    int32_t value = 0;
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value);
    if (text.empty() || ec != std::errc() || ptr != end || value < low || value > high) {
        return fallback;
    }
    return value;
}

std::string readText(const IniFile& ini, const char* key) {
    return ini.value(kAlarmSection, key, "", kAlarmValueLimit);
}

} // namespace

AlarmSettings readAlarmSettings(const IniFile& ini) {
    const AlarmSettings d;
    AlarmSettings s;
    s.offlineS = readBounded(ini, "offline_s", d.offlineS, 1, 3600);
    s.batteryLow = readBounded(ini, "battery_low", d.batteryLow, 0, 4);
    s.rfLowDbm = readBounded(ini, "rf_low_dbm", d.rfLowDbm, -120, 0);
    s.rfLowS = readBounded(ini, "rf_low_s", d.rfLowS, 0, 3600);
    s.clipPolls = readBounded(ini, "clip_polls", d.clipPolls, 1, 1000);
    s.muted = readBounded(ini, "muted", d.muted ? 1 : 0, 0, 1) == 1;
    s.holdS = readBounded(ini, "hold_s", d.holdS, 0, 3600);
    s.flapCount = readBounded(ini, "flap_count", d.flapCount, 1, 1000);
    s.flapWindowS = readBounded(ini, "flap_window_s", d.flapWindowS, 1, 86400);
    s.station = readText(ini, "station");
    s.journal = readText(ini, "journal");
    return s;
}

AlarmSettings readAlarmSettingsFile(const std::string& path) {
    return readAlarmSettings(IniFile::load(path));
}

} // namespace tessaly::show
