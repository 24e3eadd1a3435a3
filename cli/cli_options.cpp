#include "cli/cli_options.h"

#include "protocol/settings.h"

#include <QFileInfo>

namespace tessaly::cli {

namespace {

const QStringList kCommands = {"monitor", "upload", "download", "scan", "coordinate", "board"};

bool takesEnvironmentFile(const QString& command) {
    return command != "scan" && command != "board";
}

} // namespace

bool parseOptions(const QStringList& arguments, Options& options, QString& error) {
    QStringList positional;
    for (int i = 0; i < arguments.size(); ++i) {
        const QString& argument = arguments[i];
        const auto value = [&](QString& into) {
            if (i + 1 >= arguments.size()) {
                error = argument + " needs a value";
                return false;
            }
            into = arguments[++i];
            return true;
        };
        if (argument == "-h" || argument == "--help") {
            options.help = true;
        } else if (argument == "--version") {
            options.version = true;
        } else if (argument == "--trace") {
            options.trace = true;
        } else if (argument == "--dry-run") {
            options.dryRun = true;
        } else if (argument == "--yes" || argument == "-y") {
            options.yes = true;
        } else if (argument == "--json") {
            options.json = true;
        } else if (argument == "--apply") {
            options.apply = true;
        } else if (argument == "--assign") {
            options.assign = true;
        } else if (argument == "--seconds") {
            QString text;
            if (!value(text)) {
                return false;
            }
            bool ok = false;
            options.seconds = text.toInt(&ok);
            if (!ok || options.seconds < 0) {
                error = "--seconds needs a whole number of seconds, not '" + text + "'";
                return false;
            }
        } else if (argument == "--journal") {
            if (!value(options.journalPath)) {
                return false;
            }
        } else if (argument == "--mqtt") {
            if (!value(options.mqttUrl)) {
                return false;
            }
        } else if (argument == "--station") {
            if (!value(options.station)) {
                return false;
            }
        } else if (argument == "--serve") {
            if (!value(options.serve)) {
                return false;
            }
        } else if (argument == "--token") {
            if (!value(options.token)) {
                return false;
            }
        } else if (argument == "-o" || argument == "--output") {
            if (!value(options.outputPath)) {
                return false;
            }
        } else if (argument.startsWith('-') && argument.size() > 1) {
            error = "unknown option " + argument;
            return false;
        } else {
            positional << argument;
        }
    }
    if (options.version || (options.help && positional.isEmpty())) {
        return true;
    }
    if (positional.isEmpty()) {
        error = "no command given";
        return false;
    }
    options.command = positional.takeFirst();
    if (!kCommands.contains(options.command)) {
        error = "unknown command '" + options.command + "'";
        return false;
    }
    if (options.help) {
        return true;
    }
    if (takesEnvironmentFile(options.command)) {
        if (positional.isEmpty()) {
            error = options.command + " needs an environment file";
            return false;
        }
        options.environmentPath = positional.takeFirst();
    }
    if (!positional.isEmpty()) {
        error = "unexpected argument '" + positional.first() + "'";
        return false;
    }
    const bool coordinate = options.command == "coordinate";
    if (!options.outputPath.isEmpty() && options.command != "download" &&
        !(coordinate && options.assign)) {
        error = "-o belongs to download and coordinate --assign";
        return false;
    }
    if ((options.dryRun || options.yes) && options.command != "upload") {
        error = "--dry-run and --yes belong to upload";
        return false;
    }
    if (options.assign && !coordinate) {
        error = "--assign belongs to coordinate";
        return false;
    }
    if ((options.seconds != 0 || options.apply || !options.journalPath.isEmpty()) &&
        options.command != "monitor") {
        error = "--seconds, --apply and --journal belong to monitor";
        return false;
    }
    if (!options.station.isEmpty() && options.mqttUrl.isEmpty()) {
        error = "--station belongs to --mqtt";
        return false;
    }
    const bool board = options.command == "board";
    if (!options.mqttUrl.isEmpty() && options.command != "monitor" && !board) {
        error = "--mqtt belongs to monitor and board";
        return false;
    }
    if (board && (options.mqttUrl.isEmpty() || options.serve.isEmpty())) {
        error = "board needs --mqtt URL and --serve ADDRESS:PORT";
        return false;
    }
    if (!board && (!options.serve.isEmpty() || !options.token.isEmpty())) {
        error = "--serve and --token belong to board";
        return false;
    }
    if (board && !options.station.isEmpty()) {
        error = "--station belongs to monitor";
        return false;
    }
    if (options.json && options.command != "monitor" && !coordinate) {
        error = "--json belongs to monitor and coordinate";
        return false;
    }
    return true;
}

QString usageText(const QString& command) {
    if (command == "monitor") {
        return "usage: tessaly-cli monitor ENV.ini [--seconds N] [--json] [--journal FILE] "
               "[--apply] [--mqtt URL [--station NAME]] [--trace]\n"
               "Monitors every receiver of the environment file and prints its communication\n"
               "state and every polled value as it changes (one JSON object a line with --json),\n"
               "and every alarm start and clear ([alarm] of Tessaly.ini sets the limits).\n"
               "--journal FILE appends the alarms to FILE as the program's alarm journal does.\n"
               "It only watches: names and frequencies stay as the receivers have them. With\n"
               "--apply each receiver is first given the name and frequency of the file when\n"
               "it connects. Runs N seconds, or until Ctrl-C when N is 0 or absent, then ends\n"
               "remote control cleanly. Exits 1 when a receiver is not connected at the end.\n"
               "--mqtt mqtt://HOST:PORT (or mqtts://) publishes the receivers and alarms to an\n"
               "MQTT broker under tessaly/v1/NAME/ (NAME: --station, [mqtt] station=, or the\n"
               "host name); user=, password= and ca= come from [mqtt] of Tessaly.ini.\n";
    }
    if (command == "upload") {
        return "usage: tessaly-cli upload ENV.ini [--dry-run | --yes] [--trace]\n"
               "Reads every receiver's name and frequency, prints what the file would change,\n"
               "asks before sending (--yes sends without asking; without a terminal on stdin\n"
               "--yes is required), sends every receiver its name and frequency, reads its\n"
               "settings back, then reads name and frequency again and checks them.\n"
               "--dry-run prints the difference and sends nothing.\n"
               "Prints one progress line a receiver; exits 1 when a receiver failed or does\n"
               "not report what it was sent, listing them.\n";
    }
    if (command == "download") {
        return "usage: tessaly-cli download ENV.ini [-o OUT.ini] [--trace]\n"
               "Reads name, frequency and settings from every receiver of the file and writes\n"
               "the downloaded table to OUT.ini (default: ENV.ini itself).\n"
               "Prints one progress line a receiver; exits 1 when a receiver failed.\n";
    }
    if (command == "coordinate") {
        return "usage: tessaly-cli coordinate ENV.ini [--json] [--assign [-o OUT.ini]]\n"
               "Lists the frequency conflicts of the receivers of the file: same channel,\n"
               "too close ([coordination] tx_spacing_khz) and intermodulation products of two\n"
               "or three transmitters that hit another receiver (im3_2tx_khz, im5_2tx_khz,\n"
               "im3_3tx_khz). --assign proposes a channel in its band for every receiver and\n"
               "lists the conflicts left after it; -o writes the file with the proposal.\n"
               "Exits 0 without conflicts, 1 with some.\n";
    }
    if (command == "board") {
        return "usage: tessaly-cli board --mqtt URL --serve ADDRESS:PORT [--token T]\n"
               "Subscribes to every station's topics on the MQTT broker (tessaly/v1/+/#) and\n"
               "serves the remote view's board page and API over all of them: tiles grouped by\n"
               "station, a station that went offline shown so with all its receivers. Serving\n"
               "on an address other than loopback needs --token. Runs until Ctrl-C.\n";
    }
    if (command == "scan") {
        return "usage: tessaly-cli scan [--trace]\n"
               "Pings the local private subnets and lists the receivers in the neighbour table\n"
               "whose MAC address carries a prefix of the settings (mac/cnt, mac/maskN).\n";
    }
    return "usage: tessaly-cli COMMAND [options]\n"
           "Commands:\n"
           "  monitor ENV.ini [--seconds N] [--json] [--journal FILE] [--apply]\n"
           "                                           live values and alarms of every receiver\n"
           "  upload ENV.ini [--dry-run | --yes]       send names and frequencies, checked\n"
           "  download ENV.ini [-o OUT.ini]            read every receiver's settings\n"
           "  scan                                     find receivers on the LAN\n"
           "  coordinate ENV.ini [--json] [--assign [-o OUT.ini]]   frequency conflicts\n"
           "  board --mqtt URL --serve ADDRESS:PORT [--token T]   every station's board\n"
           "Options: --trace (engine traces on stderr), --help, --version.\n" +
           QString::fromStdString(settingsHelpText()) +
           "Exit codes: 0 ok, 1 a receiver failed (coordinate: conflicts found), 2 usage\n"
           "error, 3 file error.\n";
}

bool checkReadable(const QString& path, QString& error) {
    const QFileInfo info(path);
    if (!info.exists()) {
        error = "'" + path + "' does not exist";
        return false;
    }
    if (!info.isFile()) {
        error = "'" + path + "' is not a file";
        return false;
    }
    if (!info.isReadable()) {
        error = "'" + path + "' cannot be read (permission denied)";
        return false;
    }
    return true;
}

} // namespace tessaly::cli
