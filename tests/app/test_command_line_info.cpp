#include "app/command_line_info.h"
#include "app/version_info.h"
#include "protocol/settings.h"

#include <QProcess>
#include <gtest/gtest.h>

#include <vector>

using namespace tessaly;

namespace {

InfoRequest requestOf(std::vector<const char*> arguments) {
    arguments.insert(arguments.begin(), "tessaly");
    return infoRequest(static_cast<int>(arguments.size()), arguments.data());
}

} // namespace

TEST(CommandLineInfo, HelpAndVersionAreFoundAnywhereBeforeTheEndOfOptions) {
    EXPECT_EQ(requestOf({}), InfoRequest::None);
    EXPECT_EQ(requestOf({"show.ini"}), InfoRequest::None);
    EXPECT_EQ(requestOf({"--help"}), InfoRequest::Help);
    EXPECT_EQ(requestOf({"show.ini", "-h"}), InfoRequest::Help);
    EXPECT_EQ(requestOf({"-platform", "offscreen", "--version"}), InfoRequest::Version);
    EXPECT_EQ(requestOf({"--version", "--help"}), InfoRequest::Version);
    EXPECT_EQ(requestOf({"--", "--help"}), InfoRequest::None);
    EXPECT_EQ(requestOf({"--helpful.ini", "-version"}), InfoRequest::None);
}

TEST(CommandLineInfo, TheFileToOpenMayFollowTheEndOfOptions) {
    EXPECT_EQ(commandLineFile({"tessaly"}), QString());
    EXPECT_EQ(commandLineFile({"tessaly", "show.ini"}), "show.ini");
    EXPECT_EQ(commandLineFile({"tessaly", "--", "--help"}), "--help");
    EXPECT_EQ(commandLineFile({"tessaly", "--"}), QString());
}

TEST(CommandLineInfo, TextsNameTheVersionAndTheSettingsFile) {
    EXPECT_EQ(versionText(), QStringLiteral("tessaly ") + fullVersionText() + '\n');
    EXPECT_TRUE(helpText().startsWith(QStringLiteral("Usage: tessaly [ENVIRONMENT.ini]\n")));
    EXPECT_TRUE(helpText().contains(QStringLiteral("/etc/xdg/tessaly")));
    const std::string source = settingsSourceText(findSettingsFile(processSettingsPlaces()));
    EXPECT_TRUE(helpText().contains(QString::fromStdString("come from:\n  " + source + "\n")));
}

// The program answers without a display: were the application object created first, Qt would
// give up for want of an X server.
TEST(CommandLineInfo, TheProgramPrintsAndEndsWithoutADisplay) {
    for (const auto& [option, expected] :
         {std::pair{"--version", versionText()}, std::pair{"--help", helpText()}}) {
        QProcess program;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.remove(QStringLiteral("DISPLAY"));
        environment.remove(QStringLiteral("WAYLAND_DISPLAY"));
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        program.setProcessEnvironment(environment);
        program.start(QStringLiteral(TESSALY_PROGRAM), {QString::fromLatin1(option)});
        ASSERT_TRUE(program.waitForFinished(10000)) << option;
        EXPECT_EQ(program.exitStatus(), QProcess::NormalExit) << option;
        EXPECT_EQ(program.exitCode(), 0) << option;
        EXPECT_EQ(QString::fromLocal8Bit(program.readAllStandardOutput()), expected) << option;
        EXPECT_TRUE(program.readAllStandardError().isEmpty()) << option;
    }
}
