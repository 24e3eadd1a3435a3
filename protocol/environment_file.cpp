#include "protocol/environment_file.h"

#include "protocol/bands.h"
#include "protocol/frequency.h"
#include "protocol/ini_file.h"
#include "protocol/number_text.h"

#include <algorithm>
#include <cstdio>

namespace tessaly {

namespace {

constexpr const char* kMatrixKeys[kLayoutModeCount] = {"ver_normal", "hor_normal", "ver_compact",
                                                       "hor_compact"};
constexpr const char* kDefaultColorsText = "0x00d1af9e,0x002f1209,0x0029110f,0x009d6651";

std::string readText(const IniFile& ini, const std::string& section, const char* key,
                     const char* fallback) {
    return ini.value(section, key, fallback, kEnvironmentValueLimit);
}

int32_t readInt(const IniFile& ini, const std::string& section, const char* key,
                const char* fallback) {
    return atoiRule(readText(ini, section, key, fallback));
}

void readRect(std::string_view text, WindowRect& rect) {
    int32_t* fields[4] = {&rect.left, &rect.top, &rect.right, &rect.bottom};
    const auto parts = splitAtCommas(text);
    for (size_t i = 0; i < parts.size() && i < 4; ++i) {
        *fields[i] = atoiRule(parts[i]);
    }
}

std::string rectText(const WindowRect& rect) {
    return std::to_string(rect.left) + "," + std::to_string(rect.top) + "," +
           std::to_string(rect.right) + "," + std::to_string(rect.bottom);
}

std::string colorsText(const std::array<uint32_t, 4>& colors) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "0x%08X,0x%08X,0x%08X,0x%08X", colors[0], colors[1],
                  colors[2], colors[3]);
    return buffer;
}

void readRecord(const IniFile& ini, int number, ReceiverRecord& record, const Settings& settings) {
    const std::string section = "recv" + std::to_string(number);
    record.mac = readText(ini, section, "mac", "");
    record.ip = readText(ini, section, "ip", "");
    record.name = readText(ini, section, "name", "");
    std::string freq = readText(ini, section, "freq", settings.defaultFreqText.c_str());
    record.setFrequencyText(freq.empty() ? settings.defaultFreqText : freq);
    const int band = bandOfFrequency(record.freqKhz);
    record.band = band == kBandNone ? settings.defaultBand : band;
    record.afVolume = readInt(ini, section, "Volume", "0");
    record.lineMic = readInt(ini, section, "LineMic", "1");
    record.antennaSwitch = readInt(ini, section, "Antenna", "0");
    record.rxKeyLock = readInt(ini, section, "RxKeyLock", "0");
    record.rxKeyLockPin = readInt(ini, section, "RxKeyLockPin", "0");
    record.squelch = readInt(ini, section, "Squelch", "20");
    record.rfPower = readInt(ini, section, "RFPower", "1");
    record.micGain = readInt(ini, section, "MicGain", "0");
    record.txKeyLock = readInt(ini, section, "TxKeyLock", "0");
    record.batteryKind = readInt(ini, section, "BatteryKind", "0");
    const std::string colorText = readText(ini, section, "dev_col", kDefaultColorsText);
    const auto colors = splitAtCommas(colorText);
    for (size_t i = 0; i < colors.size() && i < record.colors.size(); ++i) {
        record.colors[i] = hexRule(colors[i]);
    }
    record.comment = decodeComment(readText(ini, section, "comment", ""));
}

void writeRecord(IniFile& ini, int number, const ReceiverRecord& record) {
    const std::string section = "recv" + std::to_string(number);
    ini.setValue(section, "mac", record.mac);
    ini.setValue(section, "ip", record.ip);
    ini.setValue(section, "name", record.name);
    ini.setValue(section, "freq", record.freqText);
    ini.setValue(section, "Volume", std::to_string(record.afVolume));
    ini.setValue(section, "LineMic", std::to_string(record.lineMic));
    ini.setValue(section, "Antenna", std::to_string(record.antennaSwitch));
    ini.setValue(section, "RxKeyLock", std::to_string(record.rxKeyLock));
    ini.setValue(section, "RxKeyLockPin", std::to_string(record.rxKeyLockPin));
    ini.setValue(section, "Squelch", std::to_string(record.squelch));
    ini.setValue(section, "RFPower", std::to_string(record.rfPower));
    ini.setValue(section, "MicGain", std::to_string(record.micGain));
    ini.setValue(section, "TxKeyLock", std::to_string(record.txKeyLock));
    ini.setValue(section, "BatteryKind", std::to_string(record.batteryKind));
    ini.setValue(section, "dev_col", colorsText(record.colors));
    ini.setValue(section, "comment", encodeComment(record.comment));
}

} // namespace

std::string encodeComment(const std::string& comment) {
    std::string value;
    value.reserve(comment.size());
    for (char c : comment) {
        if (c == '\n') {
            value += '\t';
        } else if (c != '\r') {
            value += c;
        }
    }
    return value;
}

std::string decodeComment(const std::string& value) {
    std::string comment;
    comment.reserve(value.size());
    for (char c : value) {
        if (c == '\t') {
            comment += "\r\n";
        } else {
            comment += c;
        }
    }
    return comment;
}

void readEnvironmentFile(const std::string& path, ReceiverTable& target, const Settings& settings,
                         DisplayState& display) {
    const IniFile ini = IniFile::load(path);
    auto textLock = target.lockTexts();
    for (auto& record : target.records) {
        record.reset();
        record.setFrequencyText(settings.defaultFreqText);
    }
    target.count = 0;
    target.setMask = 0;
    target.getMask = 0;

    const int32_t mode = readInt(ini, "monitor", "mode", "0");
    target.displayMode = (mode >= 0 && mode < kLayoutModeCount) ? mode : display.layoutMode;
    readRect(readText(ini, "window", "pos_hor", "-1,-1,-1,-1"), display.posHor);
    readRect(readText(ini, "window", "pos_ver", "-1,-1,-1,-1"), display.posVer);
    target.answerTimeoutMs = settings.commTimeoutMs;
    target.pollIntervalMs = settings.commIntervalMs;
    target.portNumber = settings.commPort;

    const int32_t count = std::min(readInt(ini, "receiver", "cnt", "0"), kMaxReceivers);
    int32_t read = 0;
    for (int32_t number = 1; number <= count; ++number) {
        readRecord(ini, number, target.records[number - 1], settings);
        read = number;
    }
    target.count = read;

    for (int mode = 0; mode < kLayoutModeCount; ++mode) {
        MatrixPair pair = display.matrix[mode];
        readPair(readText(ini, "disp_matrix", kMatrixKeys[mode], "0,0"), pair);
        if (pair.a >= 1 && pair.a <= kMaxReceivers && pair.b >= 1 && pair.b <= kMaxReceivers) {
            display.matrix[mode] = pair;
        }
    }
    const int32_t rfUnit = readInt(ini, "scale", "RF", "0");
    if (rfUnit == kRfUnitDbm || rfUnit == kRfUnitMw) {
        display.rfUnit = rfUnit;
    }
}

bool writeEnvironmentFile(const std::string& path, const ReceiverTable& table,
                          const DisplayState& display, std::string* error) {
    IniFile ini = IniFile::load(path);
    ini.setValue("monitor", "mode", std::to_string(display.layoutMode));
    ini.setValue("window", "pos_hor", rectText(display.posHor));
    ini.setValue("window", "pos_ver", rectText(display.posVer));
    for (int mode = 0; mode < kLayoutModeCount; ++mode) {
        ini.setValue("disp_matrix", kMatrixKeys[mode],
                     std::to_string(display.matrix[mode].a) + "," +
                         std::to_string(display.matrix[mode].b));
    }
    ini.setValue("scale", "RF", std::to_string(display.rfUnit));
    const int32_t count = std::clamp<int32_t>(table.count, 0, kMaxReceivers);
    ini.setValue("receiver", "cnt", std::to_string(count));
    {
        auto textLock = table.lockTexts();
        for (int32_t number = 1; number <= count; ++number) {
            writeRecord(ini, number, table.records[number - 1]);
        }
    }
    return ini.save(path, error);
}

std::string readShowEnd(const std::string& path) {
    return IniFile::load(path).value("show", "end", "", kEnvironmentValueLimit);
}

bool writeShowEnd(const std::string& path, const std::string& hhmm, std::string* error) {
    IniFile ini = IniFile::load(path);
    ini.setValue("show", "end", hhmm);
    return ini.save(path, error);
}

void readEnvironmentFile(const std::string& path, ReceiverTable& target) {
    currentEnvironmentPath() = path;
    readEnvironmentFile(path, target, programSettings(), displayState());
}

bool writeEnvironmentFile(const std::string& path, std::string* error) {
    currentEnvironmentPath() = path;
    return writeEnvironmentFile(path, programReceiverTable(), displayState(), error);
}

std::string& currentEnvironmentPath() {
    static std::string path;
    return path;
}

} // namespace tessaly
