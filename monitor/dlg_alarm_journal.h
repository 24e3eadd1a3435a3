#pragma once

#include "chrome/user_prompts.h"
#include "show/alarm_types.h"

#include <QString>
#include <QStringList>
#include <QTimer>
#include <QWidget>

#include <cstdint>
#include <memory>
#include <vector>

class QComboBox;
class QLabel;
class QPushButton;
class QTableWidget;

namespace tessaly {

class CShowWatch;

constexpr const char* kAlarmJournalTitle = "Alarm Journal";
constexpr const char* kExportCsvTitle = "Export CSV";
constexpr const char* kCsvFileFilter = "CSV File(*.csv)|*.csv|All Files(*.*)|*.*|";

// The "Alarm Journal" window: the open alarms first, then those that cleared, newest first,
// with each receiver's connection health; acknowledges, silences and exports them. Modeless,
// one per view; it follows the watch's changes and refreshes the health columns every second.
class CDlgAlarmJournal : public QWidget {
    Q_OBJECT

public:
    enum Column {
        ColReceiver,
        ColName,
        ColFrequency,
        ColAlarm,
        ColSeverity,
        ColState,
        ColStarted,
        ColValue,
        ColWorst,
        ColAcknowledged,
        ColCleared,
        ColLastAnswer,
        ColRoundTrip,
        ColRoundTripWorst,
        ColReconnects,
        ColumnCount
    };
    // Silence choices, in minutes; 0 is until unsilenced.
    static constexpr int kSilenceChoices[] = {15, 60, 240, 0};

    explicit CDlgAlarmJournal(CShowWatch& watch, QWidget* parent = nullptr,
                              std::shared_ptr<CUserPrompts> prompts = systemPrompts());

    // Shows the window, raised, with `receiver`'s first alarm selected (0: none).
    void showFor(int receiver = 0);
    void refresh();

    // The shown rows as texts, header first: what Export CSV writes.
    std::vector<QStringList> rows() const;
    // Writes rows() to `path` as CSV; false and `error` on failure.
    bool exportCsv(const QString& path, QString* error = nullptr) const;

    QTableWidget* table() const { return table_; }
    QString silencedText() const;

signals:
    // History...: the selected alarm's receiver around the alarm's start.
    void historyRequested(int receiver, int64_t atMs);

private:
    void onAcknowledge();
    void onAcknowledgeAll();
    void onSilence();
    void onUnsilence();
    void onExport();
    int selectedReceiver() const;

    CShowWatch& watch_;
    std::shared_ptr<CUserPrompts> prompts_;
    QTableWidget* table_ = nullptr;
    QPushButton* acknowledge_ = nullptr;
    QPushButton* acknowledgeAll_ = nullptr;
    QComboBox* silenceChoice_ = nullptr;
    QPushButton* silence_ = nullptr;
    QPushButton* unsilence_ = nullptr;
    QPushButton* export_ = nullptr;
    QPushButton* history_ = nullptr;
    QLabel* silenced_ = nullptr;
    std::vector<uint64_t> rowAlarm_; // alarm id per row
    std::vector<int> rowReceiver_;
    std::vector<int64_t> rowStart_;
    QTimer healthTimer_;
};

// "active", "acknowledged", "flapping", "cleared".
QString alarmStateText(const show::AlarmRecord& alarm);
// Local time "YYYY-MM-DD HH:MM:SS".
QString journalWindowTime(int64_t wallMs);

} // namespace tessaly
