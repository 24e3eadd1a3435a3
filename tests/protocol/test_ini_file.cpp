#include "protocol/environment_file.h"
#include "protocol/ini_file.h"
#include "protocol/number_text.h"
#include "protocol/settings.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

using namespace tessaly;
using tessaly::testing::TempDir;

TEST(NumberText, AtoiAndHexRules) {
    EXPECT_EQ(atoiRule("  -42abc"), -42);
    EXPECT_EQ(atoiRule("+7"), 7);
    EXPECT_EQ(atoiRule("x1"), 0);
    EXPECT_EQ(atoiRule(""), 0);
    EXPECT_EQ(atoiRule("99999999999"), INT32_MAX);
    EXPECT_EQ(atoiRule("-99999999999"), INT32_MIN);
    EXPECT_EQ(hexRule("0A"), 10u);
    EXPECT_EQ(hexRule("0x0A"), 10u);
    EXPECT_EQ(hexRule(" 0x00FF8000"), 0x00FF8000u);
    EXPECT_EQ(hexRule(""), 0u);
    EXPECT_EQ(hexRule("zz"), 0u);
    EXPECT_EQ(hexRule("1FFFFFFFFF"), 0xFFFFFFFFu);
    EXPECT_EQ(splitAtCommas("a,,b").size(), 3u);
    EXPECT_EQ(splitAtCommas("").size(), 1u);
}

TEST(IniFile, ReadsWithoutRegardToCaseAndTrimsValues) {
    const IniFile ini = IniFile::fromText("; header\r\n[Comm]\r\nPortNo =  6000 \r\n"
                                          "timeout=a=b\r\n[comm]\r\nportno=7000\r\n");
    EXPECT_EQ(ini.value("comm", "portno", "5025", 510), "6000");
    EXPECT_EQ(ini.value("COMM", "TIMEOUT", "", 510), "a=b");
    EXPECT_EQ(ini.value("comm", "missing", "dflt", 510), "dflt");
    EXPECT_EQ(ini.value("nosection", "portno", "dflt", 510), "dflt");
    EXPECT_TRUE(ini.hasKey("comm", "portno"));
    EXPECT_FALSE(ini.hasKey("comm", "interval"));
}

TEST(IniFile, CutsLongValuesAtTheLimit) {
    const std::string longValue(600, 'x');
    const IniFile ini = IniFile::fromText("[s]\nk=" + longValue + "\n");
    EXPECT_EQ(ini.value("s", "k", "", 510).size(), 510u);
    EXPECT_EQ(ini.value("s", "k", "", 766).size(), 600u);
}

TEST(IniFile, WritesInPlaceAppendsAndNeverDeletes) {
    IniFile ini = IniFile::fromText("[a]\nx=1\nunknown line\n\n[b]\ny=2\n");
    ini.setValue("A", "X", "10");
    ini.setValue("a", "z", "3");
    ini.setValue("c", "w", "4");
    EXPECT_EQ(ini.text(), "[a]\nX=10\nunknown line\nz=3\n\n[b]\ny=2\n[c]\nw=4\n");
}

TEST(IniFile, ValuesCannotAddLines) {
    IniFile ini;
    ini.setValue("recv1", "name", "evil\r\n[recv2]\nname=x");
    const IniFile back = IniFile::fromText(ini.text());
    EXPECT_FALSE(back.hasKey("recv2", "name"));
    EXPECT_EQ(back.value("recv1", "name", "", 766), "evil  [recv2] name=x");
}

TEST(IniFile, SaveCreatesReplacesAndKeepsTheOldFileOnFailure) {
    TempDir dir;
    const std::string path = dir.file("env.ini");
    IniFile ini = IniFile::load(path); // absent: empty
    ini.setValue("s", "k", "v");
    std::string error;
    ASSERT_TRUE(ini.save(path, &error)) << error;
    EXPECT_EQ(dir.read("env.ini"), "[s]\r\nk=v\r\n");

    ini.setValue("s", "k", "w");
    ASSERT_TRUE(ini.save(path));
    EXPECT_EQ(dir.read("env.ini"), "[s]\r\nk=w\r\n");

    if (::geteuid() == 0) {
        GTEST_SKIP() << "root writes into read-only directories";
    }
    ::chmod(dir.path().c_str(), 0555);
    ini.setValue("s", "k", "lost");
    EXPECT_FALSE(ini.save(path, &error));
    EXPECT_FALSE(error.empty());
    ::chmod(dir.path().c_str(), 0755);
    EXPECT_EQ(dir.read("env.ini"), "[s]\r\nk=w\r\n");
}

TEST(IniFile, SaveFailsCleanlyWhenTheDirectoryIsMissing) {
    TempDir dir;
    IniFile ini;
    ini.setValue("s", "k", "v");
    std::string error;
    EXPECT_FALSE(ini.save(dir.file("no/such/dir/env.ini"), &error));
    EXPECT_FALSE(error.empty());
}

TEST(IniFile, FailedRenameLeavesNoTemporaryBehind) {
    TempDir dir;
    std::filesystem::create_directory(dir.file("env.ini")); // cannot be replaced by a file
    IniFile ini;
    ini.setValue("s", "k", "v");
    std::string error;
    EXPECT_FALSE(ini.save(dir.file("env.ini"), &error));
    EXPECT_NE(error.find("cannot replace"), std::string::npos) << error;
    int entries = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(dir.path())) {
        ++entries;
    }
    EXPECT_EQ(entries, 1);
}

TEST(IniFile, KeepsTheFilesLineEndingsAndPermissions) {
    TempDir dir;
    const std::string path = dir.write("unix.ini", "[s]\nk=1\n");
    ::chmod(path.c_str(), 0640);
    IniFile ini = IniFile::load(path);
    ini.setValue("s", "k", "2");
    ASSERT_TRUE(ini.save(path));
    EXPECT_EQ(dir.read("unix.ini"), "[s]\nk=2\n");
    struct stat info {};
    ASSERT_EQ(::stat(path.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0640u);
}

TEST(IniFile, BinaryGarbageLoadsWithoutHarm) {
    std::string garbage;
    for (int i = 0; i < 4096; ++i) {
        garbage += static_cast<char>((i * 7919) & 0xFF);
    }
    garbage += "\n[s]\nk=1\n";
    const IniFile ini = IniFile::fromText(garbage);
    EXPECT_EQ(ini.value("s", "k", "", 510), "1");
}

TEST(IniFile, AByteOrderMarkIsSkippedOnReadingAndNotWrittenBack) {
    TempDir dir;
    const std::string path = dir.write("Tessaly.ini", "\xEF\xBB\xBF[comm]\r\nportno=6000\r\n");
    EXPECT_EQ(readSettingsFile(path, dir.path()).commPort, 6000);
    const std::string environment =
        dir.write("env.ini", "\xEF\xBB\xBF[monitor]\r\nmode=3\r\n[receiver]\r\ncnt=1\r\n");
    ReceiverTable table;
    DisplayState display;
    readEnvironmentFile(environment, table, Settings{}, display);
    EXPECT_EQ(table.displayMode, 3);
    IniFile ini = IniFile::load(path);
    ini.setValue("comm", "timeout", "500");
    ASSERT_TRUE(ini.save(path));
    EXPECT_EQ(dir.read("Tessaly.ini"), "[comm]\r\nportno=6000\r\ntimeout=500\r\n");
}
