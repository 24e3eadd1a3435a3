#include "core/trace_list.h"

#include <algorithm>

namespace tessaly {

TraceList::TraceList(int lineLimit, int charWidthPx)
    : lineLimit_(std::max(lineLimit, 1)), charWidthPx_(charWidthPx) {}

void TraceList::addLine(const QString& line) {
    std::lock_guard lock(mutex_);
    if (lines_.size() >= lineLimit_) {
        lines_.removeFirst();
    }
    lines_.append(line);
    longestLine_ = std::max(longestLine_, static_cast<int>(line.size()));
}

void TraceList::clear() {
    std::lock_guard lock(mutex_);
    lines_.clear();
}

QStringList TraceList::lines() const {
    std::lock_guard lock(mutex_);
    return lines_;
}

int TraceList::lineCount() const {
    std::lock_guard lock(mutex_);
    return static_cast<int>(lines_.size());
}

int TraceList::selectedIndex() const {
    return lineCount() - 1;
}

int TraceList::longestLine() const {
    std::lock_guard lock(mutex_);
    return longestLine_;
}

int TraceList::horizontalExtent() const {
    return longestLine() * charWidthPx_;
}

bool TraceList::contains(const QString& part) const {
    std::lock_guard lock(mutex_);
    return std::any_of(lines_.cbegin(), lines_.cend(),
                       [&](const QString& line) { return line.contains(part); });
}

} // namespace tessaly
