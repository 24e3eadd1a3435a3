#include "journal/alarm_journal.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QSysInfo>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tessaly {

namespace {

QString systemErrorText(int error) {
    // strerror in the C locale reads the same everywhere; messages are English.
    return QString::fromLocal8Bit(std::strerror(error));
}

QJsonValue valueJson(const std::optional<double>& value) {
    return value ? QJsonValue(*value) : QJsonValue();
}

} // namespace

QString journalDirectory() {
    QString base = qEnvironmentVariable("XDG_STATE_HOME");
    if (base.isEmpty() || QDir::isRelativePath(base)) {
        base = QDir::homePath() + QStringLiteral("/.local/state");
    }
    return base + QStringLiteral("/tessaly");
}

QString dailyJournalPath(const QString& directory, QDate date) {
    return directory + QStringLiteral("/journal-") + date.toString(QStringLiteral("yyyy-MM-dd")) +
           QStringLiteral(".jsonl");
}

QString journalTimeText(int64_t wallMs) {
    const QDateTime local = QDateTime::fromMSecsSinceEpoch(wallMs);
    return local.toOffsetFromUtc(local.offsetFromUtc()).toString(Qt::ISODateWithMs);
}

QJsonObject journalObject(const show::AlarmEvent& e, const QString& station) {
    QJsonObject object{
        {"time", journalTimeText(e.wallMs)},
        {"station", station},
        {"receiver", e.receiver},
        {"name", QString::fromStdString(e.name)},
        {"frequency", QString::fromStdString(e.freqText)},
        {"kind", e.kind ? QJsonValue(show::alarmKindName(*e.kind)) : QJsonValue()},
        {"severity", e.severity ? QJsonValue(show::severityName(*e.severity)) : QJsonValue()},
        {"event", show::alarmEventName(e.type)},
        {"value", valueJson(e.value)},
    };
    if (e.silenceUntilWallMs) {
        object.insert("until", journalTimeText(*e.silenceUntilWallMs));
    }
    return object;
}

namespace {
JournalOptions withDefaults(JournalOptions options) {
    if (options.directory.isEmpty()) {
        options.directory = journalDirectory();
    }
    return options;
}
} // namespace

AlarmJournal::AlarmJournal(JournalOptions options)
    : options_(withDefaults(std::move(options))),
      station_(options_.station.isEmpty() ? QSysInfo::machineHostName() : options_.station),
      thread_([this] { run(); }) {}

AlarmJournal::~AlarmJournal() {
    {
        std::lock_guard lock(mutex_);
        quit_ = true;
    }
    wake_.notify_all();
    thread_.join();
    if (fd_ >= 0) {
        ::close(fd_);
    }
}

QString AlarmJournal::pathFor(int64_t wallMs) const {
    if (!options_.path.isEmpty()) {
        return options_.path;
    }
    return dailyJournalPath(options_.directory, QDateTime::fromMSecsSinceEpoch(wallMs).date());
}

void AlarmJournal::append(const show::AlarmEvent& event) {
    Pending pending{pathFor(event.wallMs),
                    QJsonDocument(journalObject(event, station_)).toJson(QJsonDocument::Compact) +
                        '\n'};
    {
        std::lock_guard lock(mutex_);
        queue_.push_back(std::move(pending));
        ++queued_;
    }
    wake_.notify_one();
}

void AlarmJournal::append(const std::vector<show::AlarmEvent>& events) {
    for (const auto& event : events) {
        append(event);
    }
}

bool AlarmJournal::waitWritten(int timeoutMs) {
    std::unique_lock lock(mutex_);
    const uint64_t target = queued_;
    return written_.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                             [&] { return done_ >= target; });
}

void AlarmJournal::setErrorHandler(std::function<void(const QString&)> handler) {
    std::lock_guard lock(mutex_);
    errorHandler_ = std::move(handler);
}

QString AlarmJournal::errorText() const {
    std::lock_guard lock(mutex_);
    return error_;
}

void AlarmJournal::run() {
    std::unique_lock lock(mutex_);
    for (;;) {
        wake_.wait(lock, [&] { return quit_ || !queue_.empty(); });
        if (queue_.empty()) {
            return; // quit, and nothing left to write
        }
        std::deque<Pending> batch;
        batch.swap(queue_);
        lock.unlock();
        bool anyWritten = false;
        for (const auto& pending : batch) {
            anyWritten = writeLine(pending) || anyWritten;
        }
        if (anyWritten && fd_ >= 0) {
            ::fdatasync(fd_);
        }
        lock.lock();
        done_ += batch.size();
        written_.notify_all();
    }
}

bool AlarmJournal::writeLine(const Pending& pending) {
    if (fd_ < 0 || openPath_ != pending.path) {
        if (fd_ >= 0) {
            ::close(fd_);
            fd_ = -1;
        }
        const QFileInfo info(pending.path);
        if (!QDir().mkpath(info.absolutePath())) {
            fail(pending.path, QStringLiteral("cannot create its folder"));
            return false;
        }
        const QByteArray native = QFile::encodeName(pending.path);
        const int fd = ::open(native.constData(), O_RDWR | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
        if (fd < 0) {
            fail(pending.path, systemErrorText(errno));
            return false;
        }
        // A line torn by an earlier crash gets its line end, so the next line stays whole.
        struct stat st {};
        char last = '\n';
        if (::fstat(fd, &st) == 0 && st.st_size > 0 && ::pread(fd, &last, 1, st.st_size - 1) == 1 &&
            last != '\n') {
            [[maybe_unused]] const ssize_t n = ::write(fd, "\n", 1);
        }
        fd_ = fd;
        openPath_ = pending.path;
    }
    const char* data = pending.line.constData();
    size_t left = static_cast<size_t>(pending.line.size());
    while (left > 0) {
        const ssize_t n = ::write(fd_, data, left);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            fail(pending.path, systemErrorText(n < 0 ? errno : ENOSPC));
            ::close(fd_);
            fd_ = -1; // tried again with the next event
            return false;
        }
        data += n;
        left -= static_cast<size_t>(n);
    }
    return true;
}

void AlarmJournal::fail(const QString& path, const QString& reason) {
    std::function<void(const QString&)> handler;
    QString text;
    {
        std::lock_guard lock(mutex_);
        if (!error_.isEmpty()) {
            return; // said once
        }
        error_ = QStringLiteral("The alarm journal cannot be written to %1: %2. Alarms are still "
                                "shown, but not recorded.")
                     .arg(path, reason);
        handler = errorHandler_;
        text = error_;
    }
    if (handler) {
        handler(text);
    }
}

JournalReadResult readJournal(const QString& path) {
    JournalReadResult result;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return result;
    }
    result.opened = true;
    while (!file.atEnd()) {
        const QByteArray line = file.readLine().trimmed();
        if (line.isEmpty()) {
            continue;
        }
        QJsonParseError error{};
        const QJsonDocument document = QJsonDocument::fromJson(line, &error);
        if (error.error != QJsonParseError::NoError || !document.isObject()) {
            ++result.skippedLines;
            continue;
        }
        result.entries.push_back(document.object());
    }
    return result;
}

} // namespace tessaly
