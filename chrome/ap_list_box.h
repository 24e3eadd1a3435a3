#pragma once

#include "comm/trace_list.h"

#include <QListWidget>

namespace tessaly {

// The list box of the trace windows: keeps the newest lines up to its line limit, selects the
// line just added (which scrolls to it) and widens its horizontal extent for the longest line.
class CApListBox : public QListWidget {
    Q_OBJECT

public:
    explicit CApListBox(QWidget* parent = nullptr);

    void setLineLimit(int lines) { lineLimit_ = lines; }
    void setCharWidth(int pixels) { charWidth_ = pixels; }

    void addTraceLine(const QString& line);

    int lineCount() const { return count(); }
    int longestLine() const { return longestLine_; }
    // Pixels the lines may extend to the right: longest line times the character width.
    int horizontalExtent() const { return longestLine_ * charWidth_; }

private:
    int lineLimit_ = kTraceLineLimit;
    int charWidth_ = kTraceCharWidthPx;
    int longestLine_ = 0;
};

} // namespace tessaly
