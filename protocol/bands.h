#pragma once

#include "protocol/receiver_table.h"

#include <cstdint>
#include <string>
#include <vector>

namespace tessaly {

constexpr int kBandNone = 0; // only ever the result of bandOfFrequency, never a choice
constexpr int kBandUsa = 1;
constexpr int kBandJpn = 2;
constexpr int kBandChn = 3;
constexpr int kFirstBand = kBandUsa;
constexpr int kLastBand = kBandChn;
constexpr int kFallbackDefaultBand = kBandJpn; // when the stored default band is not 1 to 3

constexpr int32_t kChannelStepKhz = 125;
constexpr int kChannelsPerBand = 31;

constexpr const char* kBandRangeTextNone = "Non";

struct BandLimits {
    int32_t lowestKhz = 0;
    int32_t highestKhz = 0;
    bool valid = false;
};

// Lowest and highest channel of bands 1 to 3; (0, 0, invalid) for any other band.
BandLimits bandLimits(int band);

// The band whose channels span the frequency, kBandNone when none does; callers then take the
// default band.
int bandOfFrequency(int32_t khz);

// "USA", "JPN" or "CHN"; the empty text for any other band.
std::string bandName(int band);

// The stored default band setting as used: 1 to 3 as stored, anything else counts as 2.
int effectiveDefaultBand(int storedBand);

// A band's default frequency: its lowest channel (0 for no band).
int32_t defaultFrequencyKhz(int band);

// The channels of a band, lowest first, 125 kHz apart; empty for any other band.
std::vector<int32_t> channelValues(int band);
std::vector<std::string> channelTexts(int band);

// "710.125 - 713.875" for band 2; "Non" for band 0; "0.000 - 0.000" for other unknown bands.
std::string bandRangeText(int band);

struct Channel {
    std::string text;
    int32_t khz = 0;
    bool used = false; // another receiver in use is on this channel
};

struct ChannelList {
    std::vector<Channel> channels;
    int selectIndex = 0; // the channel of the own frequency, or 0 when none matches
};

// The channels of a band for the receiver with the given 1-based number: each marked used when
// another of the table's receivers in use has its frequency. Reads only integer fields.
ChannelList channelList(int band, const ReceiverTable& table, int ownNumber, int32_t ownKhz);

} // namespace tessaly
