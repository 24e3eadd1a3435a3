// Environment and settings files under abuse: saves killed at random moments, and files that are
// binary, huge, truncated or written to hurt.
#include "protocol/environment_file.h"
#include "protocol/ini_file.h"
#include "protocol/receiver_table.h"
#include "protocol/settings.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace tessaly;
namespace fs = std::filesystem;
using namespace std::string_literals;

namespace {

constexpr int kInterruptedSaves = 40;
constexpr long long kMinKillWindowUs = 20000;
constexpr long long kSavesPerKillWindow = 4;
constexpr size_t kHugeFileBytes = 20 * 1024 * 1024;

class FileRobustness : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/tessaly-files-XXXXXX";
        ASSERT_NE(::mkdtemp(pattern), nullptr);
        directory = pattern;
    }
    void TearDown() override {
        std::error_code ignored;
        fs::permissions(directory, fs::perms::owner_all, fs::perm_options::add, ignored);
        fs::remove_all(directory, ignored);
    }

    std::string path(const std::string& name) const { return (directory / name).string(); }

    void writeBytes(const std::string& file, const std::string& bytes) const {
        std::ofstream out(file, std::ios::binary);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        ASSERT_TRUE(out.good());
    }

    // Reads an environment file into a fresh table and display state.
    std::unique_ptr<ReceiverTable> readEnvironment(const std::string& file,
                                                   DisplayState& display) const {
        auto table = std::make_unique<ReceiverTable>();
        readEnvironmentFile(file, *table, settings, display);
        return table;
    }

    fs::path directory;
    const Settings settings; // every default
};

// A full table whose every name carries the version, so a mix of two saves shows.
std::unique_ptr<ReceiverTable> versionTable(int version) {
    auto table = std::make_unique<ReceiverTable>();
    table->count = kMaxReceivers;
    for (int n = 1; n <= kMaxReceivers; ++n) {
        ReceiverRecord& record = table->byNumber(n);
        record.ip = "127.0.0." + std::to_string(n);
        record.name = "v" + std::to_string(version);
        record.setFrequencyText("710.125");
        record.comment = std::string(200, static_cast<char>('a' + version % 26));
    }
    return table;
}

// The version every record of the file carries, or -1 when the records disagree.
int versionOf(const ReceiverTable& table) {
    if (table.count != kMaxReceivers) {
        return -1;
    }
    const std::string name = table.byNumber(1).name;
    for (int n = 2; n <= kMaxReceivers; ++n) {
        if (table.byNumber(n).name != name) {
            return -1;
        }
    }
    return name.size() > 1 && name[0] == 'v' ? std::atoi(name.c_str() + 1) : -1;
}

void expectDefaultDisplay(const DisplayState& display) {
    const DisplayState defaults;
    EXPECT_EQ(display.layoutMode, defaults.layoutMode);
    EXPECT_EQ(display.matrix, defaults.matrix);
    EXPECT_EQ(display.rfUnit, defaults.rfUnit);
}

void expectDefaultSettings(const Settings& s) {
    const Settings defaults;
    EXPECT_EQ(s.commPort, defaults.commPort);
    EXPECT_EQ(s.commTimeoutMs, defaults.commTimeoutMs);
    EXPECT_EQ(s.commIntervalMs, defaults.commIntervalMs);
    EXPECT_EQ(s.macMasks, defaults.macMasks);
    EXPECT_EQ(s.monitorMode, defaults.monitorMode);
    EXPECT_EQ(s.matrix, defaults.matrix);
    EXPECT_EQ(s.defaultBand, defaults.defaultBand);
    EXPECT_EQ(s.defaultFreqText, defaults.defaultFreqText);
    EXPECT_EQ(s.helpUrl, defaults.helpUrl);
}

} // namespace

TEST_F(FileRobustness, SaveKilledAtRandomMomentsLeavesTheOldOrTheNewFileWhole) {
    const std::string file = path("show.ini");
    const DisplayState display;
    // Kill within a few save times, however slow this disk or build is, so that some kills land
    // mid-save and some saves complete.
    const auto saveStart = std::chrono::steady_clock::now();
    ASSERT_TRUE(writeEnvironmentFile(file, *versionTable(0), display));
    const auto saveUs = std::chrono::duration_cast<std::chrono::microseconds>(
                            std::chrono::steady_clock::now() - saveStart)
                            .count();
    std::mt19937 random(20261209);
    std::uniform_int_distribution<int> killDelayUs(
        0, static_cast<int>(std::max<long long>(kMinKillWindowUs, kSavesPerKillWindow * saveUs)));
    int lastSeen = 0;
    int changedVersions = 0;
    for (int round = 1; round <= kInterruptedSaves; ++round) {
        // The child saves new versions back to back until it is killed mid-way.
        const int firstVersion = round * 1000;
        const pid_t child = ::fork();
        ASSERT_GE(child, 0) << std::strerror(errno);
        if (child == 0) {
            for (int version = firstVersion;; ++version) {
                writeEnvironmentFile(file, *versionTable(version), display);
            }
        }
        ::usleep(static_cast<useconds_t>(killDelayUs(random)));
        ::kill(child, SIGKILL);
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFSIGNALED(status));

        DisplayState readDisplay;
        const int version = versionOf(*readEnvironment(file, readDisplay));
        ASSERT_NE(version, -1) << "round " << round << ": a torn or mixed file";
        ASSERT_TRUE(version == lastSeen || version >= firstVersion) << "round " << round;
        changedVersions += version != lastSeen ? 1 : 0;
        lastSeen = version;
    }
    EXPECT_GT(changedVersions, 0); // some saves did complete, so the kills hit real work
}

TEST_F(FileRobustness, BinaryHugeAndEmptyFilesOpenWithTheDefaults) {
    std::mt19937 random(7);
    std::string binary(64 * 1024, '\0');
    for (char& c : binary) {
        c = static_cast<char>(random() & 0xFF);
    }
    const std::string binaryFile = path("binary.ini");
    writeBytes(binaryFile, binary);

    // A huge file whose settings lie beyond the part that is read.
    std::string huge(kHugeFileBytes, 'x');
    for (size_t i = 80; i < huge.size(); i += 81) {
        huge[i] = '\n';
    }
    huge += "\n[receiver]\ncnt=3\n[comm]\nportno=1\n[monitor]\nmode=3\n";
    const std::string hugeFile = path("huge.ini");
    writeBytes(hugeFile, huge);
    const std::string emptyFile = path("empty.ini");
    writeBytes(emptyFile, "");

    for (const std::string& file : {binaryFile, hugeFile, emptyFile, path("missing.ini")}) {
        SCOPED_TRACE(file);
        DisplayState display;
        const auto table = readEnvironment(file, display);
        EXPECT_EQ(table->count, 0);
        expectDefaultDisplay(display);
        expectDefaultSettings(readSettingsFile(file, directory.string()));
    }
}

TEST_F(FileRobustness, HugeFileStillGivesWhatItsReadPartHolds) {
    std::string text = "[receiver]\r\ncnt=1\r\n[recv1]\r\nname=FIRST\r\n[comm]\r\nportno=6000\r\n";
    text += std::string(kHugeFileBytes, ';');
    const std::string file = path("huge-head.ini");
    writeBytes(file, text);
    DisplayState display;
    const auto table = readEnvironment(file, display);
    EXPECT_EQ(table->count, 1);
    EXPECT_EQ(table->byNumber(1).name, "FIRST");
    EXPECT_EQ(readSettingsFile(file, directory.string()).commPort, 6000);
}

TEST_F(FileRobustness, TruncatedEnvironmentFileReadsOnlyWhatIsWhole) {
    const std::string whole = path("whole.ini");
    auto original = versionTable(42);
    original->count = 3;
    DisplayState saved;
    saved.layoutMode = kLayoutSmallVertical;
    saved.rfUnit = kRfUnitMw;
    ASSERT_TRUE(writeEnvironmentFile(whole, *original, saved));
    std::ifstream in(whole, std::ios::binary);
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    ASSERT_GT(text.size(), 100u);

    const std::string cut = path("cut.ini");
    for (size_t length = 0; length < text.size(); length += 5) {
        SCOPED_TRACE(length);
        writeBytes(cut, text.substr(0, length));
        DisplayState display;
        const auto table = readEnvironment(cut, display);
        ASSERT_GE(table->count, 0);
        ASSERT_LE(table->count, 3);
        for (int n = 1; n <= table->count; ++n) {
            // A cut name is a beginning of the saved one, never anything else.
            const std::string& name = table->byNumber(n).name;
            EXPECT_EQ(std::string("v42").compare(0, name.size(), name), 0) << name;
        }
        // The layout mode is the saved one, or the reader's 0 when its line is cut away.
        EXPECT_TRUE(table->displayMode == 0 || table->displayMode == kLayoutSmallVertical);
    }
}

TEST_F(FileRobustness, HostileEnvironmentValuesKeepTheirLimits) {
    std::string text = "[receiver]\ncnt=99999999999999999999\n"
                       "[monitor]\nmode=-7\n[scale]\nRF=2\n"
                       "[disp_matrix]\nver_normal=0,0\nhor_normal=61,1\nver_compact=-1,5\n"
                       "hor_compact=2147483648,2\n"
                       "[window]\npos_hor=a,b,c,d,e,f\npos_ver=\n";
    text += "[recv1]\nname=" + std::string(5000, 'N') + "\nfreq=-1\ndev_col=zz\n";
    text += "[recv2]\nname=with\0nul\nfreq=99999999999999999\n"s;
    text += "[recv3\nname=unclosed\n[recv3]]\n=\n==\n[]\n";
    text += "[" + std::string(100000, 'S') + "]\n" + std::string(100000, 'K') + "=v\n";
    const std::string file = path("hostile.ini");
    writeBytes(file, text);

    DisplayState display;
    display.layoutMode = kLayoutSmallHorizontal;
    const auto table = readEnvironment(file, display);
    EXPECT_EQ(table->count, kMaxReceivers);
    EXPECT_EQ(table->displayMode, kLayoutSmallHorizontal); // out of range: the current one stays
    EXPECT_EQ(display.rfUnit, kRfUnitDbm);
    EXPECT_EQ(display.matrix, DisplayState{}.matrix);
    EXPECT_EQ(table->byNumber(1).name.size(), static_cast<size_t>(kEnvironmentValueLimit));

    const std::string negative = path("negative.ini");
    writeBytes(negative, "[receiver]\ncnt=-5\n");
    DisplayState untouched;
    EXPECT_EQ(readEnvironment(negative, untouched)->count, 0);
}

TEST_F(FileRobustness, HostileSettingsFallBackToUsableValues) {
    const std::string file = path(kSettingsFileName);
    writeBytes(file, "[monitor]\nmode=99\nver_normal=0,0\nhor_normal=100,100\n"
                     "[mac]\ncnt=-3\n[band]\ndefault_band=7\n[help]\nurl=" +
                         std::string(600, 'u') + "\n");
    Settings s = readSettingsFile(file, directory.string());
    EXPECT_EQ(s.monitorMode, kLayoutLargeHorizontal);
    EXPECT_EQ(s.matrix, Settings{}.matrix);
    EXPECT_TRUE(s.macMasks.empty());
    EXPECT_EQ(s.defaultBand, 2);
    EXPECT_EQ(s.defaultFreqText, "710.125");
    EXPECT_EQ(s.helpUrl.size(), static_cast<size_t>(kSettingsValueLimit));

    // A negative timer period never fires: an engine would wait for an answer forever, or never
    // poll. Such periods read as the defaults.
    writeBytes(file, "[comm]\ntimeout=-1\ninterval=-100\n");
    s = readSettingsFile(file, directory.string());
    EXPECT_EQ(s.commTimeoutMs, Settings{}.commTimeoutMs);
    EXPECT_EQ(s.commIntervalMs, Settings{}.commIntervalMs);
}

TEST_F(FileRobustness, FailedSavesReportWhyAndLeaveTheOldFile) {
    const DisplayState display;
    const auto table = versionTable(1);

    std::string error;
    EXPECT_FALSE(writeEnvironmentFile(path("no/such/folder/show.ini"), *table, display, &error));
    EXPECT_FALSE(error.empty());

    // The target is a folder: the save fails and the folder stays as it was.
    const std::string folder = path("folder.ini");
    fs::create_directory(folder);
    writeBytes(folder + "/inside", "keep");
    error.clear();
    EXPECT_FALSE(writeEnvironmentFile(folder, *table, display, &error));
    EXPECT_FALSE(error.empty());
    EXPECT_TRUE(fs::is_regular_file(folder + "/inside"));
    for (const auto& entry : fs::directory_iterator(directory)) {
        EXPECT_EQ(entry.path().filename().string().rfind(".folder.ini.", 0), std::string::npos)
            << "temporary file left behind: " << entry.path();
    }

    if (::geteuid() == 0) {
        GTEST_SKIP() << "running as root: a read-only folder cannot refuse the save";
    }
    const std::string file = path("show.ini");
    ASSERT_TRUE(writeEnvironmentFile(file, *versionTable(7), display));
    fs::permissions(directory, fs::perms::owner_read | fs::perms::owner_exec);
    error.clear();
    EXPECT_FALSE(writeEnvironmentFile(file, *table, display, &error));
    EXPECT_FALSE(error.empty());
    fs::permissions(directory, fs::perms::owner_all, fs::perm_options::add);
    DisplayState readDisplay;
    EXPECT_EQ(versionOf(*readEnvironment(file, readDisplay)), 7);
}
