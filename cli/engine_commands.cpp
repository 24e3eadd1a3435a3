#include "cli/engine_commands.h"

#include "cli/alarm_reporter.h"
#include "cli/monitor_reporter.h"
#include "comm/comm_thread_monitor.h"
#include "comm/exchange_sequence.h"
#include "core/message_codes.h"
#include "history/history_recorder.h"
#include "mqtt/mqtt_publisher.h"
#include "protocol/environment_file.h"
#include "protocol/settings.h"
#include "remote/remote_service.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFileInfo>
#include <QTimer>

#include <atomic>
#include <csignal>
#include <cstdio>
#include <memory>
#include <vector>

namespace tessaly::cli {

namespace {

std::atomic<bool> interruptFlag{false};

constexpr int kSampleIntervalMs = 100;
constexpr int kStopSettleLimitMs = 2000; // time for ":REMOTE 0" to go out before the threads end

void onSignal(int) {
    interruptFlag.store(true);
}

} // namespace

// Prints an engine's trace lines on stderr, prefixed with its receiver number.
void routeTrace(CommTrace& trace, int number, QTextStream& err) {
    QObject::connect(&trace, &CommTrace::lineAdded, QCoreApplication::instance(),
                     [&err, number](int, const QString& line) {
                         err << "[" << number << "] " << line << "\n";
                         err.flush();
                     });
}

EngineOptions engineOptions(bool trace) {
    EngineOptions options;
    options.commDebug = trace || programSettings().commDebug != 0;
    return options;
}

bool loadEnvironment(const Options& options, ReceiverTable& table, QTextStream& err) {
    QString error;
    if (!checkReadable(options.environmentPath, error)) {
        err << "tessaly-cli: " << error << "\n";
        return false;
    }
    readEnvironmentFile(options.environmentPath.toStdString(), table);
    return true;
}

void installInterruptHandler() {
    std::signal(SIGINT, onSignal);
    std::signal(SIGTERM, onSignal);
}

bool interrupted() {
    return interruptFlag.load();
}

int runMonitor(const Options& options, QTextStream& out, QTextStream& err) {
    ReceiverTable& table = programReceiverTable();
    MonitorValueTable& values = programMonitorValues();
    remote::RemoteOptions serve;
    if (!options.serve.isEmpty()) {
        serve.token = options.token.isEmpty()
                          ? QString::fromStdString(programSettings().remoteToken)
                          : options.token;
        QString error;
        if (!remote::parseListenAddress(options.serve, serve.address, serve.port, error) ||
            !remote::mayListen(serve.address, serve.token, error)) {
            err << "tessaly-cli: --serve: " << error << "\n";
            return kExitUsage;
        }
    }
    if (!loadEnvironment(options, table, err)) {
        return kExitFile;
    }
    if (table.count == 0) {
        err << "tessaly-cli: " << options.environmentPath << " holds no receiver\n";
        return kExitFile;
    }
    // Watching must not retune or rename a live rig: nothing is pending unless the operator
    // asked for it. With --apply it is as when the program opens a file over an empty table:
    // every name and frequency is new, so each engine sends them when it connects.
    const int32_t pending = options.apply ? 1 : 0;
    for (int number = 1; number <= table.count; ++number) {
        ReceiverRecord& record = table.byNumber(number);
        record.nameChanged = pending;
        record.freqChanged = pending;
        record.rxtxChanged = 0;
    }
    values.reset();
    values.count = table.count;
    mqtt::MqttSettings mqttSettings;
    if (!options.mqttUrl.isEmpty()) {
        mqttSettings = mqtt::readMqttSettingsFile(programSettings().sourcePath);
        mqttSettings.url = options.mqttUrl;
        if (!options.station.isEmpty()) {
            mqttSettings.station = options.station;
        }
        mqtt::MqttEndpoint endpoint;
        QString error;
        if (!mqtt::parseMqttUrl(mqttSettings.url, endpoint, error)) {
            err << "tessaly-cli: " << error << "\n";
            return kExitUsage;
        }
    }

    std::vector<std::unique_ptr<CCommThreadMonitor>> engines;
    for (int number = 1; number <= table.count; ++number) {
        auto engine = std::make_unique<CCommThreadMonitor>(&table, &values, number,
                                                           engineOptions(options.trace));
        if (options.trace) {
            engine->trace().setDataTraceOn(true);
            routeTrace(engine->trace(), number, err);
        }
        engine->start();
        engine->post(kEvMonitorStart, programSettings().monitorNameDev);
        engines.push_back(std::move(engine));
    }

    MonitorReporter reporter(table, values, options.json, out,
                             [&engines](int number) { return engines[number - 1]->answered(); });
    show::AlarmModel alarms(show::readAlarmSettingsFile(programSettings().sourcePath));
    if (const auto end = show::parseShowEnd(readShowEnd(options.environmentPath.toStdString()))) {
        alarms.setShowEnd(show::showEndWallMs(*end, show::wallNowMs()));
    }
    std::unique_ptr<AlarmJournal> journal;
    if (!options.journalPath.isEmpty()) {
        journal = std::make_unique<AlarmJournal>(JournalOptions{
            options.journalPath, {}, QString::fromStdString(alarms.settings().station)});
    }
    AlarmReporter alarmReporter(table, values, engines, alarms, journal.get(), options.json, out);
    show::SnapshotHub snapshots;
    ShowSnapshotTaker snapshotTaker(snapshots, kSampleIntervalMs);
    alarmReporter.setSnapshotTaker(&snapshotTaker);
    // After the hub, so it leaves the hub before the hub goes.
    std::unique_ptr<history::HistoryRecorder> history;
    if (!options.historyPath.isEmpty()) {
        history::HistoryOptions historyOptions;
        historyOptions.path = options.historyPath;
        historyOptions.station = QString::fromStdString(alarms.settings().station);
        history = std::make_unique<history::HistoryRecorder>(historyOptions);
        history->attach(snapshots);
    }
    remote::RemoteService server; // stopped before the hub it reads goes
    bool serveFailed = false;
    if (!options.serve.isEmpty()) {
        QString error;
        if (!server.start(serve, remote::localBoard(snapshots), error)) {
            err << "tessaly-cli: --serve: " << error << "\n";
            serveFailed = true;
            interruptFlag.store(true); // nothing watched without the board that was asked for
        } else {
            err << "tessaly-cli: serving the board on http://"
                << (serve.address.protocol() == QAbstractSocket::IPv6Protocol
                        ? "[" + serve.address.toString() + "]"
                        : serve.address.toString())
                << ":" << server.port() << "/\n";
            err.flush();
        }
    }
    QString mqttError;
    // Said from the publisher's own thread: straight to stderr, one line at a time.
    auto publisher = mqtt::startPublisher(
        mqttSettings, snapshots,
        [](const QString& text) { std::fprintf(stderr, "tessaly-cli: %s\n", qPrintable(text)); },
        mqttError);
    bool journalErrorSaid = false;
    bool historyErrorSaid = false;
    QElapsedTimer clock;
    clock.start();
    const auto sampleAll = [&] {
        reporter.sample(clock.elapsed());
        alarmReporter.sample(clock.elapsed(), show::ShowTime::now());
        if (journal && !journalErrorSaid && !journal->errorText().isEmpty()) {
            err << "tessaly-cli: " << journal->errorText() << "\n";
            err.flush();
            journalErrorSaid = true;
        }
        if (history && !historyErrorSaid && !history->errorText().isEmpty()) {
            err << "tessaly-cli: " << history->errorText() << "\n";
            err.flush();
            historyErrorSaid = true;
        }
    };
    QEventLoop loop;
    QTimer sampler;
    // On time, as the program's own refresh: a coarse timer wanders by 5 % and wakes with every
    // other coarse timer of the machine.
    sampler.setTimerType(Qt::PreciseTimer);
    QObject::connect(&sampler, &QTimer::timeout, [&] {
        sampleAll();
        if (interrupted() || (options.seconds > 0 && clock.elapsed() >= options.seconds * 1000)) {
            loop.quit();
        }
    });
    sampler.start(kSampleIntervalMs);
    loop.exec();
    sampler.stop();

    for (auto& engine : engines) {
        engine->post(kEvMonitorStop);
    }
    QElapsedTimer settle;
    settle.start();
    const auto allStopped = [&] {
        for (const auto& engine : engines) {
            if (engine->runState() != kEvMonitorStop) {
                return false;
            }
        }
        return true;
    };
    while (!allStopped() && settle.elapsed() < kStopSettleLimitMs) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    for (auto& engine : engines) {
        engine->requestQuit();
    }
    for (auto& engine : engines) {
        engine->stop();
    }
    QCoreApplication::processEvents(); // the last trace lines
    sampleAll();                       // stopped engines: the alarms still open clear
    snapshotTaker.stopped({}, show::ShowTime::now());
    publisher.reset(); // the stop goes out, then "offline"
    if (journal) {
        journal->waitWritten(kStopSettleLimitMs);
    }
    if (history) {
        history->flush(kStopSettleLimitMs);
    }
    server.stop();
    if (serveFailed) {
        return kExitUsage;
    }
    const int connected = reporter.connectedCount();
    if (!options.json) {
        out << connected << " of " << table.count << " receivers connected at the end\n";
        out.flush();
    }
    return connected < table.count ? kExitReceiverFailed : kExitOk;
}

int runExchange(const Options& options, QTextStream& out, QTextStream& err) {
    ReceiverTable loaded;
    if (!loadEnvironment(options, loaded, err)) {
        return kExitFile;
    }
    if (loaded.count == 0) {
        err << "tessaly-cli: " << options.environmentPath << " holds no receiver\n";
        return kExitFile;
    }
    const bool upload = options.command == "upload";
    const QString title = upload ? "Upload" : "Download";
    const QString outputPath =
        options.outputPath.isEmpty() ? options.environmentPath : options.outputPath;
    if (!upload && QFileInfo(outputPath).exists() && !QFileInfo(outputPath).isWritable()) {
        err << "tessaly-cli: '" << outputPath << "' cannot be written (permission denied)\n";
        return kExitFile;
    }

    ExchangeSequence sequence(upload ? ExchangeKind::Upload : ExchangeKind::Download, loaded,
                              engineOptions(options.trace));
    int failures = 0;
    bool stopped = false;
    QEventLoop loop;
    QObject::connect(&sequence, &ExchangeSequence::exchangeStarted,
                     [&](int number, int position, int total) {
                         if (options.trace) {
                             routeTrace(sequence.engine()->trace(), number, err);
                         }
                         Q_UNUSED(position);
                         Q_UNUSED(total);
                     });
    QObject::connect(&sequence, &ExchangeSequence::exchangeFinished,
                     [&](int number, int result, const QString& status, const QString& detail) {
                         const ReceiverRecord& record = sequence.table().byNumber(number);
                         out << title << " [" << number << "/" << sequence.table().count << "] "
                             << QString::fromUtf8(record.ip) << " "
                             << QString::fromUtf8(record.name) << ": " << status;
                         if (result != 0 || !detail.isEmpty()) {
                             out << " (" << QString(detail).replace('\n', ' ') << ")";
                             ++failures;
                         }
                         out << "\n";
                         out.flush();
                     });
    QObject::connect(&sequence, &ExchangeSequence::finished, [&](bool wasStopped) {
        stopped = wasStopped;
        loop.quit();
    });
    QTimer interruptWatch;
    QObject::connect(&interruptWatch, &QTimer::timeout, [&] {
        if (interrupted()) {
            sequence.requestStop();
        }
    });
    interruptWatch.start(kSampleIntervalMs);
    sequence.start();
    loop.exec();
    out << title << " " << (stopped ? "Stopped." : "Finished.") << "\n";
    out.flush();

    if (!upload && sequence.dataChanged()) {
        displayState().layoutMode = sequence.table().displayMode;
        std::string error;
        if (!writeEnvironmentFile(outputPath.toStdString(), sequence.table(), displayState(),
                                  &error)) {
            err << "tessaly-cli: cannot save '" << outputPath
                << "': " << QString::fromStdString(error) << "\n";
            return kExitFile;
        }
        out << "Saved " << outputPath << "\n";
    }
    return failures > 0 || stopped ? kExitReceiverFailed : kExitOk;
}

} // namespace tessaly::cli
