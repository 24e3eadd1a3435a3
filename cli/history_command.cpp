#include "cli/history_command.h"

#include "history/history_csv.h"
#include "history/history_file.h"

#include <QDateTime>
#include <QRegularExpression>
#include <QTimeZone>

#include <map>

namespace tessaly::cli {

using namespace tessaly::history;

std::optional<int64_t> parseHistoryTime(const QString& text, QDate day) {
    static const QRegularExpression clock(QStringLiteral("^\\d{1,2}:\\d{2}(:\\d{2})?$"));
    static const QRegularExpression stamp(
        QStringLiteral("^\\d{4}-\\d{2}-\\d{2}[T ]\\d{2}:\\d{2}(:\\d{2})?(Z|[+-]\\d{2}:\\d{2})?$"));
    const QString trimmed = text.trimmed();
    if (clock.match(trimmed).hasMatch()) {
        const QTime time = QTime::fromString(
            trimmed, trimmed.count(':') == 2 ? QStringLiteral("H:mm:ss") : QStringLiteral("H:mm"));
        if (!time.isValid() || !day.isValid()) {
            return std::nullopt;
        }
        return QDateTime(day, time).toSecsSinceEpoch();
    }
    if (!stamp.match(trimmed).hasMatch()) {
        return std::nullopt;
    }
    QString iso = trimmed;
    iso[10] = QLatin1Char('T');
    // Without an offset Qt reads local time, which is what the operator means.
    const QDateTime moment = QDateTime::fromString(iso, Qt::ISODate);
    if (!moment.isValid()) {
        return std::nullopt;
    }
    return moment.toSecsSinceEpoch();
}

int runHistory(const Options& options, QTextStream& out, QTextStream& err) {
    HistoryReader reader(options.historyPath);
    if (!reader.isOpen()) {
        err << "tessaly-cli: cannot read the history file " << reader.errorText() << "\n";
        return kExitFile;
    }
    const std::optional<HistorySpan> span = reader.span();
    const std::vector<HistoryReceiver> receivers = reader.receivers();
    const QDate day =
        span ? QDateTime::fromSecsSinceEpoch(span->firstSecond).date() : QDate::currentDate();
    int64_t from = span ? span->firstSecond : 0;
    int64_t to = span ? span->lastSecond : -1;
    for (const auto& [text, into, name] :
         {std::tuple{options.fromText, &from, "--from"}, {options.toText, &to, "--to"}}) {
        if (text.isEmpty()) {
            continue;
        }
        const std::optional<int64_t> second = parseHistoryTime(text, day);
        if (!second) {
            err << "tessaly-cli: " << name << " needs YYYY-MM-DDTHH:MM[:SS] or HH:MM[:SS], not '"
                << text << "'\n";
            return kExitUsage;
        }
        *into = *second;
    }

    if (!options.csv) {
        if (!span) {
            out << options.historyPath << ": no rows\n";
            return kExitOk;
        }
        out << options.historyPath << ": " << historyTimeText(span->firstSecond) << " to "
            << historyTimeText(span->lastSecond) << ", " << receivers.size() << " receivers\n";
        for (const auto& r : receivers) {
            if (options.receiver == 0 || options.receiver == r.receiver) {
                out << QStringLiteral("%1").arg(r.receiver, 2) << "  "
                    << QString::fromStdString(r.name) << "  " << QString::fromStdString(r.freqText)
                    << "  " << historyTimeText(r.firstSecond) << " to "
                    << historyTimeText(r.lastSecond) << "\n";
            }
        }
        return kExitOk;
    }

    std::map<int, QString> names;
    for (const auto& r : receivers) {
        names[r.receiver] = QString::fromStdString(r.name);
    }
    const std::vector<HistoryRow> rows =
        options.receiver != 0 ? reader.rows(options.receiver, from, to) : reader.rows(from, to);
    out << historyCsvHeader();
    for (const HistoryRow& row : rows) {
        out << historyCsvLine(row, names[row.receiver]);
    }
    return kExitOk;
}

} // namespace tessaly::cli
