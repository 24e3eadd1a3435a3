#include "sim/command_interpreter.h"

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
