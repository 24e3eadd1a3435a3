#include "cli/alarm_reporter.h"

#include "comm/show_observation.h"

#include <QJsonDocument>
#include <QJsonObject>

namespace tessaly::cli {

namespace {

bool isAlarmLine(const show::AlarmEvent& e) {
    return e.kind.has_value() &&
           (e.type == show::AlarmEventType::Start || e.type == show::AlarmEventType::Ack ||
            e.type == show::AlarmEventType::Clear);
}

} // namespace

AlarmReporter::AlarmReporter(const ReceiverTable& table, const MonitorValueTable& values,
                             const std::vector<std::unique_ptr<CCommThreadMonitor>>& engines,
                             show::AlarmModel& model, AlarmJournal* journal, bool json,
                             QTextStream& out)
    : table_(table), values_(values), engines_(engines), model_(model), journal_(journal),
      json_(json), out_(out) {}

int AlarmReporter::sample(qint64 elapsedMs, const show::ShowTime& now) {
    std::vector<show::ReceiverObservation> observations;
    observations.reserve(engines_.size());
    for (const auto& engine : engines_) {
        observations.push_back(observeReceiver(table_, values_, engine->receiverNumber(),
                                               engine->status(), now.steadyMs));
    }
    model_.update(observations, now);
    const std::vector<show::AlarmEvent> events = model_.takeEvents();
    if (journal_ != nullptr) {
        journal_->append(events);
    }
    int lines = 0;
    for (const auto& event : events) {
        if (isAlarmLine(event)) {
            out_ << (json_ ? jsonLine(event) : textLine(event, elapsedMs)) << "\n";
            ++lines;
        }
    }
    if (lines > 0) {
        out_.flush();
    }
    if (taker_ != nullptr) {
        taker_->take(table_, values_, observations, model_, events, now);
    }
    return lines;
}

QString AlarmReporter::jsonLine(const show::AlarmEvent& e) {
    if (!isAlarmLine(e)) {
        return {};
    }
    const QJsonObject object{
        {"type", "alarm"},
        {"event", show::alarmEventName(e.type)},
        {"receiver", e.receiver},
        {"kind", show::alarmKindName(*e.kind)},
        {"severity", show::severityName(show::alarmSeverity(*e.kind))},
        {"time", journalTimeText(e.wallMs)},
        {"value", e.value ? QJsonValue(*e.value) : QJsonValue()},
    };
    return QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Compact));
}

QString AlarmReporter::textLine(const show::AlarmEvent& e, qint64 elapsedMs) {
    if (!isAlarmLine(e)) {
        return {};
    }
    QString line = QString("%1s #%2 %3 ALARM %4 %5 (%6)")
                       .arg(elapsedMs / 1000.0, 0, 'f', 1)
                       .arg(e.receiver)
                       .arg(QString::fromStdString(e.name))
                       .arg(show::alarmEventName(e.type))
                       .arg(show::alarmKindName(*e.kind))
                       .arg(show::severityName(show::alarmSeverity(*e.kind)));
    if (e.value) {
        line += QStringLiteral(" value %1").arg(*e.value);
    }
    return line;
}

} // namespace tessaly::cli
