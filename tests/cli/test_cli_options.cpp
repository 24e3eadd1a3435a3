#include "cli/cli_options.h"

#include <gtest/gtest.h>

using namespace tessaly::cli;

namespace {

struct Refused {
    QStringList arguments;
    const char* error;
};

class RefusedArguments : public ::testing::TestWithParam<Refused> {};

TEST_P(RefusedArguments, SayWhy) {
    Options options;
    QString error;
    EXPECT_FALSE(parseOptions(GetParam().arguments, options, error));
    EXPECT_EQ(error.toStdString(), GetParam().error);
}

INSTANTIATE_TEST_SUITE_P(
    CliOptions, RefusedArguments,
    ::testing::Values(Refused{{}, "no command given"},
                      Refused{{"monitor", "a.ini", "--colour"}, "unknown option --colour"},
                      Refused{{"monitor", "a.ini", "-q"}, "unknown option -q"},
                      Refused{{"listen"}, "unknown command 'listen'"},
                      Refused{{"monitor", "a.ini", "--seconds", "-1"},
                              "--seconds needs a whole number of seconds, not '-1'"},
                      Refused{{"scan", "extra"}, "unexpected argument 'extra'"},
                      Refused{{"download", "a.ini", "--yes"},
                              "--dry-run and --yes belong to upload"}));

TEST(CliOptions, OptionsStandAnywhereAndShortFormsAreTheLongOnes) {
    Options options;
    QString error;
    ASSERT_TRUE(parseOptions({"--trace", "upload", "-y", "a.ini"}, options, error))
        << error.toStdString();
    EXPECT_EQ(options.command, "upload");
    EXPECT_EQ(options.environmentPath, "a.ini");
    EXPECT_TRUE(options.yes && options.trace);

    Options download;
    ASSERT_TRUE(parseOptions({"download", "a.ini", "-o", "b.ini"}, download, error));
    EXPECT_EQ(download.outputPath, "b.ini");

    Options monitor;
    ASSERT_TRUE(parseOptions({"monitor", "a.ini", "--seconds", "5", "--journal", "j.jsonl"},
                             monitor, error));
    EXPECT_EQ(monitor.seconds, 5);
    EXPECT_EQ(monitor.journalPath, "j.jsonl");
}

TEST(CliOptions, AnOptionWithoutItsValueIsRefused) {
    Options options;
    QString error;
    EXPECT_FALSE(parseOptions({"download", "a.ini", "-o"}, options, error));
    EXPECT_FALSE(error.isEmpty());
}

TEST(CliOptions, HelpAndVersionNeedNoCommandOrFile) {
    for (const QStringList& arguments :
         {QStringList{"--help"}, QStringList{"-h", "upload"}, QStringList{"--version"}}) {
        Options options;
        QString error;
        EXPECT_TRUE(parseOptions(arguments, options, error)) << error.toStdString();
        EXPECT_TRUE(options.help || options.version);
    }
}

} // namespace
