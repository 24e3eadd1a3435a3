#include "protocol/environment_file.h"
#include "protocol/ini_file.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

using namespace tessaly;
using tessaly::testing::TempDir;

namespace {

struct Loaded {
    ReceiverTable table;
    DisplayState display;
};

Loaded readText(const std::string& content, const Settings& settings = Settings{},
                const DisplayState& display = DisplayState{}) {
    TempDir dir;
    Loaded loaded;
    loaded.display = display;
    readEnvironmentFile(dir.write("env.ini", content), loaded.table, settings, loaded.display);
    return loaded;
}

} // namespace

TEST(EnvironmentFile, MissingFileReadsAsEmpty) {
    TempDir dir;
    Loaded loaded;
    loaded.display.matrix[0] = {2, 30};
    loaded.table.count = 5;
    readEnvironmentFile(dir.file("absent.ini"), loaded.table, Settings{}, loaded.display);
    EXPECT_EQ(loaded.table.count, 0);
    EXPECT_EQ(loaded.table.displayMode, 0);
    EXPECT_EQ(loaded.display.posHor, WindowRect{});
    EXPECT_EQ(loaded.display.rfUnit, 0);
    EXPECT_EQ(loaded.display.matrix[0], (MatrixPair{2, 30}));
    EXPECT_EQ(loaded.table.records[0].freqText, "710.125");
}

TEST(EnvironmentFile, CountIsCutToSixtyAndNegativeReadsNothing) {
    std::string content = "[receiver]\ncnt=75\n";
    for (int n = 1; n <= 75; ++n) {
        content += "[recv" + std::to_string(n) + "]\nname=R" + std::to_string(n) + "\n";
    }
    const Loaded many = readText(content);
    EXPECT_EQ(many.table.count, 60);
    EXPECT_EQ(many.table.byNumber(60).name, "R60");
    EXPECT_EQ(readText("[receiver]\ncnt=-3\n[recv1]\nname=A\n").table.count, 0);
}

TEST(EnvironmentFile, FrequencyAndBandRules) {
    Settings usa;
    usa.defaultBand = 1;
    usa.defaultFreqKhz = 946125;
    usa.defaultFreqText = "946.125";
    const Loaded loaded = readText("[receiver]\ncnt=4\n[recv1]\nname=A\n[recv2]\nfreq=800.125\n"
                                   "[recv3]\nfreq=\n[recv4]\nfreq=706.000\n",
                                   usa);
    const ReceiverTable& t = loaded.table;
    EXPECT_EQ(t.records[0].freqText, "946.125");
    EXPECT_EQ(t.records[0].band, 1);
    EXPECT_EQ(t.records[1].freqText, "800.125");
    EXPECT_EQ(t.records[1].freqKhz, 800125);
    EXPECT_EQ(t.records[1].band, 1); // in no band: the default band
    EXPECT_EQ(t.records[2].freqText, "946.125");
    EXPECT_EQ(t.records[3].band, 3);
}

TEST(EnvironmentFile, ColoursCommentsAndIntegers) {
    const Loaded loaded =
        readText("[receiver]\ncnt=2\n[recv1]\ndev_col=0x000000FF,0x0000FF00\ncomment=a\tb\n"
                 "Squelch=7\nRxKeyLockPin=0042\n[recv2]\n");
    const ReceiverRecord& first = loaded.table.records[0];
    EXPECT_EQ(first.colors[0], 0x000000FFu);
    EXPECT_EQ(first.colors[1], 0x0000FF00u);
    EXPECT_EQ(first.colors[2], 0x0029110Fu);
    EXPECT_EQ(first.colors[3], 0x007F4000u);
    EXPECT_EQ(first.comment, "a\r\nb");
    EXPECT_EQ(first.squelch, 7);
    EXPECT_EQ(first.rxKeyLockPin, 42);
    EXPECT_EQ(first.lineMic, 1);
    const ReceiverRecord& second = loaded.table.records[1];
    EXPECT_EQ(second.colors[0], 0x00d1af9eu); // the key's own default when it is absent
    EXPECT_EQ(second.colors[3], 0x009d6651u);
}

TEST(EnvironmentFile, DisplayStateRules) {
    DisplayState before;
    before.layoutMode = 3;
    before.rfUnit = 1;
    before.posVer = {1, 2, 3, 4};
    const Loaded bad =
        readText("[monitor]\nmode=7\n[scale]\nRF=5\n[window]\npos_ver=10,20\n"
                 "[disp_matrix]\nver_normal=0,5\nhor_normal=61,1\nver_compact=4,15\n",
                 Settings{}, before);
    EXPECT_EQ(bad.table.displayMode, 3); // out of range keeps the current mode
    EXPECT_EQ(bad.display.rfUnit, 1);
    EXPECT_EQ(bad.display.posVer, (WindowRect{10, 20, 3, 4}));
    EXPECT_EQ(bad.display.matrix[0], before.matrix[0]);
    EXPECT_EQ(bad.display.matrix[1], before.matrix[1]);
    EXPECT_EQ(bad.display.matrix[2], (MatrixPair{4, 15}));

    const Loaded good = readText("[monitor]\nmode=2\n[scale]\nRF=1\n", Settings{}, DisplayState{});
    EXPECT_EQ(good.table.displayMode, 2);
    EXPECT_EQ(good.display.rfUnit, 1);
}

TEST(EnvironmentFile, RoundTripsThroughWriteAndRead) {
    TempDir dir;
    ReceiverTable table;
    table.count = 3;
    for (int n = 1; n <= 3; ++n) {
        ReceiverRecord& r = table.byNumber(n);
        r.ip = "192.168.1." + std::to_string(10 + n);
        r.mac = "0A-54-53-00-00-0" + std::to_string(n);
        r.name = "MIC " + std::to_string(n);
        r.setFrequencyText(n == 3 ? "705.250" : "710.125");
        r.comment = "line one\r\nline two";
        r.colors = {0x11, 0x22, 0x33, 0x00ABCDEF};
        r.afVolume = n;
        r.lineMic = 0;
        r.antennaSwitch = 1;
        r.rxKeyLock = 1;
        r.rxKeyLockPin = 7;
        r.squelch = 23;
        r.rfPower = 3;
        r.micGain = -2;
        r.txKeyLock = 1;
        r.batteryKind = 1;
    }
    table.records[1].name = "Sänger\xff"; // bytes round-trip as they are
    DisplayState display;
    display.layoutMode = 2;
    display.rfUnit = 1;
    display.posHor = {10, 20, 1000, 700};
    display.matrix[2] = {4, 15};
    const std::string path = dir.file("show.ini");
    ASSERT_TRUE(writeEnvironmentFile(path, table, display));

    ReceiverTable back;
    DisplayState backDisplay;
    readEnvironmentFile(path, back, Settings{}, backDisplay);
    ASSERT_EQ(back.count, 3);
    EXPECT_EQ(back.displayMode, 2);
    EXPECT_EQ(backDisplay.rfUnit, 1);
    EXPECT_EQ(backDisplay.posHor, display.posHor);
    EXPECT_EQ(backDisplay.matrix, display.matrix);
    for (int n = 1; n <= 3; ++n) {
        const ReceiverRecord& a = table.byNumber(n);
        const ReceiverRecord& b = back.byNumber(n);
        EXPECT_EQ(b.ip, a.ip);
        EXPECT_EQ(b.mac, a.mac);
        EXPECT_EQ(b.name, a.name);
        EXPECT_EQ(b.freqText, a.freqText);
        EXPECT_EQ(b.freqKhz, a.freqKhz);
        EXPECT_EQ(b.comment, a.comment);
        EXPECT_EQ(b.colors, a.colors);
        EXPECT_EQ(b.afVolume, a.afVolume);
        EXPECT_EQ(b.lineMic, a.lineMic);
        EXPECT_EQ(b.antennaSwitch, a.antennaSwitch);
        EXPECT_EQ(b.rxKeyLock, a.rxKeyLock);
        EXPECT_EQ(b.rxKeyLockPin, a.rxKeyLockPin);
        EXPECT_EQ(b.squelch, a.squelch);
        EXPECT_EQ(b.rfPower, a.rfPower);
        EXPECT_EQ(b.micGain, a.micGain);
        EXPECT_EQ(b.txKeyLock, a.txKeyLock);
        EXPECT_EQ(b.batteryKind, a.batteryKind);
    }
    // Written a second time, the file is byte for byte the same.
    const std::string first = dir.read("show.ini");
    backDisplay.layoutMode = back.displayMode; // the view takes the mode from the table
    ASSERT_TRUE(writeEnvironmentFile(path, back, backDisplay));
    EXPECT_EQ(dir.read("show.ini"), first);
}

TEST(EnvironmentFile, WritesKeysInOrderAndKeepsSurplusSections) {
    TempDir dir;
    ReceiverTable five;
    five.count = 5;
    const std::string path = dir.file("env.ini");
    ASSERT_TRUE(writeEnvironmentFile(path, five, DisplayState{}));
    const std::string text = dir.read("env.ini");
    EXPECT_EQ(text.rfind("[monitor]\r\nmode=1\r\n[window]\r\npos_hor=-1,-1,-1,-1\r\n", 0), 0u);
    EXPECT_NE(text.find("[recv1]\r\nmac=\r\nip=\r\nname=\r\nfreq=\r\nVolume=0\r\nLineMic=1\r\n"
                        "Antenna=0\r\nRxKeyLock=0\r\nRxKeyLockPin=0\r\nSquelch=20\r\nRFPower=1\r\n"
                        "MicGain=0\r\nTxKeyLock=0\r\nBatteryKind=0\r\n"
                        "dev_col=0x00FF8000,0x002F1209,0x0029110F,0x007F4000\r\ncomment=\r\n"),
              std::string::npos);

    ReceiverTable two;
    two.count = 2;
    ASSERT_TRUE(writeEnvironmentFile(path, two, DisplayState{}));
    const IniFile ini = IniFile::load(path);
    EXPECT_TRUE(ini.hasKey("recv5", "name"));
    ReceiverTable back;
    DisplayState display;
    readEnvironmentFile(path, back, Settings{}, display);
    EXPECT_EQ(back.count, 2);
}

TEST(EnvironmentFile, FailedSaveLeavesTheOldFile) {
    if (::geteuid() == 0) {
        GTEST_SKIP() << "root writes into read-only directories";
    }
    TempDir dir;
    const std::string path = dir.write("env.ini", "[receiver]\ncnt=0\n");
    ::chmod(dir.path().c_str(), 0555);
    ReceiverTable table;
    table.count = 1;
    std::string error;
    EXPECT_FALSE(writeEnvironmentFile(path, table, DisplayState{}, &error));
    ::chmod(dir.path().c_str(), 0755);
    EXPECT_EQ(dir.read("env.ini"), "[receiver]\ncnt=0\n");
}

TEST(EnvironmentFile, HostileTextsCannotAddKeys) {
    TempDir dir;
    ReceiverTable table;
    table.count = 1;
    table.records[0].name = "x\r\n[receiver]\r\ncnt=60";
    const std::string path = dir.file("env.ini");
    ASSERT_TRUE(writeEnvironmentFile(path, table, DisplayState{}));
    ReceiverTable back;
    DisplayState display;
    readEnvironmentFile(path, back, Settings{}, display);
    EXPECT_EQ(back.count, 1);
}

TEST(EnvironmentFile, ShowEndSurvivesASaveOfTheTable) {
    TempDir dir;
    const std::string path = dir.write("env.ini", "[recv]\ncnt=0\n");
    EXPECT_EQ(readShowEnd(path), "");
    ASSERT_TRUE(writeShowEnd(path, "22:30"));
    ASSERT_TRUE(writeEnvironmentFile(path, ReceiverTable{}, DisplayState{}));
    EXPECT_EQ(readShowEnd(path), "22:30");
    ASSERT_TRUE(writeShowEnd(path, ""));
    EXPECT_EQ(readShowEnd(path), "");
}
