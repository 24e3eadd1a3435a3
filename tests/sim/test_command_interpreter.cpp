#include "sim/command_interpreter.h"

#include "protocol/answer_line_collector.h"
#include "protocol/answer_parser.h"
#include "protocol/command_builder.h"
#include "protocol/frequency.h"
#include "sim/answer_delivery.h"

#include <gtest/gtest.h>

using namespace tessaly::sim;

namespace {

class CommandInterpreterTest : public ::testing::Test {
protected:
    CommandInterpreterTest() : state(makeInitialState(1, "127.0.0.1", 7, 2)) {
        levels.rfA = -52.5;
        levels.rfB = -61.0;
        levels.af = -18.3;
        levels.battery = 3;
        levels.antennaSelect = 1;
        levels.mute = 0;
    }

    LineOutcome run(std::string_view line) {
        return interpretLine(line, state, [this] {
            ++levelReads;
            return levels;
        });
    }

    ReceiverState state;
    LiveLevels levels;
    int levelReads = 0;
};

TEST_F(CommandInterpreterTest, KeywordWithoutColonContinuesThePreviousPath) {
    EXPECT_FALSE(run(":TXSET:RFP 2;MICG 4;LOCK 1;BATK 1").hasQuery);
    EXPECT_EQ(state.rfPower, 2);
    EXPECT_EQ(state.micGain, 4);
    EXPECT_EQ(state.txKeyLock, 1);
    EXPECT_EQ(state.batteryKind, 1);
    EXPECT_EQ(state.rxKeyLock, 0) << "LOCK after :TXSET: must not reach the RX key lock";

    EXPECT_EQ(run(":AFV -4;:AFV:LVL 1;:LOCK 1;:TXSET:MICG?;:LOCK?;LVL?").answer(), "4;1;")
        << "LVL after :LOCK? continues the root, where there is no LVL";
    EXPECT_EQ(state.afVolume, -4);
    EXPECT_EQ(state.lineMic, 1);
}

TEST_F(CommandInterpreterTest, PollAnswersAllSixValuesInOneLineReadingLevelsOnce) {
    const LineOutcome outcome = run(":MON:RSSIA?;RSSIB?;AFL?;BATT?;ANTSEL?;:MUTE?");
    EXPECT_TRUE(outcome.hasQuery);
    EXPECT_TRUE(outcome.monitorQuery);
    EXPECT_EQ(outcome.answer(), "-52.5;-61.0;-18.3;3;1;0");
    EXPECT_EQ(levelReads, 1);

    EXPECT_EQ(run(":NAME?").monitorQuery, false);
    EXPECT_EQ(levelReads, 1) << "a line without monitor queries must not compute levels";
}

TEST_F(CommandInterpreterTest, NameIsStoredBareAndAnsweredRightAlignedInTenCharacters) {
    EXPECT_EQ(run(":NAME \"      MIC1\";:NAME?").answer(), "\"      MIC1\"");
    EXPECT_EQ(state.name, "MIC1");
    run(":NAME \"MIC2\"");
    EXPECT_EQ(run(":NAME?").answer(), "\"      MIC2\"");
    run(":NAME \"LONG NAME 12\"");
    EXPECT_EQ(run(":NAME?").answer(), "\"LONG NAME 12\"");
    run(":NAME \"A;B\"");
    EXPECT_EQ(state.name, "A;B") << "a ';' inside quotes does not split commands";
    run(":NAME \"" + std::string(100, 'X') + "\"");
    EXPECT_EQ(state.name.size(), kMaxStoredNameLength);
}

TEST_F(CommandInterpreterTest, FrequencyWithFourDecimalsAndRangeOfTheBand) {
    EXPECT_EQ(run(":FREQ 711.1250;:FREQ?").answer(), "711.1250");
    EXPECT_EQ(state.freqKhz, 711125);
    EXPECT_EQ(run(":FREQ 711.1;:FREQ?").answer(), "711.1000") << "off the channel grid is kept";
    EXPECT_EQ(run(":FREQ? MIN;:FREQ? MAX").answer(), "710.1250;713.8750");

    run(":FREQ 946.125");
    EXPECT_EQ(state.freqKhz, 711100) << "a frequency outside the band leaves the channel";
    run(":FREQ abc");
    EXPECT_EQ(state.freqKhz, 711100);
}

TEST_F(CommandInterpreterTest, EverySettingOfTheTableRoundTrips) {
    run(":AFV -8;:AFV:LVL 1;:ANT:SW 1;:LOCK 1;:LOCK:PIN 0042;:SQUELCH 32;:TXSET:RFP 3;MICG 14;"
        "LOCK 1;BATK 1");
    EXPECT_EQ(run(":AFV?;:AFV:LVL?;:ANT:SW?;:LOCK?;:LOCK:PIN?;:SQUELCH?;:TXSET:RFP?;MICG?;LOCK?;"
                  "BATK?")
                  .answer(),
              "-8;1;1;1;0042;32;3;14;1;1");

    run(":COMM:LAN:IPADR 192.168.1.20;:COMM:LAN:MASK 255.255.0.0;:COMM:LAN:DHCPD 1;"
        ":COMM:LAN:DHCP 1");
    EXPECT_EQ(run(":COMM:LAN:IPADR?;MASK?;DHCPD?;DHCP?").answer(), "192.168.1.20;255.255.0.0;1;1");
    run(":COMM:LAN:IPADR 300.1.1.1;:COMM:LAN:MASK nonsense");
    EXPECT_EQ(state.configuredIp, "192.168.1.20");
    EXPECT_EQ(state.subnetMask, "255.255.0.0");

    EXPECT_EQ(run(":REMOTE 1;:REMOTE?").answer(), "1");
    EXPECT_EQ(run(":BAND?;:TXSET:INPUT?").answer(), "2;0");
}

TEST_F(CommandInterpreterTest, IdentityOfTheReceiver) {
    const std::string mac = run(":COMM:LAN:MAC?").answer();
    ASSERT_EQ(mac.size(), 17u);
    EXPECT_EQ(mac.substr(0, 9), "0A-54-53-");
    EXPECT_EQ(mac.substr(15), "01");
    for (char c : mac) {
        EXPECT_TRUE(c == '-' || (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F')) << mac;
    }
    const std::string info = run(":SYST:INF?").answer();
    EXPECT_EQ(info.rfind("TESSALY-SIM,RX1,1.00,S", 0), 0u) << info;
    EXPECT_EQ(std::count(info.begin(), info.end(), ','), 3);
}

TEST_F(CommandInterpreterTest, UnknownAndMalformedCommandsAreHarmless) {
    const ReceiverState before = state;
    EXPECT_EQ(run(":FOO?;:NAME?;:BAR:BAZ?").answer(), ";\"       RX1\";");
    EXPECT_FALSE(run(":FOO 3;:AFV nonsense;;;  ;:").hasQuery);
    EXPECT_EQ(state.afVolume, before.afVolume);
    EXPECT_FALSE(run("?").hasQuery) << "a bare '?' names nothing to query";
    EXPECT_FALSE(run("").hasQuery);
    EXPECT_EQ(run("  :afv?  ").answer(), std::to_string(before.afVolume))
        << "keywords are case-insensitive and blanks around commands are ignored";
}

TEST_F(CommandInterpreterTest, RebootIsReportedWithoutAnswer) {
    const LineOutcome outcome = run(":SYST:REBOOT");
    EXPECT_TRUE(outcome.reboot);
    EXPECT_FALSE(outcome.hasQuery);
}

} // namespace

TEST(CommandInterpreterInput, RandomLinesNeverAnswerMoreValuesThanTheyAsk) {
    ReceiverState state = makeInitialState(1, "127.0.0.1", 1, 2);
    const std::string alphabet = ":;?\" ABCDEFGHIKLMNOPQRSTUVWXYZ0123456789.-\t*";
    uint64_t bits = 12345;
    for (int line = 0; line < 5000; ++line) {
        std::string text;
        bits = bits * 6364136223846793005ULL + 1442695040888963407ULL;
        const int length = static_cast<int>((bits >> 40) % 120);
        for (int i = 0; i < length; ++i) {
            bits = bits * 6364136223846793005ULL + 1442695040888963407ULL;
            text.push_back(alphabet[(bits >> 33) % alphabet.size()]);
        }
        const LineOutcome outcome = interpretLine(text, state, [] { return LiveLevels{}; });
        ASSERT_LE(outcome.values.size(),
                  static_cast<size_t>(std::count(text.begin(), text.end(), '?')))
            << text;
        ASSERT_EQ(outcome.hasQuery, !outcome.values.empty()) << text;
        ASSERT_LE(state.name.size(), kMaxStoredNameLength);
    }
}

// The program's own builders and parsers against the simulated receiver: what the engines send
// must do what they mean, and what the receiver answers must parse back.
class CommandInterpreterWithProgram : public ::testing::Test {
protected:
    std::string exchange(const tessaly::CommandItem& item) {
        std::string_view line = item.line();
        EXPECT_TRUE(line.ends_with("\r\n"));
        line.remove_suffix(2);
        const LineOutcome outcome = interpretLine(line, state, [this] { return levels; });
        EXPECT_EQ(outcome.hasQuery, item.answerKind == tessaly::kAnswerLine) << line;
        return outcome.answer();
    }

    ReceiverState state = makeInitialState(4, "127.0.0.4", 3, 2);
    LiveLevels levels;
};

TEST_F(CommandInterpreterWithProgram, UploadThenDownloadCarriesNameFrequencyAndSettings) {
    tessaly::ReceiverRecord record;
    record.name = "MIC1";
    record.setFrequencyText("712.375");
    for (const auto& item : tessaly::buildConfigurationExchange(record, tessaly::kUploadSetMask,
                                                                tessaly::kUploadGetMask)) {
        tessaly::parseConfigurationAnswer(item.id, exchange(item), record);
    }
    EXPECT_EQ(state.name, "MIC1");
    EXPECT_EQ(state.freqKhz, 712375);
    EXPECT_EQ(record.systemInfo, state.systemInfo.substr(state.systemInfo.find(',') + 1));
    EXPECT_EQ(record.band, 2);

    state.afVolume = -10;
    state.squelch = 38;
    state.micGain = 16;
    state.name = "VOX";
    tessaly::ReceiverRecord downloaded;
    for (const auto& item : tessaly::buildConfigurationExchange(
             downloaded, tessaly::kDownloadSetMask, tessaly::kDownloadGetMask)) {
        tessaly::parseConfigurationAnswer(item.id, exchange(item), downloaded);
    }
    EXPECT_EQ(downloaded.name, "VOX");
    EXPECT_EQ(downloaded.freqText, "712.375");
    EXPECT_EQ(downloaded.afVolume, -10);
    EXPECT_EQ(downloaded.squelch, 38);
    EXPECT_EQ(downloaded.micGain, 16);
    EXPECT_EQ(downloaded.lineMic, state.lineMic);

    tessaly::ReceiverRecord info;
    for (const auto& item : tessaly::buildConfigurationExchange(
             info, 0,
             tessaly::kMaskMacAddress | tessaly::kMaskFrequencyRange | tessaly::kMaskIpSelect)) {
        tessaly::parseConfigurationAnswer(item.id, exchange(item), info);
    }
    EXPECT_EQ(info.mac, state.mac);
    EXPECT_EQ(info.lowestFreqKhz, 710125);
    EXPECT_EQ(info.highestFreqKhz, 713875);
    EXPECT_EQ(info.ipSelect, 0);
}

TEST_F(CommandInterpreterWithProgram, ConnectTimeCommandAppliesPendingChangesAndTakesRemote) {
    tessaly::ReceiverRecord record;
    record.name = "GTR";
    record.setFrequencyText("711.000");
    record.afVolume = -4;
    record.rxKeyLockPin = 7;
    record.rfPower = 3;
    record.batteryKind = 1;
    record.freqChanged = 1;
    record.nameChanged = 1;
    record.rxtxChanged = 1;
    const tessaly::CommandItem item = tessaly::buildConnectTimeCommand(record);
    tessaly::MonitorValues values;
    EXPECT_EQ(tessaly::parseMonitorAnswer(item.id, exchange(item), values).code,
              tessaly::kMonitorParseOk);
    EXPECT_EQ(values.freqKhz, 711000);
    EXPECT_EQ(state.name, "GTR");
    EXPECT_EQ(state.afVolume, -4);
    EXPECT_EQ(state.rxKeyLockPin, 7);
    EXPECT_EQ(state.rfPower, 3);
    EXPECT_EQ(state.batteryKind, 1);
    EXPECT_EQ(state.remote, 1);

    levels = LiveLevels{-52.5, -61.0, -18.3, 3, 1, 0};
    EXPECT_EQ(tessaly::parseMonitorAnswer(tessaly::kItemPoll, exchange(tessaly::pollCommandItem()),
                                          values)
                  .code,
              tessaly::kMonitorParseOk);
    EXPECT_EQ(values.rfLevelA, -525);
    EXPECT_EQ(values.rfLevelB, -610);
    EXPECT_EQ(values.afLevel, -183);
    EXPECT_EQ(values.battery, 3);
    EXPECT_EQ(values.antennaSelect, 1);
    EXPECT_EQ(values.mute, 0);
}

TEST_F(CommandInterpreterWithProgram, ShapedAnswersReachTheProgramsParserAsTheyShould) {
    levels = LiveLevels{-52.5, -61.0, -18.3, 3, 1, 0};
    LineOutcome outcome =
        interpretLine(tessaly::kPollCommandText, state, [this] { return levels; });
    tessaly::AnswerLineCollector collector;
    tessaly::MonitorValues values;

    // Padded in front with blanks, the over-long line and the large block still end in the
    // whole answer once the program's 256-character gathering has dropped the rest.
    for (const Fault& fault : {makeFault(FaultKind::LongLine), makeFault(FaultKind::LargeBlock)}) {
        const auto lines = collector.feed(deliveryFor(outcome, fault, 1)->bytes);
        ASSERT_EQ(lines.size(), 1u);
        values = tessaly::MonitorValues{};
        EXPECT_EQ(tessaly::parseMonitorAnswer(tessaly::kItemPoll, lines[0], values).code,
                  tessaly::kMonitorParseOk);
        EXPECT_EQ(values.rfLevelB, -610);
    }
    const auto shortLines =
        collector.feed(deliveryFor(outcome, makeFault(FaultKind::ShortAnswer), 1)->bytes);
    ASSERT_EQ(shortLines.size(), 1u);
    const auto result = tessaly::parseMonitorAnswer(tessaly::kItemPoll, shortLines[0], values);
    EXPECT_EQ(result.code, tessaly::kMonitorParseShortage);
    EXPECT_EQ(result.message, "Answer Data Shortage [3/6]");
}

TEST_F(CommandInterpreterTest, IgnoringReceiverKeepsNameAndFrequencyButTakesOtherSets) {
    const ReceiverState before = state;
    const std::string line = ":NAME \"     Other\";:NAME?;:FREQ " +
                             tessaly::khzToText(before.highestKhz) + ";:FREQ?;:AFV -6";
    const LineOutcome outcome = interpretLine(
        line, state, [this] { return levels; }, true);
    EXPECT_EQ(outcome.answer(), quotedName(before.name) + ";" + before.frequencyText());
    EXPECT_EQ(state.name, before.name);
    EXPECT_EQ(state.freqKhz, before.freqKhz);
    EXPECT_EQ(state.afVolume, -6) << "only the name and frequency are ignored";
}
