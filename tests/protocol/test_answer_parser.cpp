#include "protocol/answer_parser.h"
#include "protocol/command_builder.h"

#include <gtest/gtest.h>

#include <climits>

using namespace tessaly;

TEST(ConfigurationParser, NameWithOrWithoutItsQuotesAndPadding) {
    ReceiverRecord record;
    parseConfigurationAnswer(kItemName, "\"      MIC1\"", record);
    EXPECT_EQ(record.name, "MIC1");
    parseConfigurationAnswer(kItemName, "MIC2", record);
    EXPECT_EQ(record.name, "MIC2");
    parseConfigurationAnswer(kItemName, "\"\"", record);
    EXPECT_EQ(record.name, "");
}

TEST(ConfigurationParser, FrequencyIsStoredInOurOwnForm) {
    ReceiverRecord record;
    parseConfigurationAnswer(kItemFrequency, "710.1250", record);
    EXPECT_EQ(record.freqKhz, 710125);
    EXPECT_EQ(record.freqText, "710.125");
}

TEST(ConfigurationParser, IntegerAnswersGoToTheirFields) {
    struct Case {
        int32_t id;
        SharedInt ReceiverRecord::*field;
    };
    const Case cases[] = {
        {13, &ReceiverRecord::afVolume},      {14, &ReceiverRecord::lineMic},
        {15, &ReceiverRecord::antennaSwitch}, {16, &ReceiverRecord::rxKeyLock},
        {18, &ReceiverRecord::rfPower},       {19, &ReceiverRecord::micGain},
        {21, &ReceiverRecord::txKeyLock},     {22, &ReceiverRecord::batteryKind},
        {32, &ReceiverRecord::dhcpServer},    {37, &ReceiverRecord::ipSelect},
        {40, &ReceiverRecord::band},          {47, &ReceiverRecord::squelch},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.id);
        ReceiverRecord record;
        parseConfigurationAnswer(c.id, " -17xyz", record);
        EXPECT_EQ(record.*c.field, -17);
        parseConfigurationAnswer(c.id, "none", record);
        EXPECT_EQ(record.*c.field, 0);
    }
    EXPECT_EQ(parseLeadingInt("+42;7"), 42);
    EXPECT_EQ(parseLeadingInt("99999999999"), INT32_MAX);
    EXPECT_EQ(parseLeadingInt("-99999999999"), INT32_MIN);
    EXPECT_EQ(parseLeadingInt("--5"), 0);
}

TEST(ConfigurationParser, TextAnswersAndSystemInformation) {
    ReceiverRecord record;
    parseConfigurationAnswer(kItemConfiguredIp, "192.168.0.20", record);
    parseConfigurationAnswer(kItemSubnetMask, "255.255.255.0", record);
    parseConfigurationAnswer(kItemMacAddress, "0A-54-53-00-00-01", record);
    EXPECT_EQ(record.configuredIp, "192.168.0.20");
    EXPECT_EQ(record.subnetMask, "255.255.255.0");
    EXPECT_EQ(record.mac, "0A-54-53-00-00-01");

    parseConfigurationAnswer(kItemSystemInfo, "RX-100,1.02,A", record);
    EXPECT_EQ(record.systemInfo, "1.02,A");
    parseConfigurationAnswer(kItemSystemInfo, "RX-100", record);
    EXPECT_EQ(record.systemInfo, "");
}

TEST(ConfigurationParser, FrequencyRangeSplitsAtTheSemicolon) {
    ReceiverRecord record;
    parseConfigurationAnswer(kItemFrequencyRange, "704.125;707.875", record);
    EXPECT_EQ(record.lowestFreqKhz, 704125);
    EXPECT_EQ(record.highestFreqKhz, 707875);
    parseConfigurationAnswer(kItemFrequencyRange, "710.125", record);
    EXPECT_EQ(record.lowestFreqKhz, 710125);
    EXPECT_EQ(record.highestFreqKhz, 707875);
}

TEST(ConfigurationParser, AnswersThatOnlyConfirmStoreNothing) {
    for (int32_t id : {kItemTransmitterInput, kItemReboot, kItemRxTxSettings, kItemRemoteState}) {
        ReceiverRecord record;
        parseConfigurationAnswer(id, "7", record);
        EXPECT_EQ(record.freqKhz, 0);
        EXPECT_EQ(record.rxKeyLock, 0);
        EXPECT_EQ(record.band, -1);
    }
}

TEST(MonitorParser, PollStoresSixFieldsInTenthsAndIntegers) {
    MonitorValues values;
    const MonitorParseResult result =
        parseMonitorAnswer(kItemPoll, "-45.5;-60.0;-12.3;3;1;0;extra", values);
    EXPECT_EQ(result.code, kMonitorParseOk);
    EXPECT_EQ(result.message, "");
    EXPECT_EQ(values.rfLevelA, -455);
    EXPECT_EQ(values.rfLevelB, -600);
    EXPECT_EQ(values.afLevel, -123);
    EXPECT_EQ(values.battery, 3);
    EXPECT_EQ(values.antennaSelect, 1);
    EXPECT_EQ(values.mute, 0);

    parseMonitorAnswer(kItemPoll, "-45.5;;-12.3;3;1;1", values);
    EXPECT_EQ(values.rfLevelB, 0);
    EXPECT_EQ(values.mute, 1);
}

TEST(MonitorParser, ShortPollKeepsWhatItReadAndReportsTheCount) {
    MonitorValues values;
    MonitorParseResult result = parseMonitorAnswer(kItemPoll, "-45.5;-60.0;-12.3", values);
    EXPECT_EQ(result.code, kMonitorParseShortage);
    EXPECT_EQ(result.message, "Answer Data Shortage [3/6]");
    EXPECT_EQ(values.rfLevelA, -455);
    EXPECT_EQ(values.afLevel, -123);
    EXPECT_EQ(values.battery, -1);

    result = parseMonitorAnswer(kItemPoll, "", values);
    EXPECT_EQ(result.code, kMonitorParseShortage);
    EXPECT_EQ(result.message, "Answer Data Shortage [0/6]");

    // A final ";" does not open a sixth field.
    result = parseMonitorAnswer(kItemPoll, "1;2;3;4;5;", values);
    EXPECT_EQ(result.message, "Answer Data Shortage [5/6]");
    EXPECT_EQ(values.antennaSelect, 5);
}

TEST(MonitorParser, ConnectTimeAnswersAndForeignItems) {
    MonitorValues values;
    EXPECT_EQ(parseMonitorAnswer(kItemConnectWithFrequency, "710.1250", values).code,
              kMonitorParseOk);
    EXPECT_EQ(values.freqKhz, 710125);
    EXPECT_EQ(parseMonitorAnswer(kItemRxTxSettings, "1", values).code, kMonitorParseOk);

    MonitorValues untouched;
    for (int32_t id : {kItemFrequency, kItemName, 0}) {
        const MonitorParseResult result = parseMonitorAnswer(id, "1;2;3;4;5;6", untouched);
        EXPECT_EQ(result.code, kMonitorParseUnknownItem);
    }
    EXPECT_EQ(untouched.rfLevelA, kNoLevel);
    EXPECT_EQ(untouched.freqKhz, -1);
    EXPECT_EQ(untouched.mute, -1);
}
