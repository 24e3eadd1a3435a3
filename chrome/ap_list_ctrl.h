#pragma once

#include <QTableWidget>

#include <initializer_list>
#include <span>

namespace tessaly {

// The report list of the dialogs: rows of texts under titled columns, grid lines, whole rows
// selected one at a time, nothing edited in place. The row helpers keep the dialogs' code close
// to how they talk about rows (item text, sub-item text, item data, check box).
class CApListCtrl : public QTableWidget {
    Q_OBJECT

public:
    explicit CApListCtrl(QWidget* parent = nullptr);

    // A check box in column 0 of every row added from now on.
    void setCheckBoxes(bool on) { checkBoxes_ = on; }

    int itemCount() const { return rowCount(); }
    // Inserts a row at `row` (clamped to 0 ... itemCount()) with `text` in column 0; returns
    // the row it went to.
    int insertItem(int row, const QString& text);
    void setItemText(int row, int column, const QString& text);
    QString itemText(int row, int column) const;
    void setItemData(int row, qint64 data);
    qint64 itemData(int row) const;
    void setCheck(int row, bool checked);
    bool check(int row) const;
    void deleteItem(int row);
    void deleteAllItems();
    void ensureVisible(int row);

    // Widens `column`, never narrows it, so that its title and each of `samples` show whole in
    // the list's fonts.
    void fitColumnToTexts(int column, std::initializer_list<QString> samples);
    // The width that shows every column side by side beside a vertical scroll bar.
    int widthShowingAllColumns() const;

private:
    QTableWidgetItem* cell(int row, int column) const;
    QTableWidgetItem* makeCell(int row, int column);

    bool checkBoxes_ = false;
};

// --- List view functions --------------------------------------------------------------------

struct ListColumn {
    const char* title;
    int width;
};

// Inserts column i with the i-th title and width, left aligned.
void insertColumns(CApListCtrl& list, std::span<const ListColumn> columns);

// Column base widths grow with the screen's vertical dots per inch: dpi / 96, except exactly
// 120 dpi, which uses 1.16.
constexpr int kBaseDpi = 96;
constexpr int kLargeFontsDpi = 120;
constexpr double kLargeFontsScale = 1.16;
double columnScaleFactor(int verticalDpi);
// The scaled width with the fraction dropped (computed in integers, so 100 at 120 dpi is 116).
int scaledColumnWidth(int baseWidth, int verticalDpi);
// The vertical dots per inch that the list is shown at, beyond what Qt already scales itself.
int listVerticalDpi(const QWidget& list);
// insertColumns with the base widths scaled for `verticalDpi` (by default the list's own).
void insertScaledColumns(CApListCtrl& list, std::span<const ListColumn> columns,
                         int verticalDpi = 0);

// `length` times the widest of `characters` in `font`: a sample no text of that length made of
// those characters is wider than.
QString widestText(const QFont& font, QStringView characters, int length);

// The first selected row, or -1.
int selectedRow(const CApListCtrl& list);

// Selects and focuses the row at `index` alone and gives the list the focus; does nothing
// when the index is not a row of the list.
void selectRow(CApListCtrl& list, int index);

} // namespace tessaly
