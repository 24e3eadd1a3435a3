#include "chrome/ap_list_ctrl.h"

#include <gtest/gtest.h>

#include <array>

using namespace tessaly;

namespace {

constexpr std::array<ListColumn, 3> kSearchColumns{
    {{"No", 50}, {"IP ADDRESS", 120}, {"MAC ADDRESS", 100}}};

void fillRows(CApListCtrl& list, int rows) {
    for (int row = 0; row < rows; ++row) {
        list.insertItem(row, QString::number(row + 1));
        list.setItemData(row, row + 1);
        list.setItemText(row, 1, QStringLiteral("127.0.0.%1").arg(row + 1));
    }
}

} // namespace

TEST(ApListCtrl, ColumnScaleFollowsVerticalDpiWithTheLargeFontsException) {
    EXPECT_DOUBLE_EQ(columnScaleFactor(96), 1.0);
    EXPECT_DOUBLE_EQ(columnScaleFactor(120), 1.16);
    EXPECT_DOUBLE_EQ(columnScaleFactor(144), 1.5);
    EXPECT_DOUBLE_EQ(columnScaleFactor(192), 2.0);

    EXPECT_EQ(scaledColumnWidth(320, 96), 320);
    EXPECT_EQ(scaledColumnWidth(30, 120), 34);   // 34.8, fraction dropped
    EXPECT_EQ(scaledColumnWidth(100, 120), 116); // exact, not 115.999...
    EXPECT_EQ(scaledColumnWidth(30, 144), 45);
    EXPECT_EQ(scaledColumnWidth(110, 108), 123); // 123.75
}

TEST(ApListCtrl, InsertScaledColumnsTitlesWidthsAndAlignment) {
    CApListCtrl list;
    insertScaledColumns(list, kSearchColumns, 120);
    ASSERT_EQ(list.columnCount(), 3);
    EXPECT_EQ(list.horizontalHeaderItem(1)->text(), QStringLiteral("IP ADDRESS"));
    EXPECT_EQ(list.columnWidth(0), 58);
    EXPECT_EQ(list.columnWidth(1), 139);
    EXPECT_EQ(list.columnWidth(2), 116);
    EXPECT_TRUE(list.horizontalHeaderItem(2)->textAlignment() & Qt::AlignLeft);

    CApListCtrl plain;
    insertColumns(plain, kSearchColumns);
    EXPECT_EQ(plain.columnWidth(1), 120);
}

TEST(ApListCtrl, SelectRowSelectsOneRowAndIgnoresIndexesOutsideTheList) {
    CApListCtrl list;
    insertColumns(list, kSearchColumns);
    EXPECT_EQ(selectedRow(list), -1);
    selectRow(list, 0); // no rows: nothing happens
    EXPECT_EQ(selectedRow(list), -1);

    fillRows(list, 4);
    selectRow(list, 2);
    EXPECT_EQ(selectedRow(list), 2);
    EXPECT_EQ(list.currentRow(), 2);
    selectRow(list, 1);
    EXPECT_EQ(selectedRow(list), 1);
    EXPECT_EQ(list.selectionModel()->selectedRows().size(), 1);

    selectRow(list, 4); // the row count: nothing happens
    selectRow(list, -1);
    EXPECT_EQ(selectedRow(list), 1);
    EXPECT_EQ(list.currentRow(), 1);
}

TEST(ApListCtrl, RowsInsertInPlaceWithCheckBoxesAndNoEditing) {
    CApListCtrl list;
    list.setCheckBoxes(true);
    insertColumns(list, kSearchColumns);
    fillRows(list, 3);
    EXPECT_EQ(list.insertItem(1, QStringLiteral("new")), 1);
    EXPECT_EQ(list.insertItem(99, QStringLiteral("last")), 4);
    ASSERT_EQ(list.itemCount(), 5);
    EXPECT_EQ(list.itemText(2, 1), QStringLiteral("127.0.0.2"));
    EXPECT_EQ(list.itemData(2), 2);

    list.setCheck(3, true);
    EXPECT_TRUE(list.check(3));
    EXPECT_FALSE(list.check(2));
    EXPECT_FALSE(list.item(3, 1)->flags() & Qt::ItemIsEditable);
}
