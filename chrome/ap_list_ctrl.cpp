#include "chrome/ap_list_ctrl.h"

#include <QHeaderView>
#include <QScrollBar>
#include <QStyle>

#include <algorithm>
#include <vector>

namespace tessaly {

namespace {

constexpr int kRowPadding = 4; // pixels above and below the text of a row
constexpr Qt::Alignment kLeftAligned = Qt::AlignLeft | Qt::AlignVCenter;
constexpr int kItemDataRole = Qt::UserRole;

// The width factor as a fraction, so that widths come out exact.
struct ScaleFraction {
    int numerator;
    int denominator;
};

ScaleFraction scaleFraction(int verticalDpi) {
    if (verticalDpi == kLargeFontsDpi) {
        return {116, 100};
    }
    return {verticalDpi, kBaseDpi};
}

} // namespace

CApListCtrl::CApListCtrl(QWidget* parent) : QTableWidget(parent) {
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setShowGrid(true);
    setWordWrap(false);
    setCornerButtonEnabled(false);
    verticalHeader()->hide();
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + kRowPadding);
    horizontalHeader()->setDefaultAlignment(kLeftAligned);
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setStretchLastSection(false);
}

QTableWidgetItem* CApListCtrl::cell(int row, int column) const {
    if (row < 0 || row >= rowCount() || column < 0 || column >= columnCount()) {
        return nullptr;
    }
    return item(row, column);
}

QTableWidgetItem* CApListCtrl::makeCell(int row, int column) {
    if (row < 0 || row >= rowCount() || column < 0 || column >= columnCount()) {
        return nullptr;
    }
    QTableWidgetItem* existing = item(row, column);
    if (existing != nullptr) {
        return existing;
    }
    auto* created = new QTableWidgetItem;
    created->setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled);
    created->setTextAlignment(kLeftAligned);
    setItem(row, column, created);
    return created;
}

int CApListCtrl::insertItem(int row, const QString& text) {
    const int at = std::clamp(row, 0, rowCount());
    insertRow(at);
    if (QTableWidgetItem* first = makeCell(at, 0)) {
        first->setText(text);
        if (checkBoxes_) {
            first->setFlags(first->flags() | Qt::ItemIsUserCheckable);
            first->setCheckState(Qt::Unchecked);
        }
    }
    return at;
}

void CApListCtrl::setItemText(int row, int column, const QString& text) {
    if (QTableWidgetItem* target = makeCell(row, column)) {
        target->setText(text);
    }
}

QString CApListCtrl::itemText(int row, int column) const {
    const QTableWidgetItem* source = cell(row, column);
    return source != nullptr ? source->text() : QString();
}

void CApListCtrl::setItemData(int row, qint64 data) {
    if (QTableWidgetItem* first = makeCell(row, 0)) {
        first->setData(kItemDataRole, data);
    }
}

qint64 CApListCtrl::itemData(int row) const {
    const QTableWidgetItem* first = cell(row, 0);
    return first != nullptr ? first->data(kItemDataRole).toLongLong() : 0;
}

void CApListCtrl::setCheck(int row, bool checked) {
    if (QTableWidgetItem* first = makeCell(row, 0)) {
        first->setCheckState(checked ? Qt::Checked : Qt::Unchecked);
    }
}

bool CApListCtrl::check(int row) const {
    const QTableWidgetItem* first = cell(row, 0);
    return first != nullptr && first->checkState() == Qt::Checked;
}

void CApListCtrl::deleteItem(int row) {
    if (row >= 0 && row < rowCount()) {
        removeRow(row);
    }
}

void CApListCtrl::deleteAllItems() {
    setRowCount(0);
}

void CApListCtrl::ensureVisible(int row) {
    if (row >= 0 && row < rowCount() && columnCount() > 0) {
        scrollToItem(makeCell(row, 0));
    }
}

void CApListCtrl::fitColumnToTexts(int column, std::initializer_list<QString> samples) {
    if (column < 0 || column >= columnCount()) {
        return;
    }
    // The item view keeps this margin on each side of a cell's text, and the grid takes a pixel.
    const int margin = style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, this) + 1;
    int width = std::max(columnWidth(column), horizontalHeader()->sectionSizeHint(column));
    for (const QString& sample : samples) {
        width = std::max(width, fontMetrics().horizontalAdvance(sample) + 2 * margin + 1);
    }
    setColumnWidth(column, width);
}

int CApListCtrl::widthShowingAllColumns() const {
    int width = 2 * frameWidth() + style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, this);
    for (int column = 0; column < columnCount(); ++column) {
        width += columnWidth(column);
    }
    return width;
}

// --- List view functions --------------------------------------------------------------------

void insertColumns(CApListCtrl& list, std::span<const ListColumn> columns) {
    for (size_t i = 0; i < columns.size(); ++i) {
        const int column = static_cast<int>(i);
        list.insertColumn(column);
        auto* header = new QTableWidgetItem(QString::fromUtf8(columns[i].title));
        header->setTextAlignment(kLeftAligned);
        list.setHorizontalHeaderItem(column, header);
        list.setColumnWidth(column, columns[i].width);
    }
}

double columnScaleFactor(int verticalDpi) {
    if (verticalDpi == kLargeFontsDpi) {
        return kLargeFontsScale;
    }
    return static_cast<double>(verticalDpi) / kBaseDpi;
}

int scaledColumnWidth(int baseWidth, int verticalDpi) {
    const ScaleFraction fraction = scaleFraction(verticalDpi);
    return baseWidth * fraction.numerator / fraction.denominator;
}

// Qt already draws at the screen's device pixel ratio and reports the dots per inch left over
// once that is applied, so this is 96 on a screen that Qt scales fully.
int listVerticalDpi(const QWidget& list) {
    return list.logicalDpiY();
}

void insertScaledColumns(CApListCtrl& list, std::span<const ListColumn> columns, int verticalDpi) {
    const int dpi = verticalDpi > 0 ? verticalDpi : listVerticalDpi(list);
    std::vector<ListColumn> scaled(columns.begin(), columns.end());
    for (ListColumn& column : scaled) {
        column.width = scaledColumnWidth(column.width, dpi);
    }
    insertColumns(list, scaled);
}

QString widestText(const QFont& font, QStringView characters, int length) {
    const QFontMetrics metrics(font);
    QChar widest;
    int widestAdvance = -1;
    for (const QChar character : characters) {
        const int advance = metrics.horizontalAdvance(character);
        if (advance > widestAdvance) {
            widest = character;
            widestAdvance = advance;
        }
    }
    return QString(length, widest);
}

int selectedRow(const CApListCtrl& list) {
    const QModelIndexList selected = list.selectionModel()->selectedIndexes();
    int first = -1;
    for (const QModelIndex& index : selected) {
        if (first < 0 || index.row() < first) {
            first = index.row();
        }
    }
    return first;
}

void selectRow(CApListCtrl& list, int index) {
    if (list.rowCount() == 0 || list.columnCount() == 0 || index < 0 || index >= list.rowCount()) {
        return;
    }
    list.clearSelection();
    const QModelIndex target = list.model()->index(index, 0);
    list.selectionModel()->setCurrentIndex(target, QItemSelectionModel::ClearAndSelect |
                                                       QItemSelectionModel::Rows);
    list.setFocus();
}

} // namespace tessaly
