#include "protocol/settings.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include <unistd.h>

using namespace tessaly;
using tessaly::testing::TempDir;

namespace {

Settings readWith(const std::string& content) {
    TempDir dir;
    const std::string path = dir.write("Tessaly.ini", content);
    return readSettingsFile(path, dir.path());
}

} // namespace

TEST(Settings, MissingFileGivesEveryDefault) {
    TempDir dir;
    const Settings s = readSettingsFile(dir.file("Tessaly.ini"), dir.path());
    EXPECT_EQ(s.splashTimeSec, 3);
    EXPECT_EQ(s.commPort, 5025);
    EXPECT_EQ(s.commTimeoutMs, 3000);
    EXPECT_EQ(s.commIntervalMs, 100);
    EXPECT_EQ(s.commDebug, 0);
    ASSERT_EQ(s.macMasks.size(), 1u);
    EXPECT_EQ(s.macMasks[0], (std::vector<uint8_t>{0x0A, 0x54, 0x53}));
    EXPECT_EQ(s.monitorMode, 1);
    EXPECT_EQ(s.monitorIntervalMs, 100);
    EXPECT_EQ(s.matrix[0], (MatrixPair{1, 60}));
    EXPECT_EQ(s.matrix[1], (MatrixPair{60, 1}));
    EXPECT_EQ(s.matrix[2], (MatrixPair{3, 20}));
    EXPECT_EQ(s.matrix[3], (MatrixPair{30, 2}));
    EXPECT_EQ(s.defaultBand, 2);
    EXPECT_EQ(s.defaultFreqKhz, 710125);
    EXPECT_EQ(s.defaultFreqText, "710.125");
    EXPECT_EQ(s.helpUrl, "docs\\Tessaly_e.chm");
    EXPECT_EQ(s.dispBand, 0);
}

TEST(Settings, VendorMasks) {
    Settings two = readWith("[mac]\ncnt=2\nmask1=0x00,1B,2c\n");
    ASSERT_EQ(two.macMasks.size(), 2u);
    EXPECT_EQ(two.macMasks[0], (std::vector<uint8_t>{0x00, 0x1B, 0x2C}));
    EXPECT_TRUE(two.macMasks[1].empty());

    EXPECT_TRUE(readWith("[mac]\ncnt=0\n").macMasks.empty());
    EXPECT_TRUE(readWith("[mac]\ncnt=-5\n").macMasks.empty());
    // A hostile count is bounded instead of read for ever.
    EXPECT_LE(readWith("[mac]\ncnt=2000000000\n").macMasks.size(), 64u);
    EXPECT_EQ(readWith("[mac]\ncnt=1\nmask1=1FF,2\n").macMasks[0], (std::vector<uint8_t>{0xFF, 2}));
}

TEST(Settings, BandsModesAndPairs) {
    const Settings s = readWith("[band]\ndefault_band=7\n[monitor]\nhor_normal=5\n"
                                "ver_normal=0,5\nhor_compact=61,1\nmode=9\n");
    EXPECT_EQ(s.defaultBand, 2);
    EXPECT_EQ(s.defaultFreqKhz, 710125);
    EXPECT_EQ(s.matrix[1], (MatrixPair{5, 1}));
    EXPECT_EQ(s.matrix[0], (MatrixPair{1, 60})); // out of range keeps the default
    EXPECT_EQ(s.matrix[3], (MatrixPair{30, 2}));
    EXPECT_EQ(s.monitorMode, 1);

    const Settings usa = readWith("[band]\ndefault_band=1\n[monitor]\nmode=abc\n");
    EXPECT_EQ(usa.defaultFreqText, "946.125");
    EXPECT_EQ(usa.monitorMode, 0); // non-numeric reads as 0
    EXPECT_EQ(readWith("[band]\ndefault_band=3\n").defaultFreqText, "704.125");
}

TEST(Settings, LongValuesAreCut) {
    const Settings s = readWith("[help]\nurl=" + std::string(600, 'h') + "\n");
    EXPECT_EQ(s.helpUrl.size(), 510u);
}

TEST(Settings, PathHasOneSeparator) {
    Settings s;
    s.directory = "/";
    EXPECT_EQ(s.filePath(), "/Tessaly.ini");
    s.directory = "/opt/show";
    EXPECT_EQ(s.filePath(), "/opt/show/Tessaly.ini");
}

// Which of the three places hold a Tessaly.ini (start, user, system), and which one is read.
struct LookupCase {
    std::array<bool, 3> present;
    int chosen; // -1: none, every default
};

class SettingsLookup : public ::testing::TestWithParam<LookupCase> {};

TEST_P(SettingsLookup, FirstPlaceHoldingTheFileWins) {
    TempDir dir;
    const SettingsPlaces places{dir.file("start"), dir.file("user"), dir.file("system")};
    const std::vector<std::string> candidates = settingsFileCandidates(places);
    ASSERT_EQ(candidates, (std::vector<std::string>{dir.file("start/Tessaly.ini"),
                                                    dir.file("user/tessaly/Tessaly.ini"),
                                                    dir.file("system/tessaly/Tessaly.ini")}));
    for (size_t i = 0; i < candidates.size(); ++i) {
        std::filesystem::create_directories(std::filesystem::path(candidates[i]).parent_path());
        if (GetParam().present[i]) {
            std::ofstream(candidates[i]) << "[comm]\nportno=" << 6000 + i << "\n";
        } else {
            std::filesystem::create_directory(candidates[i]); // a folder is not a settings file
        }
    }
    const std::string found = findSettingsFile(places);
    const int chosen = GetParam().chosen;
    EXPECT_EQ(found, chosen < 0 ? std::string() : candidates[static_cast<size_t>(chosen)]);
    EXPECT_EQ(readSettingsFile(found, places.startDirectory).commPort,
              chosen < 0 ? 5025 : 6000 + chosen);
    EXPECT_EQ(settingsSourceText(found), chosen < 0 ? std::string("defaults") : found);
}

INSTANTIATE_TEST_SUITE_P(Places, SettingsLookup,
                         ::testing::Values(LookupCase{{true, true, true}, 0},
                                           LookupCase{{false, true, true}, 1},
                                           LookupCase{{false, false, true}, 2},
                                           LookupCase{{false, false, false}, -1}));

TEST(Settings, UserPlaceFollowsTheEnvironment) {
    const auto placesWith = [](const char* configHome, const char* home) {
        configHome ? ::setenv("XDG_CONFIG_HOME", configHome, 1) : ::unsetenv("XDG_CONFIG_HOME");
        ::setenv("HOME", home, 1);
        return processSettingsPlaces();
    };
    const char* savedHome = std::getenv("HOME");
    const char* savedConfigHome = std::getenv("XDG_CONFIG_HOME");
    const std::string home = savedHome ? savedHome : "";
    const std::string configHome = savedConfigHome ? savedConfigHome : "";
    EXPECT_EQ(placesWith("/srv/conf", "/home/op").configHome, "/srv/conf");
    EXPECT_EQ(placesWith(nullptr, "/home/op").configHome, "/home/op/.config");
    EXPECT_EQ(placesWith("relative", "/home/op").configHome, "/home/op/.config");
    const SettingsPlaces places = placesWith(nullptr, "/home/op");
    EXPECT_EQ(places.systemConfig, "/etc/xdg");
    placesWith(savedConfigHome ? configHome.c_str() : nullptr, home.c_str());
}

TEST(Settings, LoadFillsTheProgramTableFromTheStartDirectory) {
    TempDir dir;
    dir.write("Tessaly.ini", "[comm]\ninterval=20\ntimeout=1500\nportno=6025\n"
                             "[band]\ndefault_band=3\n[monitor]\nmode=2\n");
    char previous[4096];
    ASSERT_NE(::getcwd(previous, sizeof previous), nullptr);
    ASSERT_EQ(::chdir(dir.path().c_str()), 0);
    loadSettings();
    ASSERT_EQ(::chdir(previous), 0);

    EXPECT_EQ(programSettings().directory, dir.path());
    EXPECT_EQ(programSettings().sourcePath, dir.file("Tessaly.ini"));
    const ReceiverTable& table = programReceiverTable();
    EXPECT_EQ(table.pollIntervalMs, 20);
    EXPECT_EQ(table.answerTimeoutMs, 1500);
    EXPECT_EQ(table.portNumber, 6025);
    EXPECT_EQ(table.records[0].freqText, "704.125");
    EXPECT_EQ(table.records[59].freqKhz, 704125);
    EXPECT_EQ(displayState().layoutMode, 2);
    EXPECT_EQ(displayState().posHor, WindowRect{});
}
