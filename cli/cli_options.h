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
    QString command; // monitor, upload, download, scan, coordinate, board
    QString environmentPath;
    QString outputPath;  // download -o
    QString journalPath; // monitor --journal
    int seconds = 0;     // monitor --seconds; 0 runs until interrupted
    QString mqttUrl;     // monitor --mqtt: publish to this broker
    QString station;     // monitor --station: the station's name on the broker
    QString serve;       // board --serve ADDRESS:PORT
    QString token;       // board --token
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
