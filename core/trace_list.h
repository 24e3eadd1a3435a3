#pragma once

#include <QString>
#include <QStringList>

#include <mutex>

namespace tessaly {

constexpr int kTraceLineLimit = 100;
constexpr int kTraceCharWidthPx = 6;

// The lines of one trace list: the newest kTraceLineLimit, oldest first. Engines add lines on
// their threads while a window or a test reads them on another, so every call locks.
class TraceList {
public:
    explicit TraceList(int lineLimit = kTraceLineLimit, int charWidthPx = kTraceCharWidthPx);

    void addLine(const QString& line);
    void clear();

    QStringList lines() const;
    int lineCount() const;
    // Index of the selected (newest) line, -1 when the list is empty.
    int selectedIndex() const;
    // Characters of the longest line ever added; it only grows.
    int longestLine() const;
    // Horizontal scroll extent in pixels: longest line times character width.
    int horizontalExtent() const;
    bool contains(const QString& part) const;

private:
    const int lineLimit_;
    const int charWidthPx_;
    mutable std::mutex mutex_;
    QStringList lines_;
    int longestLine_ = 0;
};

} // namespace tessaly
