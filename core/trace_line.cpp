#include "core/trace_line.h"

namespace tessaly {

namespace {

constexpr unsigned char kFirstPrintable = 0x20;
constexpr unsigned char kLastPrintable = 0x7F;

} // namespace

QString traceTimestamp(const QDateTime& when) {
    const QDate date = when.date();
    const QTime time = when.time();
    return QString::asprintf("%04d/%02d/%02d %02d:%02d:%02d.%03d", date.year(), date.month(),
                             date.day(), time.hour(), time.minute(), time.second(), time.msec());
}

QString traceMessageLine(const QString& text, const QDateTime& when) {
    return traceTimestamp(when) + QLatin1Char(' ') + text;
}

QString traceTwoPartLine(const QString& first, const QString& second, const QDateTime& when) {
    return traceTimestamp(when) + QLatin1Char(' ') + first + QLatin1Char(' ') + second;
}

QString renderTraceBytes(const char* bytes, int count) {
    QString rendered;
    rendered.reserve(count);
    for (int i = 0; i < count; ++i) {
        const auto byte = static_cast<unsigned char>(bytes[i]);
        if (byte >= kFirstPrintable && byte <= kLastPrintable) {
            rendered += QLatin1Char(static_cast<char>(byte));
        } else {
            rendered += QString::asprintf("(%02X)", byte);
        }
    }
    return rendered;
}

QString traceReceivedBlockLine(const char* bytes, int count, const QDateTime& when) {
    return traceTwoPartLine(QString::asprintf("Recv(size:%d) ", count),
                            renderTraceBytes(bytes, count), when);
}

} // namespace tessaly
