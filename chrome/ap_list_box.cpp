#include "chrome/ap_list_box.h"

#include "chrome/shell_dlg_font.h"

namespace tessaly {

namespace {
constexpr int kListFontPx = 11;
}

CApListBox::CApListBox(QWidget* parent) : QListWidget(parent) {
    setFont(shellDlgFont(kListFontPx));
    setSelectionMode(QAbstractItemView::SingleSelection);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setUniformItemSizes(true);
}

void CApListBox::addTraceLine(const QString& line) {
    if (count() >= lineLimit_) {
        delete takeItem(0);
    }
    // A line break inside a trace line (a received block's text) would make one row tall.
    QString shown = line;
    shown.replace(QLatin1Char('\r'), QLatin1Char(' ')).replace(QLatin1Char('\n'), QLatin1Char(' '));
    addItem(shown);
    setCurrentRow(count() - 1);
    scrollToItem(item(count() - 1));
    if (line.size() > longestLine_) {
        longestLine_ = static_cast<int>(line.size());
    }
}

} // namespace tessaly
