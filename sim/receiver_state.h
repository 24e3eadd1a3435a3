#pragma once

#include "protocol/bands.h"

#include <cstdint>
#include <string>

namespace tessaly::sim {

constexpr int32_t kSimDefaultBand = kBandJpn;

// Names longer than this are cut; the receiver's display could not show them anyway.
constexpr size_t kMaxStoredNameLength = 32;

// What one simulated receiver remembers between commands: everything a client can set or
// query except the live levels.
struct ReceiverState {
    std::string name;
    int32_t freqKhz = 0;
    int32_t band = kSimDefaultBand;
    int32_t lowestKhz = 0;
    int32_t highestKhz = 0;

    // The ten RX/TX settings.
    int32_t afVolume = -6;
    int32_t lineMic = 0;
    int32_t antennaSwitch = 0;
    int32_t rxKeyLock = 0;
    int32_t rxKeyLockPin = 0;
    int32_t squelch = 20;
    int32_t rfPower = 1;
    int32_t micGain = 10;
    int32_t txKeyLock = 0;
    int32_t batteryKind = 0;

    int32_t transmitterInput = 0;
    int32_t remote = 0;

    std::string configuredIp;
    std::string subnetMask = "255.255.255.0";
    std::string mac; // "0A-54-53-xx-xx-xx"
    int32_t dhcpServer = 0;
    int32_t ipSelect = 0;
    std::string systemInfo; // the whole ":SYST:INF?" answer

    // The frequency as the receiver answers ":FREQ?": MHz with four decimals ("710.1250").
    std::string frequencyText() const;
};

// The start state of receiver `number` (1-based) listening on `address`: a name "RX<number>",
// a channel of the band (the default band for an unknown one) picked by the number, a MAC address
// with the vendor prefix made from the seed and the number, and the system information.
ReceiverState makeInitialState(int number, const std::string& address, uint64_t seed, int32_t band);

} // namespace tessaly::sim
