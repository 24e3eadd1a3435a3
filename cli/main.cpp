#include "cli/board_command.h"
#include "cli/cli_options.h"
#include "cli/coordinate_command.h"
#include "cli/engine_commands.h"
#include "cli/history_command.h"
#include "cli/scan_command.h"
#include "cli/upload_command.h"
#include "protocol/settings.h"

#include <QCoreApplication>
#include <QTextStream>

#include <cstdio>

using namespace tessaly;
using namespace tessaly::cli;

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    QTextStream err(stderr);

    Options options;
    QString error;
    if (!parseOptions(app.arguments().mid(1), options, error)) {
        err << "tessaly-cli: " << error << "\n" << usageText(options.command);
        return kExitUsage;
    }
    if (options.version) {
        out << "tessaly-cli " << TESSALY_VERSION_TEXT << "\n";
        return kExitOk;
    }
    if (options.help) {
        out << usageText(options.command);
        return kExitOk;
    }

    loadSettings();
    installInterruptHandler();
    if (options.command == "scan") {
        return runScan(options, out, err);
    }
    if (options.command == "coordinate") {
        return runCoordinate(options, out, err);
    }
    if (options.command == "board") {
        return runBoard(options, out, err);
    }
    if (options.command == "history") {
        return runHistory(options, out, err);
    }
    if (options.command == "monitor") {
        return runMonitor(options, out, err);
    }
    if (options.command == "upload") {
        return runUpload(options, out, err);
    }
    return runExchange(options, out, err);
}
