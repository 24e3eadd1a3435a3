#pragma once

#include <QDateTime>
#include <QString>

namespace tessaly {

// "2026/12/09 04:50:59.123": local date and time to the millisecond.
QString traceTimestamp(const QDateTime& when = QDateTime::currentDateTime());

// "<timestamp> <text>"
QString traceMessageLine(const QString& text, const QDateTime& when = QDateTime::currentDateTime());

// "<timestamp> <first> <second>"
QString traceTwoPartLine(const QString& first, const QString& second,
                         const QDateTime& when = QDateTime::currentDateTime());

// Printable bytes (0x20 to 0x7F) as themselves, every other byte as "(%02X)".
QString renderTraceBytes(const char* bytes, int count);

// "<timestamp> Recv(size:<count>)  <rendered bytes>"
QString traceReceivedBlockLine(const char* bytes, int count,
                               const QDateTime& when = QDateTime::currentDateTime());

} // namespace tessaly
