#pragma once

// History files for tests, benches and pictures, written with the recorder's own schema and
// batch writer: a rehearsed show (RF that fades, a battery that runs down, a receiver that drops
// out for a while) and the alarm journal lines that go with it.

#include "history/history_file.h"
#include "journal/alarm_journal.h"

#include <QFile>
#include <QJsonDocument>
#include <QSqlDatabase>
#include <QSqlError>
#include <QString>
#include <QUuid>

#include <cmath>
#include <cstdint>
#include <vector>

namespace tessaly::testing {

inline bool writeHistoryShowFile(const QString& path, const std::vector<history::HistoryRow>& rows,
                                 const std::vector<history::HistoryReceiver>& labels,
                                 QString* error = nullptr) {
    const QString connection = QUuid::createUuid().toString();
    bool ok = false;
    QString reason;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection);
        db.setDatabaseName(path);
        if (!db.open()) {
            reason = db.lastError().text();
        } else {
            ok = history::prepareHistoryDatabase(db, QStringLiteral("test"), reason) &&
                 history::writeHistoryBatch(db, rows, labels, reason);
            db.close();
        }
    }
    QSqlDatabase::removeDatabase(connection);
    if (!ok && error != nullptr) {
        *error = reason;
    }
    return ok;
}

// `count` receivers (1..count) over `seconds` seconds from `startSecond`. Receiver 2 fades on
// antenna A around a third of the way and has a deep RF fade at the half; receiver 3's battery
// runs from 4 to 0; receiver 1 gives no data for a minute at two thirds.
inline std::vector<history::HistoryRow> rehearsalShowRows(int count, int64_t startSecond,
                                                          int seconds) {
    std::vector<history::HistoryRow> rows;
    rows.reserve(static_cast<size_t>(count) * static_cast<size_t>(seconds));
    for (int receiver = 1; receiver <= count; ++receiver) {
        for (int t = 0; t < seconds; ++t) {
            history::HistoryRow row;
            row.receiver = receiver;
            row.second = startSecond + t;
            if (receiver == 1 && t >= seconds * 2 / 3 && t < seconds * 2 / 3 + 60) {
                row.state = history::HistoryState::NoData;
                rows.push_back(row);
                continue;
            }
            const double phase = t / 97.0 + receiver;
            double a = -62 - 6 * receiver % 10 + 7 * std::sin(phase) + 3 * std::sin(t / 7.3);
            double b = -66 - 4 * receiver % 9 + 6 * std::cos(phase * 1.3) + 3 * std::sin(t / 5.1);
            if (receiver == 2) {
                const double fade = std::exp(-std::pow((t - seconds / 3.0) / (seconds / 30.0), 2));
                a -= 22 * fade;
                if (std::abs(t - seconds / 2) < 8) {
                    a = -93;
                    b = -91;
                }
            }
            const int32_t aTenths = static_cast<int32_t>(std::lround(a * 10));
            const int32_t bTenths = static_cast<int32_t>(std::lround(b * 10));
            row.rfAMin = aTenths - 15 - (t * 7 + receiver) % 20;
            row.rfAMax = aTenths + 10;
            row.rfBMin = bTenths - 12 - (t * 5 + receiver) % 18;
            row.rfBMax = bTenths + 8;
            const bool talking = (t / 20 + receiver) % 3 != 0;
            row.afMax = talking ? static_cast<int32_t>(-120 + (t * 37 + receiver * 11) % 180)
                                : -380 + (t % 30);
            row.battery = receiver == 3 ? 4 - std::min(4, t * 5 / seconds) : 4 - (t / 5000) % 2;
            row.antenna = aTenths >= bTenths ? 0 : 1;
            row.muted = false;
            rows.push_back(row);
        }
    }
    return rows;
}

inline std::vector<history::HistoryReceiver>
rehearsalLabels(int count, int64_t startSecond, int seconds,
                const std::vector<std::string>& names = {}) {
    std::vector<history::HistoryReceiver> labels;
    for (int receiver = 1; receiver <= count; ++receiver) {
        history::HistoryReceiver label;
        label.receiver = receiver;
        label.name = receiver <= static_cast<int>(names.size())
                         ? names[static_cast<size_t>(receiver - 1)]
                         : "MIC " + std::to_string(receiver);
        label.freqText = "5" + std::to_string(60 + receiver) + ".125";
        label.firstSecond = startSecond;
        label.lastSecond = startSecond + seconds - 1;
        labels.push_back(label);
    }
    return labels;
}

// Appends alarm journal lines as the journal writes them.
inline bool appendJournalEvents(const QString& path, const std::vector<show::AlarmEvent>& events) {
    QFile file(path);
    if (!file.open(QIODevice::Append)) {
        return false;
    }
    for (const show::AlarmEvent& event : events) {
        file.write(QJsonDocument(journalObject(event, QStringLiteral("test")))
                       .toJson(QJsonDocument::Compact) +
                   '\n');
    }
    return true;
}

inline show::AlarmEvent journalEvent(show::AlarmEventType type, int receiver, show::AlarmKind kind,
                                     int64_t second) {
    show::AlarmEvent event;
    event.type = type;
    event.wallMs = second * 1000;
    event.receiver = receiver;
    event.kind = kind;
    event.severity = show::alarmSeverity(kind);
    return event;
}

} // namespace tessaly::testing
