#include "history/history_file.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

#include <algorithm>
#include <atomic>

namespace tessaly::history {

namespace {

constexpr int kSchemaVersion = 1;

const char* const kSchema[] = {
    "CREATE TABLE IF NOT EXISTS seconds ("
    " receiver INTEGER NOT NULL, second INTEGER NOT NULL, state INTEGER NOT NULL,"
    " rf_a_min INTEGER, rf_a_max INTEGER, rf_b_min INTEGER, rf_b_max INTEGER, af_max INTEGER,"
    " battery INTEGER, antenna INTEGER, antenna_changes INTEGER NOT NULL, muted INTEGER,"
    " PRIMARY KEY (receiver, second)) WITHOUT ROWID",
    "CREATE TABLE IF NOT EXISTS receivers ("
    " receiver INTEGER PRIMARY KEY, name TEXT NOT NULL, frequency TEXT NOT NULL,"
    " first_second INTEGER NOT NULL, last_second INTEGER NOT NULL)",
    "CREATE TABLE IF NOT EXISTS meta (key TEXT PRIMARY KEY, value TEXT NOT NULL)",
};

const QString kColumns = QStringLiteral(
    "receiver, second, state, rf_a_min, rf_a_max, rf_b_min, rf_b_max, af_max, battery, antenna, "
    "antenna_changes, muted");

QVariant toVariant(const std::optional<int32_t>& v) {
    return v ? QVariant(*v) : QVariant(QMetaType(QMetaType::Int));
}

std::optional<int32_t> fromVariant(const QVariant& v) {
    if (v.isNull()) {
        return std::nullopt;
    }
    return v.toInt();
}

QString uniqueConnectionName(const char* prefix) {
    static std::atomic<int> counter{0};
    return QStringLiteral("%1-%2").arg(QLatin1String(prefix)).arg(++counter);
}

bool exec(QSqlQuery& query, const QString& text, QString& error) {
    if (!query.exec(text)) {
        error = query.lastError().text();
        return false;
    }
    return true;
}

} // namespace

QString dailyHistoryPath(const QString& directory, QDate date) {
    return directory + QStringLiteral("/history-") + date.toString(QStringLiteral("yyyy-MM-dd")) +
           QStringLiteral(".sqlite");
}

QDate dailyHistoryDate(const QString& fileName) {
    static const QRegularExpression pattern(
        QStringLiteral("^history-(\\d{4}-\\d{2}-\\d{2})\\.sqlite$"));
    const QRegularExpressionMatch match = pattern.match(fileName);
    if (!match.hasMatch()) {
        return {};
    }
    return QDate::fromString(match.captured(1), QStringLiteral("yyyy-MM-dd"));
}

QStringList removeOldHistoryFiles(const QString& directory, QDate today, int keepDays,
                                  const QString& spare) {
    QStringList removed;
    if (keepDays <= 0) {
        return removed;
    }
    const QDate oldestKept = today.addDays(-keepDays);
    const QDir dir(directory);
    const QStringList names =
        dir.entryList({QStringLiteral("history-*.sqlite")}, QDir::Files | QDir::NoDotAndDotDot);
    for (const QString& name : names) {
        const QDate date = dailyHistoryDate(name);
        if (!date.isValid() || date >= oldestKept || name == spare) {
            continue;
        }
        if (QFile::remove(dir.filePath(name))) {
            QFile::remove(dir.filePath(name + QStringLiteral("-wal")));
            QFile::remove(dir.filePath(name + QStringLiteral("-shm")));
            removed << name;
        }
    }
    return removed;
}

QString historyTimeText(int64_t second) {
    const QDateTime local = QDateTime::fromSecsSinceEpoch(second);
    return local.toOffsetFromUtc(local.offsetFromUtc()).toString(Qt::ISODate);
}

bool prepareHistoryDatabase(QSqlDatabase& db, const QString& station, QString& error) {
    QSqlQuery query(db);
    // WAL: readers open the file while it is written, and a killed writer leaves the committed
    // batches readable. NORMAL sync: a commit is not synced to disk on its own, the log is at
    // checkpoints; a crash of the program loses nothing committed, a power cut the last batches.
    if (!query.exec(QStringLiteral("PRAGMA journal_mode=WAL")) || !query.next() ||
        query.value(0).toString().compare(QLatin1String("wal"), Qt::CaseInsensitive) != 0) {
        error = query.lastError().isValid() ? query.lastError().text()
                                            : QStringLiteral("write-ahead logging is refused");
        return false;
    }
    if (!exec(query, QStringLiteral("PRAGMA synchronous=NORMAL"), error)) {
        return false;
    }
    if (!exec(query, QStringLiteral("PRAGMA user_version"), error) || !query.next()) {
        return false;
    }
    const int version = query.value(0).toInt();
    if (version > kSchemaVersion) {
        error = QStringLiteral("it was written by a newer Tessaly");
        return false;
    }
    for (const char* statement : kSchema) {
        if (!exec(query, QLatin1String(statement), error)) {
            return false;
        }
    }
    if (!exec(query, QStringLiteral("PRAGMA user_version=%1").arg(kSchemaVersion), error)) {
        return false;
    }
    query.prepare(QStringLiteral("INSERT OR IGNORE INTO meta (key, value) VALUES ('station', ?)"));
    query.addBindValue(station);
    if (!query.exec()) {
        error = query.lastError().text();
        return false;
    }
    return true;
}

bool writeHistoryBatch(QSqlDatabase& db, const std::vector<HistoryRow>& rows,
                       const std::vector<HistoryReceiver>& labels, QString& error) {
    if (rows.empty()) {
        return true;
    }
    if (!db.transaction()) {
        error = db.lastError().text();
        return false;
    }
    QSqlQuery insert(db);
    insert.prepare(QStringLiteral("INSERT OR REPLACE INTO seconds (") + kColumns +
                   QStringLiteral(") VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"));
    // Per receiver, the batch's first and last second for the receivers table.
    std::vector<std::pair<int64_t, int64_t>> spans(61, {INT64_MAX, INT64_MIN});
    for (const HistoryRow& row : rows) {
        insert.bindValue(0, row.receiver);
        insert.bindValue(1, static_cast<qint64>(row.second));
        insert.bindValue(2, static_cast<int>(row.state));
        insert.bindValue(3, toVariant(row.rfAMin));
        insert.bindValue(4, toVariant(row.rfAMax));
        insert.bindValue(5, toVariant(row.rfBMin));
        insert.bindValue(6, toVariant(row.rfBMax));
        insert.bindValue(7, toVariant(row.afMax));
        insert.bindValue(8, toVariant(row.battery));
        insert.bindValue(9, toVariant(row.antenna));
        insert.bindValue(10, row.antennaChanges);
        insert.bindValue(11, row.muted ? QVariant(*row.muted ? 1 : 0)
                                       : QVariant(QMetaType(QMetaType::Int)));
        if (!insert.exec()) {
            error = insert.lastError().text();
            db.rollback();
            return false;
        }
        if (row.receiver >= 1 && row.receiver <= 60) {
            auto& span = spans[static_cast<size_t>(row.receiver)];
            span.first = std::min(span.first, row.second);
            span.second = std::max(span.second, row.second);
        }
    }
    QSqlQuery label(db);
    label.prepare(QStringLiteral(
        "INSERT INTO receivers (receiver, name, frequency, first_second, last_second) "
        "VALUES (?, ?, ?, ?, ?) ON CONFLICT (receiver) DO UPDATE SET name = excluded.name, "
        "frequency = excluded.frequency, "
        "first_second = min(first_second, excluded.first_second), "
        "last_second = max(last_second, excluded.last_second)"));
    for (const HistoryReceiver& r : labels) {
        if (r.receiver < 1 || r.receiver > 60) {
            continue;
        }
        const auto& span = spans[static_cast<size_t>(r.receiver)];
        if (span.first > span.second) {
            continue; // no row of this receiver in the batch
        }
        label.bindValue(0, r.receiver);
        label.bindValue(1, QString::fromStdString(r.name));
        label.bindValue(2, QString::fromStdString(r.freqText));
        label.bindValue(3, static_cast<qint64>(span.first));
        label.bindValue(4, static_cast<qint64>(span.second));
        if (!label.exec()) {
            error = label.lastError().text();
            db.rollback();
            return false;
        }
    }
    if (!db.commit()) {
        error = db.lastError().text();
        db.rollback();
        return false;
    }
    return true;
}

HistoryReader::HistoryReader(const QString& path)
    : connection_(uniqueConnectionName("tessaly-history-reader")), path_(path) {
    if (!QFileInfo(path).isFile()) {
        errorText_ = QStringLiteral("%1: no such file").arg(path);
        return;
    }
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection_);
    if (!db.isValid()) {
        fail(QStringLiteral("the SQLite driver of Qt is not installed"));
        return;
    }
    db.setDatabaseName(path);
    // Read-only: a reader never creates or changes a file, even one the recorder is writing.
    db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY;QSQLITE_BUSY_TIMEOUT=2000"));
    if (!db.open()) {
        fail(db.lastError().text());
        return;
    }
    QSqlQuery query(db);
    if (!query.exec(QStringLiteral("SELECT count(*) FROM sqlite_master WHERE name = 'seconds'")) ||
        !query.next()) {
        fail(query.lastError().text());
        return;
    }
    if (query.value(0).toInt() != 1) {
        fail(QStringLiteral("not a Tessaly history file"));
    }
}

HistoryReader::~HistoryReader() {
    {
        QSqlDatabase db = QSqlDatabase::database(connection_, false);
        if (db.isOpen()) {
            db.close();
        }
    }
    if (QSqlDatabase::contains(connection_)) {
        QSqlDatabase::removeDatabase(connection_);
    }
}

void HistoryReader::fail(const QString& reason) {
    errorText_ = QStringLiteral("%1: %2").arg(path_, reason.isEmpty() ? QStringLiteral("unreadable")
                                                                      : reason);
}

std::vector<HistoryReceiver> HistoryReader::receivers() {
    std::vector<HistoryReceiver> out;
    if (!isOpen()) {
        return out;
    }
    QSqlQuery query(QSqlDatabase::database(connection_));
    query.setForwardOnly(true);
    if (!query.exec(QStringLiteral("SELECT receiver, name, frequency, first_second, last_second "
                                   "FROM receivers ORDER BY receiver"))) {
        return out;
    }
    while (query.next()) {
        out.push_back(HistoryReceiver{query.value(0).toInt(),
                                      query.value(1).toString().toStdString(),
                                      query.value(2).toString().toStdString(),
                                      query.value(3).toLongLong(), query.value(4).toLongLong()});
    }
    return out;
}

std::optional<HistorySpan> HistoryReader::span() {
    if (!isOpen()) {
        return std::nullopt;
    }
    QSqlQuery query(QSqlDatabase::database(connection_));
    if (!query.exec(QStringLiteral(
            "SELECT min(first_second), max(last_second), count(*) FROM receivers")) ||
        !query.next() || query.value(2).toInt() == 0) {
        return std::nullopt;
    }
    return HistorySpan{query.value(0).toLongLong(), query.value(1).toLongLong()};
}

std::vector<HistoryRow> HistoryReader::rows(int receiver, int64_t fromSecond, int64_t toSecond) {
    return query(QStringLiteral("receiver = ? AND second BETWEEN ? AND ?"),
                 {receiver, static_cast<qint64>(fromSecond), static_cast<qint64>(toSecond)});
}

std::vector<HistoryRow> HistoryReader::rows(int64_t fromSecond, int64_t toSecond) {
    return query(QStringLiteral("second BETWEEN ? AND ?"),
                 {static_cast<qint64>(fromSecond), static_cast<qint64>(toSecond)});
}

std::vector<HistoryRow> HistoryReader::query(const QString& where, const QVariantList& values) {
    std::vector<HistoryRow> out;
    if (!isOpen()) {
        return out;
    }
    QSqlQuery query(QSqlDatabase::database(connection_));
    query.setForwardOnly(true);
    query.prepare(QStringLiteral("SELECT ") + kColumns + QStringLiteral(" FROM seconds WHERE ") +
                  where + QStringLiteral(" ORDER BY receiver, second"));
    for (int i = 0; i < values.size(); ++i) {
        query.bindValue(i, values[i]);
    }
    if (!query.exec()) {
        return out;
    }
    while (query.next()) {
        HistoryRow row;
        row.receiver = query.value(0).toInt();
        row.second = query.value(1).toLongLong();
        row.state = static_cast<HistoryState>(std::clamp(query.value(2).toInt(), 0, 2));
        row.rfAMin = fromVariant(query.value(3));
        row.rfAMax = fromVariant(query.value(4));
        row.rfBMin = fromVariant(query.value(5));
        row.rfBMax = fromVariant(query.value(6));
        row.afMax = fromVariant(query.value(7));
        row.battery = fromVariant(query.value(8));
        row.antenna = fromVariant(query.value(9));
        row.antennaChanges = query.value(10).toInt();
        const QVariant muted = query.value(11);
        if (!muted.isNull()) {
            row.muted = muted.toInt() != 0;
        }
        out.push_back(row);
    }
    return out;
}

} // namespace tessaly::history
