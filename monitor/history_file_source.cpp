#include "monitor/history_file_source.h"

namespace tessaly {

QString dailyHistoryPath(const QString& directory, QDate date) {
    return directory + QStringLiteral("/history-") + date.toString(QStringLiteral("yyyy-MM-dd")) +
           QStringLiteral(".sqlite");
}

bool readHistoryFile(const QString&, int64_t, HistoryShow&, QString* error) {
    if (error != nullptr) {
        *error = QStringLiteral("no history reader in this build");
    }
    return false;
}

} // namespace tessaly
