#include "app/command_line_info.h"

#include "app/help_target.h"
#include "app/version_info.h"
#include "protocol/settings.h"

#include <cstring>

namespace tessaly {

InfoRequest infoRequest(int argc, const char* const* argv) {
    for (int i = 1; i < argc; ++i) {
        const char* argument = argv[i];
        if (std::strcmp(argument, "--") == 0) {
            break;
        }
        if (std::strcmp(argument, "-h") == 0 || std::strcmp(argument, "--help") == 0) {
            return InfoRequest::Help;
        }
        if (std::strcmp(argument, "--version") == 0) {
            return InfoRequest::Version;
        }
    }
    return InfoRequest::None;
}

QString commandLineFile(const QStringList& arguments) {
    const qsizetype first = arguments.value(1) == QStringLiteral("--") ? 2 : 1;
    return arguments.value(first);
}

QString helpText() {
    return QStringLiteral(
               "Usage: tessaly [ENVIRONMENT.ini]\n"
               "Monitors and configures up to 60 networked wireless-microphone receivers.\n"
               "\n"
               "  ENVIRONMENT.ini  an environment file to open at start, as File, Open "
               "Environment does\n"
               "  -h, --help       print this text and exit\n"
               "  --version        print the version and exit\n"
               "\n"
               "%1"
               "\n"
               "Help, Help in the program opens the manual (the package installs it as\n"
               "/usr/%2/Tessaly_e.html).\n"
               "Qt's own options such as -platform are accepted too.\n")
        .arg(QString::fromStdString(settingsHelpText()), QLatin1String(kInstalledManualDirectory));
}

QString versionText() {
    return QStringLiteral("tessaly %1\n").arg(fullVersionText());
}

} // namespace tessaly
