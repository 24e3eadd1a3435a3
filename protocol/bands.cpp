#include "protocol/bands.h"

#include "protocol/frequency.h"

#include <algorithm>
#include <cstdio>

namespace tessaly {

namespace {

struct BandEntry {
    int band;
    const char* name;
    int32_t lowestKhz;
};

constexpr BandEntry kBands[] = {
    {kBandUsa, "USA", 946125},
    {kBandJpn, "JPN", 710125},
    {kBandChn, "CHN", 704125},
};

const BandEntry* findBand(int band) {
    for (const BandEntry& entry : kBands) {
        if (entry.band == band) {
            return &entry;
        }
    }
    return nullptr;
}

} // namespace

BandLimits bandLimits(int band) {
    const BandEntry* entry = findBand(band);
    if (entry == nullptr) {
        return {};
    }
    return {entry->lowestKhz, entry->lowestKhz + (kChannelsPerBand - 1) * kChannelStepKhz, true};
}

int bandOfFrequency(int32_t khz) {
    for (const BandEntry& entry : kBands) {
        const BandLimits limits = bandLimits(entry.band);
        if (khz >= limits.lowestKhz && khz <= limits.highestKhz) {
            return entry.band;
        }
    }
    return kBandNone;
}

std::string bandName(int band) {
    const BandEntry* entry = findBand(band);
    return entry == nullptr ? std::string() : std::string(entry->name);
}

int effectiveDefaultBand(int storedBand) {
    return findBand(storedBand) == nullptr ? kFallbackDefaultBand : storedBand;
}

int32_t defaultFrequencyKhz(int band) {
    return bandLimits(band).lowestKhz;
}

std::vector<int32_t> channelValues(int band) {
    std::vector<int32_t> values;
    const BandLimits limits = bandLimits(band);
    if (!limits.valid) {
        return values;
    }
    for (int32_t khz = limits.lowestKhz; khz <= limits.highestKhz; khz += kChannelStepKhz) {
        values.push_back(khz);
    }
    return values;
}

std::vector<std::string> channelTexts(int band) {
    std::vector<std::string> texts;
    for (const int32_t khz : channelValues(band)) {
        texts.push_back(khzToText(khz));
    }
    return texts;
}

std::string bandRangeText(int band) {
    if (band == kBandNone) {
        return kBandRangeTextNone;
    }
    const BandLimits limits = bandLimits(band);
    char text[64];
    std::snprintf(text, sizeof text, "%d.%03d - %d.%03d", limits.lowestKhz / 1000,
                  limits.lowestKhz % 1000, limits.highestKhz / 1000, limits.highestKhz % 1000);
    return text;
}

ChannelList channelList(int band, const ReceiverTable& table, int ownNumber, int32_t ownKhz) {
    ChannelList list;
    const int count = std::clamp<int>(table.count, 0, kMaxReceivers);
    bool found = false;
    for (const std::string& text : channelTexts(band)) {
        Channel channel;
        channel.text = text;
        channel.khz = textToKhz(text);
        if (!found && channel.khz == ownKhz) {
            list.selectIndex = static_cast<int>(list.channels.size());
            found = true;
        }
        for (int number = 1; number <= count && !channel.used; ++number) {
            channel.used = number != ownNumber && table.byNumber(number).freqKhz == channel.khz;
        }
        list.channels.push_back(std::move(channel));
    }
    return list;
}

} // namespace tessaly
