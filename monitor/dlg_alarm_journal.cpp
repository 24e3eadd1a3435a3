#include "monitor/dlg_alarm_journal.h"

#include "chrome/text_functions.h"
#include "chrome/user_prompts.h"
#include "monitor/csv_file.h"
#include "monitor/show_watch.h"

#include <QComboBox>
#include <QDateTime>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace tessaly {

namespace {

constexpr int kHealthRefreshMs = 1000;
const QSize kInitialSize(1500, 460);
const QColor kCriticalRow(255, 214, 214);
const QColor kWarningRow(255, 236, 196);

const char* const kHeaders[CDlgAlarmJournal::ColumnCount] = {"Rx",         "Name",
                                                             "Frequency",  "Alarm",
                                                             "Severity",   "State",
                                                             "Start",      "Value",
                                                             "Worst",      "Acknowledged",
                                                             "Cleared",    "Last answer",
                                                             "Round trip", "Worst round trip",
                                                             "Reconnects"};

QString valueText(show::AlarmKind kind, const std::optional<double>& value) {
    if (!value) {
        return {};
    }
    switch (kind) {
    case show::AlarmKind::Offline:
        return QStringLiteral("%1 s").arg(*value, 0, 'f', 0);
    case show::AlarmKind::RfLoss:
        return QStringLiteral("%1 dBm").arg(*value, 0, 'f', 1);
    case show::AlarmKind::Clip:
        return QStringLiteral("%1 dB").arg(*value, 0, 'f', 1);
    case show::AlarmKind::FrequencyConflict:
        return QStringLiteral("%1 MHz").arg(*value, 0, 'f', 3);
    case show::AlarmKind::BatteryForecast:
        return QStringLiteral("%1 min").arg(*value, 0, 'f', 0);
    default:
        return QString::number(*value);
    }
}

QString optionalTime(const std::optional<int64_t>& wallMs) {
    return wallMs ? journalWindowTime(*wallMs) : QString();
}

QString millisecondsText(int64_t ms) {
    return ms < 0 ? QString() : QStringLiteral("%1 ms").arg(ms);
}

} // namespace

QString alarmStateText(const show::AlarmRecord& alarm) {
    if (!alarm.active()) {
        return QStringLiteral("cleared");
    }
    if (alarm.flapping) {
        return QStringLiteral("flapping");
    }
    return alarm.acknowledged() ? QStringLiteral("acknowledged") : QStringLiteral("active");
}

QString journalWindowTime(int64_t wallMs) {
    return QDateTime::fromMSecsSinceEpoch(wallMs).toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

CDlgAlarmJournal::CDlgAlarmJournal(CShowWatch& watch, QWidget* parent,
                                   std::shared_ptr<CUserPrompts> prompts)
    : QWidget(parent, Qt::Window), watch_(watch), prompts_(std::move(prompts)) {
    setWindowTitle(QString::fromLatin1(kAlarmJournalTitle));
    table_ = new QTableWidget(0, ColumnCount, this);
    QStringList headers;
    for (const char* header : kHeaders) {
        headers << QString::fromLatin1(header);
    }
    table_->setHorizontalHeaderLabels(headers);
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->setShowGrid(true);
    table_->verticalHeader()->hide();
    table_->horizontalHeader()->setStretchLastSection(true);

    acknowledge_ = new QPushButton(QStringLiteral("Acknowledge"), this);
    acknowledgeAll_ = new QPushButton(QStringLiteral("Acknowledge All"), this);
    silenceChoice_ = new QComboBox(this);
    for (int minutes : kSilenceChoices) {
        silenceChoice_->addItem(minutes == 0   ? QStringLiteral("until unsilenced")
                                : minutes < 60 ? QStringLiteral("for %1 min").arg(minutes)
                                               : QStringLiteral("for %1 h").arg(minutes / 60),
                                minutes);
    }
    silence_ = new QPushButton(QStringLiteral("Silence"), this);
    unsilence_ = new QPushButton(QStringLiteral("Unsilence"), this);
    export_ = new QPushButton(QStringLiteral("Export CSV"), this);
    export_->setObjectName(QStringLiteral("exportButton"));
    history_ = new QPushButton(QStringLiteral("History\u2026"), this);
    history_->setToolTip(QStringLiteral("The selected alarm's receiver around its start"));
    history_->setObjectName(QStringLiteral("historyButton"));
    silenced_ = new QLabel(this);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(acknowledge_);
    buttons->addWidget(acknowledgeAll_);
    buttons->addSpacing(16);
    buttons->addWidget(silence_);
    buttons->addWidget(silenceChoice_);
    buttons->addWidget(unsilence_);
    buttons->addStretch(1);
    buttons->addWidget(history_);
    buttons->addWidget(export_);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(table_, 1);
    layout->addWidget(silenced_);
    layout->addLayout(buttons);
    resize(kInitialSize);

    connect(acknowledge_, &QPushButton::clicked, this, &CDlgAlarmJournal::onAcknowledge);
    connect(acknowledgeAll_, &QPushButton::clicked, this, &CDlgAlarmJournal::onAcknowledgeAll);
    connect(silence_, &QPushButton::clicked, this, &CDlgAlarmJournal::onSilence);
    connect(unsilence_, &QPushButton::clicked, this, &CDlgAlarmJournal::onUnsilence);
    connect(export_, &QPushButton::clicked, this, &CDlgAlarmJournal::onExport);
    connect(history_, &QPushButton::clicked, this, [this] {
        const int row = table_->currentRow();
        if (row >= 0 && static_cast<size_t>(row) < rowStart_.size()) {
            emit historyRequested(rowReceiver_[static_cast<size_t>(row)],
                                  rowStart_[static_cast<size_t>(row)]);
        } else {
            emit historyRequested(0, 0);
        }
    });
    connect(&watch_, &CShowWatch::alarmsChanged, this, [this] {
        if (isVisible()) {
            refresh();
        }
    });
    healthTimer_.setInterval(kHealthRefreshMs);
    connect(&healthTimer_, &QTimer::timeout, this, &CDlgAlarmJournal::refresh);
    refresh();
}

void CDlgAlarmJournal::showFor(int receiver) {
    refresh();
    table_->resizeColumnsToContents();
    show();
    raise();
    activateWindow();
    healthTimer_.start();
    for (size_t row = 0; receiver > 0 && row < rowReceiver_.size(); ++row) {
        if (rowReceiver_[row] == receiver) {
            table_->selectRow(static_cast<int>(row));
            break;
        }
    }
}

void CDlgAlarmJournal::refresh() {
    const show::AlarmModel& model = watch_.model();
    std::vector<show::AlarmRecord> alarms = model.activeAlarms();
    const std::vector<show::AlarmRecord> history = model.history();
    alarms.insert(alarms.end(), history.begin(), history.end());

    const uint64_t selected = [this] {
        const int row = table_->currentRow();
        return row >= 0 && static_cast<size_t>(row) < rowAlarm_.size()
                   ? rowAlarm_[static_cast<size_t>(row)]
                   : uint64_t{0};
    }();
    table_->setRowCount(static_cast<int>(alarms.size()));
    rowAlarm_.clear();
    rowReceiver_.clear();
    rowStart_.clear();
    int selectRow = -1;
    for (size_t i = 0; i < alarms.size(); ++i) {
        const show::AlarmRecord& alarm = alarms[i];
        const show::ConnectionHealth& health = model.receiver(alarm.receiver).health;
        const QString texts[ColumnCount] = {
            QString::number(alarm.receiver),
            textFromBytes(alarm.name),
            QString::fromStdString(alarm.freqText),
            QString::fromLatin1(show::alarmKindName(alarm.kind)),
            QString::fromLatin1(show::severityName(alarm.severity)),
            alarmStateText(alarm),
            journalWindowTime(alarm.startWallMs),
            valueText(alarm.kind, alarm.startValue),
            valueText(alarm.kind, alarm.worstValue),
            optionalTime(alarm.ackWallMs),
            optionalTime(alarm.clearWallMs),
            health.lastAnswerAgeMs < 0
                ? QStringLiteral("none")
                : QStringLiteral("%1 s ago").arg(health.lastAnswerAgeMs / 1000.0, 0, 'f', 1),
            millisecondsText(health.roundTripLastMs),
            millisecondsText(health.roundTripWorstMs),
            QString::number(health.reconnects),
        };
        const int row = static_cast<int>(i);
        for (int column = 0; column < ColumnCount; ++column) {
            auto* item = table_->item(row, column);
            if (item == nullptr) {
                item = new QTableWidgetItem;
                table_->setItem(row, column, item);
            }
            item->setText(texts[column]);
            // Open alarms stand out; the state column says the same in words.
            item->setBackground(!alarm.active()                              ? QBrush()
                                : alarm.severity == show::Severity::Critical ? kCriticalRow
                                                                             : kWarningRow);
        }
        rowAlarm_.push_back(alarm.id);
        rowReceiver_.push_back(alarm.receiver);
        rowStart_.push_back(alarm.startWallMs);
        if (alarm.id == selected) {
            selectRow = row;
        }
    }
    if (selectRow >= 0) {
        table_->selectRow(selectRow);
    }
    acknowledgeAll_->setEnabled(watch_.unacknowledgedCount() > 0);
    silenced_->setText(silencedText());
}

QString CDlgAlarmJournal::silencedText() const {
    QStringList parts;
    for (int n = 1; n <= show::kShowMaxReceivers; ++n) {
        const show::ReceiverShowState& state = watch_.model().receiver(n);
        if (!state.silenced) {
            continue;
        }
        parts << (state.silencedUntilWallMs
                      ? QStringLiteral("%1 until %2")
                            .arg(n)
                            .arg(QDateTime::fromMSecsSinceEpoch(*state.silencedUntilWallMs)
                                     .toString(QStringLiteral("HH:mm")))
                      : QStringLiteral("%1 until unsilenced").arg(n));
    }
    return parts.isEmpty() ? QString()
                           : QStringLiteral("Silenced: ") + parts.join(QStringLiteral(", "));
}

int CDlgAlarmJournal::selectedReceiver() const {
    const int row = table_->currentRow();
    return row >= 0 && static_cast<size_t>(row) < rowReceiver_.size()
               ? rowReceiver_[static_cast<size_t>(row)]
               : 0;
}

void CDlgAlarmJournal::onAcknowledge() {
    for (const QModelIndex& index : table_->selectionModel()->selectedRows()) {
        if (static_cast<size_t>(index.row()) < rowAlarm_.size()) {
            watch_.acknowledge(rowAlarm_[static_cast<size_t>(index.row())]);
        }
    }
    refresh();
}

void CDlgAlarmJournal::onAcknowledgeAll() {
    watch_.acknowledgeAll();
    refresh();
}

void CDlgAlarmJournal::onSilence() {
    const int receiver = selectedReceiver();
    if (receiver == 0) {
        return;
    }
    const int minutes = silenceChoice_->currentData().toInt();
    watch_.silence(receiver, minutes == 0 ? std::nullopt : std::optional<int>(minutes));
    refresh();
}

void CDlgAlarmJournal::onUnsilence() {
    const int receiver = selectedReceiver();
    if (receiver != 0) {
        watch_.unsilence(receiver);
    }
    refresh();
}

std::vector<QStringList> CDlgAlarmJournal::rows() const {
    std::vector<QStringList> out;
    QStringList header;
    for (const char* text : kHeaders) {
        header << QString::fromLatin1(text);
    }
    out.push_back(header);
    for (int row = 0; row < table_->rowCount(); ++row) {
        QStringList line;
        for (int column = 0; column < ColumnCount; ++column) {
            const QTableWidgetItem* item = table_->item(row, column);
            line << (item != nullptr ? item->text() : QString());
        }
        out.push_back(line);
    }
    return out;
}

bool CDlgAlarmJournal::exportCsv(const QString& path, QString* error) const {
    return writeCsvFile(path, rows(), error);
}

void CDlgAlarmJournal::onExport() {
    const QString path =
        prompts_->saveFileName(this, QString::fromLatin1(kExportCsvTitle), QStringLiteral("csv"),
                               QString::fromLatin1(kCsvFileFilter));
    if (path.isEmpty()) {
        return;
    }
    QString error;
    if (!exportCsv(path, &error)) {
        prompts_->messageBox(this, QStringLiteral("Could not write %1: %2").arg(path, error),
                             PromptButtons::Ok, PromptIcon::Exclamation);
    }
}

} // namespace tessaly
