#include "sim/receiver_state.h"

#include "protocol/frequency.h"
#include "protocol/settings.h"
#include "sim/sim_hash.h"

#include <cstdio>

namespace tessaly::sim {

namespace {
constexpr const char* kSystemModel = "TESSALY-SIM";
constexpr const char* kFirmwareVersion = "1.00";
constexpr int kAnswerFrequencyDecimals = 4;
} // namespace

std::string ReceiverState::frequencyText() const {
    return formatFixed(freqKhz / 1000.0, kAnswerFrequencyDecimals);
}

ReceiverState makeInitialState(int number, const std::string& address, uint64_t seed,
                               int32_t band) {
    ReceiverState state;
    BandLimits limits = bandLimits(band);
    if (!limits.valid) {
        band = kSimDefaultBand;
        limits = bandLimits(band);
    }
    state.band = band;
    state.lowestKhz = limits.lowestKhz;
    state.highestKhz = limits.highestKhz;
    state.freqKhz = limits.lowestKhz + ((number - 1) % kChannelsPerBand) * kChannelStepKhz;
    state.name = "RX" + std::to_string(number);
    state.configuredIp = address;

    const uint64_t bits = hashOf(seed, static_cast<uint64_t>(number), 0x4D4143);
    char mac[24];
    std::snprintf(mac, sizeof mac, "%02X-%02X-%02X-%02X-%02X-%02X", kVendorPrefix[0],
                  kVendorPrefix[1], kVendorPrefix[2], static_cast<unsigned>((bits >> 16) & 0xFF),
                  static_cast<unsigned>((bits >> 8) & 0xFF), static_cast<unsigned>(number & 0xFF));
    state.mac = mac;

    char serial[16];
    std::snprintf(serial, sizeof serial, "S%06u", static_cast<unsigned>(bits % 1000000));
    state.systemInfo = std::string(kSystemModel) + ",RX" + std::to_string(number) + "," +
                       kFirmwareVersion + "," + serial;
    return state;
}

} // namespace tessaly::sim
