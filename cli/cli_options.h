#pragma once

#include <QString>
#include <QStringList>

namespace tessaly::cli {

// Exit codes of tessaly-cli.
constexpr int kExitOk = 0;
constexpr int kExitReceiverFailed = 1; // the run went through but a receiver failed
constexpr int kExitUsage = 2;
constexpr int kExitFile = 3; // a file could not be read or written

struct Options {
    QString command; // monitor, upload, download, scan, coordinate, history, board
    QString environmentPath;
    QString outputPath;  // download -o
    QString journalPath; // monitor --journal
    QString historyPath; // monitor --history, and the file of history
    int receiver = 0;    // history --receiver; 0 all
    QString fromText;    // history --from, --to
    QString toText;
    bool csv = false; // history --csv
    int seconds = 0;  // monitor --seconds; 0 runs until interrupted
    QString mqttUrl;  // monitor and board --mqtt: the broker
    QString station;  // monitor --station: the station's name on the broker
    QString serve;    // monitor and board --serve ADDRESS:PORT: the remote board
    QString token;    // --token: the remote board's token ([remote] token= otherwise)
    bool json = false;
    bool apply = false;  // monitor --apply: send the file's names and frequencies at connect
    bool assign = false; // coordinate --assign
    bool trace = false;
    bool dryRun = false; // upload --dry-run: show what would change, send nothing
    bool yes = false;    // upload --yes: send without asking
    bool help = false;
    bool version = false;
};

// Parses the arguments after the program name. On failure returns false and sets `error`.
bool parseOptions(const QStringList& arguments, Options& options, QString& error);

// The usage text of one command, or of the whole program for an empty command.
QString usageText(const QString& command);

// Checks that the file exists and can be read; otherwise says why in `error`.
bool checkReadable(const QString& path, QString& error);

} // namespace tessaly::cli
