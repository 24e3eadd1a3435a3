#include "cli/upload_command.h"

#include "cli/engine_commands.h"
#include "comm/checked_upload.h"

#include <QEventLoop>
#include <QTimer>

#include <cstdio>
#include <unistd.h>

namespace tessaly::cli {

namespace {

constexpr int kInterruptCheckMs = 100;

QString text(const std::string& value) {
    return QString::fromStdString(value);
}

QString quoted(const std::string& name) {
    return "\"" + text(name) + "\"";
}

void printDifference(const CheckedUpload& upload, QTextStream& out) {
    int unchanged = 0;
    for (const UploadCheckRow& row : upload.rows()) {
        if (!row.changed()) {
            ++unchanged;
            continue;
        }
        out << "Receiver " << row.number << " " << text(row.ip) << ": ";
        if (!row.reported) {
            out << "could not be read; would be sent name " << quoted(row.plannedName)
                << ", frequency " << text(row.plannedFreqText) << "\n";
            continue;
        }
        QStringList changes;
        if (row.nameDiffers()) {
            changes << "name " + quoted(row.reportedName) + " -> " + quoted(row.plannedName);
        }
        if (row.freqDiffers()) {
            changes << "frequency " + text(row.reportedFreqText) + " -> " +
                           text(row.plannedFreqText);
        }
        out << changes.join(", ") << "\n";
    }
    out << upload.changedCount() << " of " << upload.rows().size() << " receivers change, "
        << unchanged << " unchanged\n";
    out.flush();
}

// Starts the phase and runs the event loop until `finishedSignal` fires (even at once), passing
// Ctrl-C on as a stop request.
template <typename Signal>
bool runPhase(CheckedUpload& upload, Signal finishedSignal, void (CheckedUpload::*start)()) {
    bool stopped = false;
    bool done = false;
    QEventLoop loop; // also the connection's context: it goes with the loop
    QObject::connect(&upload, finishedSignal, &loop, [&](bool wasStopped) {
        stopped = wasStopped;
        done = true;
        loop.quit();
    });
    QTimer interruptWatch;
    QObject::connect(&interruptWatch, &QTimer::timeout, [&] {
        if (interrupted()) {
            upload.requestStop();
        }
    });
    interruptWatch.start(kInterruptCheckMs);
    (upload.*start)();
    if (!done) {
        loop.exec();
    }
    return stopped;
}

} // namespace

SendQuestion terminalQuestion() {
    if (isatty(STDIN_FILENO) == 0) {
        return {};
    }
    return [](QTextStream& out) {
        out << "Send these names and frequencies to the receivers? [y/N] ";
        out.flush();
        QTextStream in(stdin);
        const QString answer = in.readLine().trimmed().toLower();
        return answer == "y" || answer == "yes";
    };
}

int runUpload(const Options& options, QTextStream& out, QTextStream& err, const SendQuestion& ask) {
    ReceiverTable planned;
    if (!loadEnvironment(options, planned, err)) {
        return kExitFile;
    }
    if (planned.count == 0) {
        err << "tessaly-cli: " << options.environmentPath << " holds no receiver\n";
        return kExitFile;
    }
    if (!options.dryRun && !options.yes && !ask) {
        // Nobody could answer the question: better to say so than to wait or to send unasked.
        err << "tessaly-cli: upload asks before sending and stdin is not a terminal; "
               "use --yes to send or --dry-run to only look\n";
        return kExitUsage;
    }

    CheckedUpload upload(planned, engineOptions(options.trace));
    QObject::connect(&upload, &CheckedUpload::exchangeStarted, [&](int number, int, int) {
        if (options.trace) {
            routeTrace(upload.sequence()->engine()->trace(), number, err);
        }
    });
    out << "Reading the receivers' names and frequencies...\n";
    out.flush();
    if (runPhase(upload, &CheckedUpload::readFinished, &CheckedUpload::readCurrent)) {
        out << "Upload Stopped.\n";
        return kExitReceiverFailed;
    }
    printDifference(upload, out);
    if (options.dryRun) {
        out << "Dry run: nothing sent.\n";
        return kExitOk;
    }
    if (!options.yes && !ask(out)) {
        out << "Nothing sent.\n";
        return kExitOk;
    }

    QObject::connect(&upload, &CheckedUpload::exchangeFinished,
                     [&](int number, int result, const QString& status, const QString& detail) {
                         const ReceiverRecord& record = planned.byNumber(number);
                         out << "Upload [" << number << "/" << planned.count << "] "
                             << text(record.ip) << " " << text(record.name) << ": " << status;
                         if (result != 0 || !detail.isEmpty()) {
                             out << " (" << QString(detail).replace('\n', ' ') << ")";
                         }
                         out << "\n";
                         out.flush();
                     });
    QObject::connect(&upload, &CheckedUpload::receiverVerified,
                     [&](int number, bool, const QString& status) {
                         out << "Check [" << number << "/" << planned.count << "] "
                             << text(planned.byNumber(number).ip) << ": " << status << "\n";
                         out.flush();
                     });
    const bool stopped = runPhase(upload, &CheckedUpload::finished, &CheckedUpload::send);
    out << "Upload " << (stopped ? "Stopped." : "Finished.") << "\n";
    const QStringList problems = upload.problems();
    if (!problems.isEmpty()) {
        out << "Not verified:\n";
        for (const QString& line : problems) {
            out << "  " << line << "\n";
        }
    }
    out.flush();
    return problems.isEmpty() && !stopped ? kExitOk : kExitReceiverFailed;
}

} // namespace tessaly::cli
