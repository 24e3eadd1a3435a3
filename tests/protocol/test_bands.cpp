#include "protocol/bands.h"

#include <gtest/gtest.h>

using namespace tessaly;

TEST(Bands, LimitsNamesAndRangeTexts) {
    const BandLimits usa = bandLimits(kBandUsa);
    EXPECT_TRUE(usa.valid);
    EXPECT_EQ(usa.lowestKhz, 946125);
    EXPECT_EQ(usa.highestKhz, 949875);
    EXPECT_EQ(bandLimits(kBandJpn).highestKhz, 713875);
    EXPECT_EQ(bandLimits(kBandChn).lowestKhz, 704125);
    for (int band : {0, 4, -1}) {
        const BandLimits none = bandLimits(band);
        EXPECT_FALSE(none.valid);
        EXPECT_EQ(none.lowestKhz, 0);
        EXPECT_EQ(none.highestKhz, 0);
    }
    EXPECT_EQ(bandName(1), "USA");
    EXPECT_EQ(bandName(2), "JPN");
    EXPECT_EQ(bandName(3), "CHN");
    EXPECT_EQ(bandName(0), "");

    EXPECT_EQ(bandRangeText(1), "946.125 - 949.875");
    EXPECT_EQ(bandRangeText(2), "710.125 - 713.875");
    EXPECT_EQ(bandRangeText(3), "704.125 - 707.875");
    EXPECT_EQ(bandRangeText(0), "Non");
    EXPECT_EQ(bandRangeText(9), "0.000 - 0.000");
}

TEST(Bands, BandOfAFrequencyAtTheEdges) {
    EXPECT_EQ(bandOfFrequency(713875), kBandJpn);
    EXPECT_EQ(bandOfFrequency(710125), kBandJpn);
    EXPECT_EQ(bandOfFrequency(713876), kBandNone);
    EXPECT_EQ(bandOfFrequency(710124), kBandNone);
    EXPECT_EQ(bandOfFrequency(946125), kBandUsa);
    EXPECT_EQ(bandOfFrequency(949876), kBandNone);
    EXPECT_EQ(bandOfFrequency(707875), kBandChn);
    EXPECT_EQ(bandOfFrequency(0), kBandNone);

    EXPECT_EQ(effectiveDefaultBand(3), 3);
    EXPECT_EQ(effectiveDefaultBand(0), 2);
    EXPECT_EQ(effectiveDefaultBand(4), 2);
    EXPECT_EQ(defaultFrequencyKhz(effectiveDefaultBand(1)), 946125);
}

TEST(Bands, ThirtyOneChannelsOnTheGrid) {
    const std::vector<int32_t> values = channelValues(kBandChn);
    const std::vector<std::string> texts = channelTexts(kBandChn);
    ASSERT_EQ(values.size(), 31u);
    ASSERT_EQ(texts.size(), 31u);
    EXPECT_EQ(values.front(), 704125);
    EXPECT_EQ(values[1], 704250);
    EXPECT_EQ(values.back(), 707875);
    EXPECT_EQ(texts.front(), "704.125");
    EXPECT_EQ(texts.back(), "707.875");
    EXPECT_TRUE(channelValues(0).empty());
    EXPECT_TRUE(channelTexts(7).empty());
}

TEST(Bands, ChannelListMarksOtherReceiversInUse) {
    ReceiverTable table;
    table.count = 3;
    table.byNumber(1).setFrequencyText("710.125");
    table.byNumber(2).setFrequencyText("710.125");
    table.byNumber(3).setFrequencyText("711.000");
    table.byNumber(4).setFrequencyText("713.875"); // beyond the count: not in use

    const ChannelList first = channelList(kBandJpn, table, 1, 710125);
    ASSERT_EQ(first.channels.size(), 31u);
    EXPECT_EQ(first.selectIndex, 0);
    EXPECT_TRUE(first.channels[0].used);
    EXPECT_EQ(first.channels[0].text, "710.125");
    EXPECT_EQ(first.channels[0].khz, 710125);
    EXPECT_TRUE(first.channels[7].used);
    EXPECT_FALSE(first.channels[30].used);
    EXPECT_TRUE(channelList(kBandJpn, table, 2, 710125).channels[0].used);

    const ChannelList third = channelList(kBandJpn, table, 3, 711000);
    EXPECT_EQ(third.selectIndex, 7);
    EXPECT_FALSE(third.channels[7].used);
    EXPECT_EQ(channelList(kBandJpn, table, 4, 713875).selectIndex, 30);

    // Between two channels nothing matches, so the first channel is selected.
    table.byNumber(1).setFrequencyText("710.1");
    EXPECT_EQ(channelList(kBandJpn, table, 1, table.byNumber(1).freqKhz).selectIndex, 0);
    EXPECT_TRUE(channelList(kBandUsa, table, 1, 946125).channels.size() == 31u);
}
