#include "cli/cli_options.h"

#include "protocol/settings.h"

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QFileInfo>

namespace tessaly::cli {

namespace {

const QStringList kCommands = {"monitor",    "upload",  "download", "scan",
                               "coordinate", "history", "board"};

bool takesEnvironmentFile(const QString& command) {
    return command != "scan" && command != "history" && command != "board";
}

} // namespace

bool parseOptions(const QStringList& arguments, Options& options, QString& error) {
    // Help and version are plain options here: each command has a usage text of its own, which
    // main() prints.
    QCommandLineParser parser;
    const QCommandLineOption help(QStringList{"h", "help"});
    const QCommandLineOption version("version");
    const QCommandLineOption trace("trace");
    const QCommandLineOption dryRun("dry-run");
    const QCommandLineOption yes(QStringList{"y", "yes"});
    const QCommandLineOption json("json");
    const QCommandLineOption apply("apply");
    const QCommandLineOption assign("assign");
    const QCommandLineOption seconds("seconds", {}, "N");
    const QCommandLineOption journal("journal", {}, "FILE");
    const QCommandLineOption history("history", {}, "FILE");
    const QCommandLineOption serve("serve", {}, "ADDRESS:PORT");
    const QCommandLineOption token("token", {}, "T");
    const QCommandLineOption receiver("receiver", {}, "N");
    const QCommandLineOption from("from", {}, "TIME");
    const QCommandLineOption to("to", {}, "TIME");
    const QCommandLineOption csv("csv");
    const QCommandLineOption mqttUrl("mqtt", {}, "URL");
    const QCommandLineOption station("station", {}, "NAME");
    const QCommandLineOption output(QStringList{"o", "output"}, {}, "OUT.ini");
    parser.addOptions({help,   version, trace,   dryRun,  yes,     json,  apply,
                       assign, seconds, journal, history, serve,   token, receiver,
                       from,   to,      csv,     mqttUrl, station, output});
    if (!parser.parse(QStringList{QStringLiteral("tessaly-cli")} + arguments)) {
        const QStringList unknown = parser.unknownOptionNames();
        if (unknown.isEmpty()) {
            error = parser.errorText();
        } else {
            const QString dashes = unknown.first().size() == 1 ? "-" : "--";
            error = "unknown option " + dashes + unknown.first();
        }
        return false;
    }
    options.help = parser.isSet(help);
    options.version = parser.isSet(version);
    options.trace = parser.isSet(trace);
    options.dryRun = parser.isSet(dryRun);
    options.yes = parser.isSet(yes);
    options.json = parser.isSet(json);
    options.apply = parser.isSet(apply);
    options.assign = parser.isSet(assign);
    options.journalPath = parser.value(journal);
    options.outputPath = parser.value(output);
    options.historyPath = parser.value(history);
    options.serve = parser.value(serve);
    options.token = parser.value(token);
    options.fromText = parser.value(from);
    options.toText = parser.value(to);
    options.csv = parser.isSet(csv);
    options.mqttUrl = parser.value(mqttUrl);
    options.station = parser.value(station);
    if (parser.isSet(receiver)) {
        const QString text = parser.value(receiver);
        bool ok = false;
        options.receiver = text.toInt(&ok);
        if (!ok || options.receiver < 1 || options.receiver > 60) {
            error = "--receiver needs a receiver number from 1 to 60, not '" + text + "'";
            return false;
        }
    }
    if (parser.isSet(seconds)) {
        const QString text = parser.value(seconds);
        bool ok = false;
        options.seconds = text.toInt(&ok);
        if (!ok || options.seconds < 0) {
            error = "--seconds needs a whole number of seconds, not '" + text + "'";
            return false;
        }
    }
    QStringList positional = parser.positionalArguments();
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
    } else if (options.command == "history") {
        if (positional.isEmpty()) {
            error = "history needs a history file";
            return false;
        }
        if (!options.historyPath.isEmpty()) {
            error = "--history belongs to monitor";
            return false;
        }
        options.historyPath = positional.takeFirst();
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
    if ((options.seconds != 0 || options.apply || !options.journalPath.isEmpty() ||
         (!options.historyPath.isEmpty() && options.command != "history")) &&
        options.command != "monitor") {
        error = "--seconds, --apply, --journal and --history belong to monitor";
        return false;
    }
    if ((options.receiver != 0 || options.csv || !options.fromText.isEmpty() ||
         !options.toText.isEmpty()) &&
        options.command != "history") {
        error = "--receiver, --from, --to and --csv belong to history";
        return false;
    }
    const bool board = options.command == "board";
    if (!options.station.isEmpty() && options.mqttUrl.isEmpty()) {
        error = "--station belongs to --mqtt";
        return false;
    }
    if (!options.mqttUrl.isEmpty() && options.command != "monitor" && !board) {
        error = "--mqtt belongs to monitor and board";
        return false;
    }
    if (board && (options.mqttUrl.isEmpty() || options.serve.isEmpty())) {
        error = "board needs --mqtt URL and --serve ADDRESS:PORT";
        return false;
    }
    if (board && !options.station.isEmpty()) {
        error = "--station belongs to monitor";
        return false;
    }
    if ((!options.serve.isEmpty() || !options.token.isEmpty()) && options.command != "monitor" &&
        !board) {
        error = "--serve and --token belong to monitor and board";
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
               "[--history FILE] [--apply] [--serve ADDRESS:PORT [--token T]]\n"
               "[--mqtt URL [--station NAME]] [--trace]\n"
               "Monitors every receiver of the environment file and prints its communication\n"
               "state and every polled value as it changes (one JSON object a line with --json),\n"
               "and every alarm start and clear ([alarm] of Tessaly.ini sets the limits).\n"
               "--journal FILE appends the alarms to FILE as the program's alarm journal does.\n"
               "--history FILE records every receiver's values once a second into FILE (SQLite)\n"
               "as the program's show history does; read it with tessaly-cli history.\n"
               "It only watches: names and frequencies stay as the receivers have them. With\n"
               "--apply each receiver is first given the name and frequency of the file when\n"
               "it connects. Runs N seconds, or until Ctrl-C when N is 0 or absent, then ends\n"
               "remote control cleanly. Exits 1 when a receiver is not connected at the end.\n"
               "--serve ADDRESS:PORT serves the live board to browsers and scripts there (GET /,\n"
               "/api/v1/receivers, /api/v1/alarms, /api/v1/stream, /metrics), read-only; any\n"
               "address but loopback needs --token T (or [remote] token= in Tessaly.ini).\n"
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
    if (command == "history") {
        return "usage: tessaly-cli history FILE [--receiver N] [--from TIME] [--to TIME] [--csv]\n"
               "Reads a show history file (the program's history-YYYY-MM-DD.sqlite, or one\n"
               "written by monitor --history). Without --csv lists its receivers and the time\n"
               "it covers; with --csv prints its rows, one a receiver and second, as CSV:\n"
               "time,receiver,name,state,rf_a_min,rf_a_max,rf_b_min,rf_b_max,af_max,battery,\n"
               "antenna,antenna_changes,muted (dBm and dB, local time).\n"
               "--receiver N keeps receiver N only. --from and --to keep the rows from and up to\n"
               "TIME, both included. TIME is local time: YYYY-MM-DDTHH:MM[:SS] (a space for the\n"
               "T works too, an offset such as +01:00 may follow), or HH:MM[:SS] on the day of\n"
               "the file's first row. Exits 3 when the file cannot be read.\n";
    }
    if (command == "scan") {
        return "usage: tessaly-cli scan [--trace]\n"
               "Pings the local private subnets and lists the receivers in the neighbour table\n"
               "whose MAC address carries a prefix of the settings (mac/cnt, mac/maskN).\n";
    }
    return "usage: tessaly-cli COMMAND [options]\n"
           "Commands:\n"
           "  monitor ENV.ini [--seconds N] [--json] [--journal FILE] [--history FILE]\n"
           "          [--apply] [--serve ADDRESS:PORT [--token T]] [--mqtt URL [--station NAME]]\n"
           "                                           live values and alarms of every receiver\n"
           "  upload ENV.ini [--dry-run | --yes]       send names and frequencies, checked\n"
           "  download ENV.ini [-o OUT.ini]            read every receiver's settings\n"
           "  scan                                     find receivers on the LAN\n"
           "  coordinate ENV.ini [--json] [--assign [-o OUT.ini]]   frequency conflicts\n"
           "  history FILE [--receiver N] [--from TIME] [--to TIME] [--csv]\n"
           "                                           the recorded show history\n"
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
