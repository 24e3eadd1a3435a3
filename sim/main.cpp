// tessaly-sim: many simulated receivers on loopback addresses, for rehearsals and tests.

#include "sim/control_channel.h"
#include "sim/fault.h"
#include "sim/signal_pipe.h"
#include "sim/simulator.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QTextStream>

#include <csignal>
#include <cstdio>

using namespace tessaly::sim;

namespace {

constexpr int kExitUsage = 2;
constexpr int kExitStartFailed = 1;

bool parseInt(const QString& text, int low, int high, int& value) {
    bool ok = false;
    const int parsed = text.toInt(&ok);
    if (!ok || parsed < low || parsed > high) {
        return false;
    }
    value = parsed;
    return true;
}

int usageError(const QString& text) {
    std::fprintf(stderr, "tessaly-sim: %s\nTry 'tessaly-sim --help'.\n", qPrintable(text));
    return kExitUsage;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("tessaly-sim"));
    QCoreApplication::setApplicationVersion(QStringLiteral(TESSALY_VERSION_TEXT));

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Simulated wireless-microphone receivers, one per loopback address, "
                       "speaking the receiver command protocol.\n\nFaults: %1.\n"
                       "A fault spec is MODE for every receiver or NUMBERS=MODE for some, "
                       "e.g. --fault 3=refuse --fault 2,5-7=late:1500.")
            .arg(QString::fromStdString(faultNamesText())));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption countOption(QStringLiteral("count"),
                                         QStringLiteral("Number of receivers (default 1)."),
                                         QStringLiteral("n"), QStringLiteral("1"));
    const QCommandLineOption firstOption(
        QStringLiteral("first-address"),
        QStringLiteral("Address of receiver 1, in 127.0.0.0/8 (default 127.0.0.1)."),
        QStringLiteral("address"), QStringLiteral("127.0.0.1"));
    const QCommandLineOption portOption(
        QStringLiteral("port"),
        QStringLiteral("TCP port of every receiver (default %1).").arg(kDefaultSimPort),
        QStringLiteral("port"), QString::number(kDefaultSimPort));
    const QCommandLineOption seedOption(QStringLiteral("seed"),
                                        QStringLiteral("Seed of the simulated levels (default 1)."),
                                        QStringLiteral("n"), QStringLiteral("1"));
    const QCommandLineOption bandOption(
        QStringLiteral("band"),
        QStringLiteral("Band of every receiver: 1 USA, 2 JPN, 3 CHN (default %1).")
            .arg(kSimDefaultBand),
        QStringLiteral("band"), QString::number(kSimDefaultBand));
    const QCommandLineOption faultOption(QStringLiteral("fault"),
                                         QStringLiteral("A fault, see above (repeatable)."),
                                         QStringLiteral("spec"));
    const QCommandLineOption rebootOption(
        QStringLiteral("reboot-ms"),
        QStringLiteral("How long a receiver refuses connections after :SYST:REBOOT "
                       "(default %1).")
            .arg(kDefaultRebootRefuseMs),
        QStringLiteral("ms"), QString::number(kDefaultRebootRefuseMs));
    const QCommandLineOption verboseOption(
        {QStringLiteral("verbose"), QStringLiteral("V")},
        QStringLiteral("Print every command line received and every answer sent."));
    const QCommandLineOption controlOption(
        QStringLiteral("control"),
        QStringLiteral("Rehearsal control: lines \"RX KEY VALUE...\" (RX: 3, 2,5-7 or all; "
                       "battery 0..4, drain SECONDS_PER_LEVEL, rf DBM_A DBM_B | rf live, "
                       "af DB | af live, mute 0|1, fault MODE, down, up) from the local socket "
                       "PATH, or from standard input with -. Each line is answered \"ok\" or "
                       "\"error: REASON\"."),
        QStringLiteral("path"));
    parser.addOptions({countOption, firstOption, portOption, seedOption, bandOption, faultOption,
                       rebootOption, verboseOption, controlOption});
    parser.process(app);
    if (!parser.positionalArguments().isEmpty()) {
        return usageError(
            QStringLiteral("unexpected argument \"%1\"").arg(parser.positionalArguments().first()));
    }

    SimulatorOptions options;
    options.ownThread = false;
    int port = 0;
    if (!parseInt(parser.value(countOption), 1, kMaxSimulatedReceivers, options.count)) {
        return usageError(
            QStringLiteral("--count must be a number from 1 to %1").arg(kMaxSimulatedReceivers));
    }
    if (!parseInt(parser.value(portOption), 1, 65535, port)) {
        return usageError(QStringLiteral("--port must be a number from 1 to 65535"));
    }
    options.port = static_cast<quint16>(port);
    if (!options.firstAddress.setAddress(parser.value(firstOption))) {
        return usageError(QStringLiteral("--first-address is not an address"));
    }
    bool seedOk = false;
    options.seed = parser.value(seedOption).toULongLong(&seedOk);
    if (!seedOk) {
        return usageError(QStringLiteral("--seed must be a non-negative number"));
    }
    if (!parseInt(parser.value(bandOption), 1, 3, options.band)) {
        return usageError(QStringLiteral("--band must be 1, 2 or 3"));
    }
    if (!parseInt(parser.value(rebootOption), 0, 3600 * 1000, options.rebootRefuseMs)) {
        return usageError(QStringLiteral("--reboot-ms must be a number of milliseconds"));
    }
    for (const QString& spec : parser.values(faultOption)) {
        FaultAssignment assignment;
        std::string error;
        if (!parseFaultAssignment(spec.toStdString(), assignment, error)) {
            return usageError(QString::fromStdString(error));
        }
        options.faults.push_back(assignment);
    }
    options.reportTraffic = parser.isSet(verboseOption);

    SignalPipe signals_({SIGINT, SIGTERM});
    QObject::connect(&signals_, &SignalPipe::signalled, &app, [&app] { app.quit(); });

    Simulator simulator;
    QTextStream out(stdout);
    if (options.reportTraffic) {
        QObject::connect(&simulator, &Simulator::traffic,
                         [&out](int number, bool fromClient, const QByteArray& line) {
                             out << "RX" << number << (fromClient ? " <- " : " -> ")
                                 << QString::fromLatin1(line) << Qt::endl;
                         });
    }
    QString error;
    if (!simulator.start(options, &error)) {
        std::fprintf(stderr, "tessaly-sim: %s\n", qPrintable(error));
        return kExitStartFailed;
    }
    for (int number = 1; number <= simulator.count(); ++number) {
        out << "Receiver " << number << " listens on " << simulator.address(number).toString()
            << ":" << simulator.port();
        const Fault fault = simulator.fault(number);
        if (fault.kind != FaultKind::None) {
            out << " (fault " << QString::fromStdString(faultText(fault)) << ")";
        }
        out << Qt::endl;
    }
    ControlChannel control(simulator);
    if (parser.isSet(controlOption)) {
        const QString path = parser.value(controlOption);
        if (path == QStringLiteral("-")) {
            control.readStandardInput();
        } else if (!control.listen(path, &error)) {
            std::fprintf(stderr, "tessaly-sim: %s\n", qPrintable(error));
            simulator.stop();
            return kExitStartFailed;
        } else {
            out << "Control listens on " << path << Qt::endl;
        }
    }
    const int result = app.exec();
    simulator.stop();
    out << "tessaly-sim stopped" << Qt::endl;
    return result;
}
