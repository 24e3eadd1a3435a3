#include "history/history_recorder.h"

#include "history/history_file.h"
#include "journal/alarm_journal.h"
#include "protocol/ini_file.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSysInfo>

#include <atomic>
#include <charconv>
#include <chrono>

namespace tessaly::history {

namespace {

constexpr size_t kHistoryValueLimit = 510;
constexpr int kMaxKeepDays = 3650;

QString newConnectionName() {
    static std::atomic<int> counter{0};
    return QStringLiteral("tessaly-history-recorder-%1").arg(++counter);
}

HistoryOptions withDefaults(HistoryOptions options) {
    if (options.directory.isEmpty()) {
        options.directory = journalDirectory();
    }
    if (options.station.isEmpty()) {
        options.station = QSysInfo::machineHostName();
    }
    options.batchMs = std::max(options.batchMs, 10);
    return options;
}

} // namespace

HistorySettings readHistorySettings(const IniFile& ini) {
    HistorySettings s;
    s.file = ini.value(kHistorySection, "file", "", kHistoryValueLimit);
    const std::string text = ini.value(kHistorySection, "keep_days", "", kHistoryValueLimit);
    int value = 0;
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value);
    if (!text.empty() && ec == std::errc() && ptr == end && value >= 0 && value <= kMaxKeepDays) {
        s.keepDays = value;
    }
    return s;
}

HistorySettings readHistorySettingsFile(const std::string& path) {
    return readHistorySettings(IniFile::load(path));
}

HistoryRecorder::HistoryRecorder(HistoryOptions options)
    : options_(withDefaults(std::move(options))), connection_(newConnectionName()),
      thread_([this] { run(); }) {}

HistoryRecorder::~HistoryRecorder() {
    detach();
    {
        std::lock_guard lock(mutex_);
        quit_ = true;
    }
    wake_.notify_all();
    thread_.join();
}

void HistoryRecorder::attach(show::SnapshotHub& hub) {
    detach();
    const int key = hub.subscribe([this](const show::ShowSnapshotPtr& s) { add(s); });
    std::lock_guard lock(mutex_);
    hub_ = &hub;
    hubKey_ = key;
}

void HistoryRecorder::detach() {
    show::SnapshotHub* hub = nullptr;
    int key = 0;
    {
        std::lock_guard lock(mutex_);
        std::swap(hub, hub_);
        std::swap(key, hubKey_);
    }
    if (hub != nullptr) {
        hub->unsubscribe(key);
    }
}

void HistoryRecorder::add(const show::ShowSnapshotPtr& snapshot) {
    if (!snapshot) {
        return;
    }
    std::lock_guard lock(mutex_);
    if (!error_.isEmpty()) {
        return; // recording stopped
    }
    if (queue_.size() >= kQueueLimit) {
        queue_.pop_front();
        ++dropped_;
    }
    queue_.push_back(snapshot);
    // The writer wakes on its batch timer; nothing to notify.
}

bool HistoryRecorder::flush(int timeoutMs) {
    std::unique_lock lock(mutex_);
    const uint64_t target = ++flushRequests_;
    wake_.notify_all();
    return flushed_.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                             [&] { return flushesDone_ >= target; });
}

void HistoryRecorder::setErrorHandler(std::function<void(const QString&)> handler) {
    std::lock_guard lock(mutex_);
    errorHandler_ = std::move(handler);
}

QString HistoryRecorder::errorText() const {
    std::lock_guard lock(mutex_);
    return error_;
}

uint64_t HistoryRecorder::rowsWritten() const {
    std::lock_guard lock(mutex_);
    return rowsWritten_;
}

uint64_t HistoryRecorder::snapshotsDropped() const {
    std::lock_guard lock(mutex_);
    return dropped_;
}

QString HistoryRecorder::pathFor(int64_t second) const {
    if (!options_.path.isEmpty()) {
        return options_.path;
    }
    return dailyHistoryPath(options_.directory, QDateTime::fromSecsSinceEpoch(second).date());
}

void HistoryRecorder::run() {
    std::unique_lock lock(mutex_);
    const auto batch = std::chrono::milliseconds(options_.batchMs);
    auto due = std::chrono::steady_clock::now() + batch;
    for (;;) {
        wake_.wait_until(lock, due, [&] { return quit_ || flushRequests_ > flushesDone_; });
        const bool finishing = quit_;
        const uint64_t flushTarget = flushRequests_;
        std::deque<show::ShowSnapshotPtr> snapshots;
        snapshots.swap(queue_);
        lock.unlock();

        std::vector<HistoryRow> rows;
        for (const auto& snapshot : snapshots) {
            auto closed = summariser_.add(*snapshot);
            rows.insert(rows.end(), closed.begin(), closed.end());
        }
        snapshots.clear(); // let go of the snapshots outside the lock
        const bool closeOpen = finishing || flushTarget > flushesDone_;
        if (closeOpen) {
            auto open = summariser_.finish();
            rows.insert(rows.end(), open.begin(), open.end());
        }
        writeRows(rows, finishing);

        lock.lock();
        flushesDone_ = flushTarget;
        flushed_.notify_all();
        if (finishing) {
            return;
        }
        due = std::chrono::steady_clock::now() + batch;
    }
}

void HistoryRecorder::writeRows(std::vector<HistoryRow>& rows, bool finishing) {
    // Rows of one batch may straddle midnight: each file gets its own transaction.
    size_t begin = 0;
    while (begin < rows.size() && !stopped_) {
        const QString path = pathFor(rows[begin].second);
        size_t end = begin + 1;
        while (end < rows.size() && pathFor(rows[end].second) == path) {
            ++end;
        }
        if (openFor(path)) {
            const std::vector<HistoryRow> part(rows.begin() + static_cast<ptrdiff_t>(begin),
                                               rows.begin() + static_cast<ptrdiff_t>(end));
            QSqlDatabase db = QSqlDatabase::database(connection_, false);
            QString error;
            if (writeHistoryBatch(db, part, summariser_.receivers(), error)) {
                std::lock_guard lock(mutex_);
                rowsWritten_ += part.size();
            } else {
                fail(path, error);
            }
        }
        begin = end;
    }
    if (finishing && QSqlDatabase::contains(connection_)) {
        {
            QSqlDatabase db = QSqlDatabase::database(connection_, false);
            db.close();
        }
        QSqlDatabase::removeDatabase(connection_);
    }
}

bool HistoryRecorder::openFor(const QString& path) {
    if (stopped_) {
        return false;
    }
    if (openPath_ == path) {
        return true;
    }
    if (QSqlDatabase::contains(connection_)) {
        {
            QSqlDatabase db = QSqlDatabase::database(connection_, false);
            db.close();
        }
        QSqlDatabase::removeDatabase(connection_);
    }
    openPath_.clear();
    const QFileInfo info(path);
    if (!QDir().mkpath(info.absolutePath())) {
        fail(path, QStringLiteral("cannot create its folder"));
        return false;
    }
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection_);
    if (!db.isValid()) {
        fail(path, QStringLiteral("the SQLite driver of Qt is not installed"));
        return false;
    }
    db.setDatabaseName(path);
    db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=2000"));
    QString error;
    if (!db.open()) {
        fail(path, db.lastError().text());
        return false;
    }
    if (!prepareHistoryDatabase(db, options_.station, error)) {
        fail(path, error);
        return false;
    }
    openPath_ = path;
    if (options_.path.isEmpty()) {
        removeOldHistoryFiles(options_.directory, QDate::currentDate(), options_.keepDays,
                              info.fileName());
    }
    return true;
}

void HistoryRecorder::fail(const QString& path, const QString& reason) {
    stopped_ = true;
    std::function<void(const QString&)> handler;
    QString text;
    {
        std::lock_guard lock(mutex_);
        if (!error_.isEmpty()) {
            return; // said once
        }
        error_ = QStringLiteral("The show history cannot be written to %1: %2. Monitoring goes on, "
                                "but the history is not recorded.")
                     .arg(path, reason.isEmpty() ? QStringLiteral("unknown error") : reason);
        queue_.clear();
        handler = errorHandler_;
        text = error_;
    }
    if (handler) {
        handler(text);
    }
}

} // namespace tessaly::history
