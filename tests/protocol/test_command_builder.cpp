#include "protocol/command_builder.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

using namespace tessaly;

namespace {

struct Expected {
    int32_t id;
    int32_t answerKind;
    std::string line;
};

void expectItems(const std::vector<CommandItem>& items, const std::vector<Expected>& expected) {
    ASSERT_EQ(items.size(), expected.size());
    for (size_t i = 0; i < items.size(); ++i) {
        SCOPED_TRACE("item " + std::to_string(i + 1));
        EXPECT_EQ(items[i].id, expected[i].id);
        EXPECT_EQ(items[i].answerKind, expected[i].answerKind);
        EXPECT_EQ(std::string(items[i].line()), expected[i].line);
        EXPECT_EQ(items[i].length, static_cast<int32_t>(expected[i].line.size()));
    }
}

std::vector<int32_t> idsOf(const std::vector<CommandItem>& items) {
    std::vector<int32_t> ids;
    for (const CommandItem& item : items) {
        ids.push_back(item.id);
    }
    return ids;
}

ReceiverRecord micOne() {
    ReceiverRecord record;
    record.name = "MIC1";
    record.setFrequencyText("710.125");
    return record;
}

const std::vector<Expected> kCommonQueries = {
    {13, 2, ":AFV?\r\n"},        {14, 2, ":AFV:LVL?\r\n"},    {15, 2, ":ANT:SW?\r\n"},
    {16, 2, ":LOCK?\r\n"},       {47, 2, ":SQUELCH?\r\n"},    {18, 2, ":TXSET:RFP?\r\n"},
    {19, 2, ":TXSET:MICG?\r\n"}, {21, 2, ":TXSET:LOCK?\r\n"}, {22, 2, ":TXSET:BATK?\r\n"},
    {35, 2, ":SYST:INF?\r\n"},   {40, 2, ":BAND?\r\n"},
};

} // namespace

TEST(ConfigurationExchange, UploadSetsNameAndFrequencyThenQueriesTheSettings) {
    ReceiverRecord record = micOne();
    std::vector<Expected> expected = {
        {12, 2, ":NAME \"      MIC1\";:NAME?\r\n"},
        {11, 2, ":FREQ 710.1250;:FREQ?\r\n"},
    };
    expected.insert(expected.end(), kCommonQueries.begin(), kCommonQueries.end());
    expectItems(buildConfigurationExchange(record, kUploadSetMask, kUploadGetMask), expected);
}

TEST(ConfigurationExchange, DownloadQueriesNameAndFrequencyFirst) {
    ReceiverRecord record = micOne();
    std::vector<Expected> expected = {{12, 2, ":NAME?\r\n"}, {11, 2, ":FREQ?\r\n"}};
    expected.insert(expected.end(), kCommonQueries.begin(), kCommonQueries.end());
    expectItems(buildConfigurationExchange(record, kDownloadSetMask, kDownloadGetMask), expected);
    expectItems(buildConfigurationExchange(record, kInformationSetMask, kInformationGetMask),
                expected);
}

TEST(ConfigurationExchange, PadsShortNamesOnlyToTenCharacters) {
    ReceiverRecord record;
    record.name = "ABCDEFGHIJKL";
    expectItems(buildConfigurationExchange(record, kMaskName, 0),
                {{12, 2, ":NAME \"ABCDEFGHIJKL\";:NAME?\r\n"}});
    record.name = "";
    expectItems(buildConfigurationExchange(record, kMaskName, 0),
                {{12, 2, ":NAME \"          \";:NAME?\r\n"}});
}

TEST(ConfigurationExchange, FrequencySetConsumesFlagsAndAddsPendingRxTxLine) {
    ReceiverRecord record = micOne();
    record.freqChanged = 1;
    record.nameChanged = 1;
    EXPECT_EQ(buildConfigurationExchange(record, kMaskFrequency, 0).size(), 1u);
    EXPECT_EQ(record.freqChanged, 0);
    EXPECT_EQ(record.nameChanged, 0);

    record.freqChanged = 1;
    record.nameChanged = 1;
    record.rxtxChanged = 1;
    record.afVolume = 5;
    record.rxKeyLockPin = 42;
    record.rfPower = 3;
    expectItems(buildConfigurationExchange(record, kMaskFrequency, 0),
                {{11, 2, ":FREQ 710.1250;:FREQ?\r\n"},
                 {44, 2,
                  ":AFV 5;:AFV:LVL 1;:ANT:SW 0;:LOCK 0;:LOCK:PIN 0042;:SQUELCH 20;:TXSET:RFP 3;"
                  "MICG 0;LOCK 0;BATK 0;:LOCK?\r\n"}});
    EXPECT_EQ(record.freqChanged, 0);
    EXPECT_EQ(record.nameChanged, 0);
    EXPECT_EQ(record.rxtxChanged, 0);
}

TEST(ConfigurationExchange, EverySetCommandInItsOrderAndForm) {
    ReceiverRecord record = micOne();
    record.configuredIp = "192.168.0.20";
    record.subnetMask = "255.255.255.0";
    record.rxKeyLockPin = 7;
    record.dhcpServer = 1;
    record.ipSelect = 0;
    const std::vector<CommandItem> items = buildConfigurationExchange(record, 0xFFFFFFFFu, 0);
    EXPECT_EQ(idsOf(items), (std::vector<int32_t>{12, 11, 13, 14, 15, 16, 17, 47, 18, 19, 21, 22,
                                                  28, 30, 32, 37, 38}));
    ASSERT_EQ(items.size(), 17u);
    EXPECT_EQ(items[6].line(), ":LOCK:PIN 0007\r\n");
    EXPECT_EQ(items[6].answerKind, kAnswerNone);
    EXPECT_EQ(items[7].line(), ":SQUELCH 20;:SQUELCH?\r\n");
    EXPECT_EQ(items[12].line(), ":COMM:LAN:IPADR 192.168.0.20;:COMM:LAN:IPADR?\r\n");
    EXPECT_EQ(items[13].line(), ":COMM:LAN:MASK 255.255.255.0;:COMM:LAN:MASK?\r\n");
    EXPECT_EQ(items[14].line(), ":COMM:LAN:DHCPD 1;:COMM:LAN:DHCPD?\r\n");
    EXPECT_EQ(items[15].line(), ":COMM:LAN:DHCP 0;:COMM:LAN:DHCP?\r\n");
    EXPECT_EQ(items[16].line(), ":SYST:REBOOT\r\n");
    EXPECT_EQ(items[16].answerKind, kAnswerNone);
}

TEST(ConfigurationExchange, EveryQueryInItsOrderAndBitsWithoutCommandsGiveNothing) {
    ReceiverRecord record;
    const std::vector<CommandItem> items = buildConfigurationExchange(record, 0, 0xFFFFFFFFu);
    EXPECT_EQ(idsOf(items), (std::vector<int32_t>{12, 11, 13, 14, 15, 16, 47, 18, 19, 20, 21,
                                                  22, 28, 30, 32, 37, 31, 35, 43, 40, 46}));
    ASSERT_EQ(items.size(), 21u);
    EXPECT_EQ(items[18].line(), ":FREQ? MIN;:FREQ? MAX\r\n");

    const uint32_t setOnlyQueries = kMaskTransmitterInput | kMaskMacAddress | kMaskSystemInfo |
                                    kMaskFrequencyRange | kMaskBand | kMaskRemoteState;
    EXPECT_TRUE(buildConfigurationExchange(record, setOnlyQueries, 0).empty());
    EXPECT_TRUE(buildConfigurationExchange(record, 0, kMaskRxKeyLockPin | kMaskReboot).empty());
}

TEST(ConnectTimeCommand, CarriesPendingChangesAndConsumesTheirFlags) {
    ReceiverRecord record = micOne();
    CommandItem item = buildConnectTimeCommand(record);
    EXPECT_EQ(item.line(), ":REMOTE 1;:LOCK?\r\n");
    EXPECT_EQ(item.id, kItemRxTxSettings);
    EXPECT_EQ(item.answerKind, kAnswerLine);

    record.nameChanged = 1;
    item = buildConnectTimeCommand(record);
    EXPECT_EQ(item.line(), ":NAME \"MIC1\";:REMOTE 1;:LOCK?\r\n");
    EXPECT_EQ(item.id, kItemRxTxSettings);
    EXPECT_EQ(record.nameChanged, 0);

    record.freqChanged = 1;
    item = buildConnectTimeCommand(record);
    EXPECT_EQ(item.line(), ":FREQ 710.125;:REMOTE 1;:FREQ?\r\n");
    EXPECT_EQ(item.id, kItemConnectWithFrequency);
    EXPECT_EQ(record.freqChanged, 0);

    record.freqChanged = 1;
    record.nameChanged = 1;
    record.rxtxChanged = 1;
    record.rxKeyLockPin = 1234;
    item = buildConnectTimeCommand(record);
    EXPECT_EQ(item.line(), ":FREQ 710.125;:AFV 0;:AFV:LVL 1;:ANT:SW 0;:LOCK 0;:LOCK:PIN 1234;"
                           ":SQUELCH 20;:TXSET:RFP 1;MICG 0;LOCK 0;BATK 0;:NAME \"MIC1\";"
                           ":REMOTE 1;:FREQ?\r\n");
    EXPECT_EQ(item.id, kItemConnectWithFrequency);
    EXPECT_EQ(record.freqChanged + record.nameChanged + record.rxtxChanged, 0);
}

TEST(PollCommand, IsTheFixedSixValueQuery) {
    const CommandItem& poll = pollCommandItem();
    EXPECT_EQ(poll.id, 41);
    EXPECT_EQ(poll.answerKind, kAnswerLine);
    EXPECT_EQ(poll.line(), ":MON:RSSIA?;RSSIB?;AFL?;BATT?;ANTSEL?;:MUTE?\r\n");
}

// Names, frequency texts and addresses come from files and receivers unchecked: none of them
// may end a value or a line inside a command.
TEST(CommandInjection, NamesLoseQuotesSeparatorsAndLineBreaksInBothBuilders) {
    ReceiverRecord record = micOne();
    record.name = std::string("A\"B;:SYST:REBOOT\r\n\0C", 21);
    EXPECT_EQ(buildConfigurationExchange(record, kMaskName, 0).at(0).line(),
              ":NAME \"AB:SYST:REBOOTC\";:NAME?\r\n");
    record.nameChanged = 1;
    EXPECT_EQ(buildConnectTimeCommand(record).line(),
              ":NAME \"AB:SYST:REBOOTC\";:REMOTE 1;:LOCK?\r\n");
}

TEST(CommandInjection, ConnectTimeFrequencyTravelsOnlyAsAPlainNumber) {
    ReceiverRecord record;
    record.freqText = "710.125;:SYST:REBOOT";
    record.freqChanged = 1;
    EXPECT_EQ(buildConnectTimeCommand(record).line(), ":FREQ 710.125;:REMOTE 1;:FREQ?\r\n");
    record.freqText = "710.1";
    record.freqChanged = 1;
    EXPECT_EQ(buildConnectTimeCommand(record).line(), ":FREQ 710.1;:REMOTE 1;:FREQ?\r\n");
    // The configuration builder always prints the number it read.
    record.freqText = "704.125\";:SYST:REBOOT";
    EXPECT_EQ(buildConfigurationExchange(record, kMaskFrequency, 0).at(0).line(),
              ":FREQ 704.1250;:FREQ?\r\n");
}

TEST(CommandInjection, AddressesAreSentOnlyWhenTheyAreDottedIpv4) {
    ReceiverRecord record;
    record.configuredIp = "10.0.0.5;:SYST:REBOOT";
    record.subnetMask = "255.255.0.0\r\n";
    EXPECT_TRUE(buildConfigurationExchange(record, kMaskConfiguredIp | kMaskSubnetMask, 0).empty());
    record.subnetMask = "255.255.0.0";
    EXPECT_EQ(idsOf(buildConfigurationExchange(record, kMaskConfiguredIp | kMaskSubnetMask, 0)),
              std::vector<int32_t>{kItemSubnetMask});

    for (const char* good : {"0.0.0.0", "255.255.255.255", "192.168.1.20"}) {
        EXPECT_TRUE(isDottedIpv4(good)) << good;
    }
    for (const char* bad : {"", "1.2.3", "1.2.3.4.5", "1.2.3.256", "1.2.3.4 ", "1..3.4", "1.2.3.",
                            "1.2.3.0004", "a.b.c.d", "-1.2.3.4", "192.168.001.20"}) {
        EXPECT_FALSE(isDottedIpv4(bad)) << bad;
    }
}

TEST(OverlongCommands, AreLeftOutOfTheExchangeNeverCut) {
    ReceiverRecord record = micOne();
    record.name = std::string(300, 'N');
    const std::vector<CommandItem> items =
        buildConfigurationExchange(record, kUploadSetMask, kMaskBand);
    EXPECT_EQ(idsOf(items), (std::vector<int32_t>{kItemFrequency, kItemBand}));

    // A frequency whose "%.4f" form is hundreds of digits is not sent, and stays pending.
    record.freqText = "1e300";
    record.freqChanged = 1;
    record.nameChanged = 1;
    EXPECT_TRUE(buildConfigurationExchange(record, kMaskFrequency, 0).empty());
    EXPECT_EQ(record.freqChanged, 1);
    EXPECT_EQ(record.nameChanged, 1);
}

TEST(OverlongCommands, ConnectTimeLeavesOutAnOverlongNameAndKeepsItPending) {
    ReceiverRecord record = micOne();
    record.name = std::string(250, 'N');
    record.nameChanged = 1;
    record.freqChanged = 1;
    CommandItem item = buildConnectTimeCommand(record);
    EXPECT_EQ(item.line(), ":FREQ 710.125;:REMOTE 1;:FREQ?\r\n");
    EXPECT_EQ(record.nameChanged, 1);
    EXPECT_EQ(record.freqChanged, 0);

    // Everything else is bounded: the widest values and a long plain frequency text still fit.
    for (SharedInt* field :
         {&record.afVolume, &record.lineMic, &record.antennaSwitch, &record.rxKeyLock,
          &record.rxKeyLockPin, &record.squelch, &record.rfPower, &record.micGain,
          &record.txKeyLock, &record.batteryKind}) {
        *field = INT_MIN;
    }
    record.freqText = std::string(200, '7');
    record.freqChanged = 1;
    record.rxtxChanged = 1;
    item = buildConnectTimeCommand(record);
    EXPECT_EQ(item.id, kItemConnectWithFrequency);
    EXPECT_EQ(std::string(item.line()).rfind(":FREQ 2147483.647;:AFV -2147483648;", 0), 0u);
    EXPECT_LE(item.length, 255);
    EXPECT_EQ(record.rxtxChanged, 0);
    EXPECT_EQ(record.nameChanged, 1);
}
