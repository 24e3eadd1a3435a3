#include "cli/coordinate_command.h"

#include "protocol/environment_file.h"
#include "protocol/frequency.h"
#include "protocol/settings.h"
#include "show/plan_proposer.h"

#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace tessaly::cli {

namespace {

QJsonObject thresholdsJson(const CoordinationThresholds& thresholds) {
    QJsonObject object;
    for (const ThresholdKey& key : kThresholdKeys) {
        object.insert(QString::fromLatin1(key.key), thresholds.*key.field);
    }
    return object;
}

QJsonArray conflictsJson(const ConflictReport& report) {
    QJsonArray conflicts;
    for (const Conflict& conflict : report.conflicts) {
        QJsonArray receivers;
        for (int i = 0; i < conflict.receiverCount; ++i) {
            receivers.append(conflict.receivers[static_cast<size_t>(i)]);
        }
        conflicts.append(QJsonObject{
            {"kind", QString::fromLatin1(conflictKindName(conflict.kind))},
            {"receivers", receivers},
            {"product_khz", conflict.hasProduct
                                ? QJsonValue(static_cast<qint64>(conflict.productKhz))
                                : QJsonValue(QJsonValue::Null)},
        });
    }
    return conflicts;
}

// The file the proposal goes to: a copy of the environment file first, so that lines the
// program does not know survive, then the table written over it.
bool saveProposal(const Options& options, const ReceiverTable& table, QTextStream& out,
                  QTextStream& err) {
    const QString& path = options.outputPath;
    if (!QFileInfo::exists(path) && !QFile::copy(options.environmentPath, path)) {
        err << "tessaly-cli: cannot create '" << path << "'\n";
        return false;
    }
    std::string error;
    if (!writeEnvironmentFile(path.toStdString(), table, displayState(), &error)) {
        err << "tessaly-cli: cannot save '" << path << "': " << QString::fromStdString(error)
            << "\n";
        return false;
    }
    out << "Saved " << path << "\n";
    return true;
}

} // namespace

int runCoordinate(const Options& options, QTextStream& out, QTextStream& err) {
    QString error;
    if (!checkReadable(options.environmentPath, error)) {
        err << "tessaly-cli: " << error << "\n";
        return kExitFile;
    }
    ReceiverTable table;
    readEnvironmentFile(options.environmentPath.toStdString(), table);
    loadCoordinationThresholds(programSettings().sourcePath);
    const CoordinationThresholds& thresholds = coordinationThresholds();

    std::vector<Carrier> carriers = carriersOf(table);
    PlanProposal proposal;
    if (options.assign) {
        const std::vector<PlanReceiver> receivers =
            planReceiversOf(table, programSettings().defaultBand);
        proposal = proposePlan(receivers, thresholds);
        for (const Assignment& a : proposal.assignment) {
            table.byNumber(a.receiver).setFrequencyText(khzToText(a.newKhz));
        }
        carriers = carriersOf(table); // the unassigned stay where they were, clashes and all
    }
    const ConflictReport report = findConflicts(carriers, thresholds);

    if (options.json) {
        QJsonObject root{{"conflicts", conflictsJson(report)},
                         {"conflict_count", static_cast<qint64>(report.counts.total)},
                         {"thresholds", thresholdsJson(thresholds)}};
        if (options.assign) {
            QJsonArray assignment;
            for (const Assignment& a : proposal.assignment) {
                assignment.append(QJsonObject{
                    {"receiver", a.receiver}, {"old_khz", a.oldKhz}, {"new_khz", a.newKhz}});
            }
            QJsonArray unassigned;
            for (const int receiver : proposal.unassigned) {
                unassigned.append(receiver);
            }
            root.insert("assignment", assignment);
            root.insert("unassigned", unassigned);
        }
        out << QJsonDocument(root).toJson(QJsonDocument::Compact) << "\n";
    } else {
        if (options.assign) {
            for (const Assignment& a : proposal.assignment) {
                out << "receiver " << a.receiver << ": "
                    << QString::fromStdString(mhzText(a.oldKhz))
                    << (a.oldKhz == a.newKhz ? " stays" : " -> ")
                    << (a.oldKhz == a.newKhz ? QString()
                                             : QString::fromStdString(khzToText(a.newKhz)))
                    << "\n";
            }
            if (!proposal.unassigned.empty()) {
                out << proposal.unassigned.size()
                    << " receivers did not fit and stay where they are:";
                for (const int receiver : proposal.unassigned) {
                    out << " " << receiver;
                }
                out << "\n";
            }
        }
        for (const Conflict& conflict : report.conflicts) {
            out << QString::fromStdString(describeConflict(conflict, carriers)) << "\n";
        }
        if (report.truncated()) {
            out << "(only the first " << report.conflicts.size() << " are listed)\n";
        }
        out << QString::fromStdString(conflictSummary(report.counts)) << "\n";
    }
    out.flush();
    if (options.assign && !options.outputPath.isEmpty() &&
        !saveProposal(options, table, out, err)) {
        return kExitFile;
    }
    return report.counts.total == 0 ? kExitOk : kExitReceiverFailed;
}

} // namespace tessaly::cli
