// Monitor Matrix Setting: the fill counts shown, the derived line counts and the pairs stored.

#include "dialogs/dlg_tool_set_matrix.h"

#include <QComboBox>
#include <QLabel>

#include <gtest/gtest.h>

using namespace tessaly;

namespace {

void choose(CDlgToolSetMatrix& dialog, int layoutMode, int fill) {
    dialog.fillList(layoutMode)->setCurrentIndex(fill - 1);
}

} // namespace

TEST(DerivedLineCountTest, SixtyPanelsRoundedUp) {
    EXPECT_EQ(derivedLineCount(1), 60);
    EXPECT_EQ(derivedLineCount(29), 3);
    EXPECT_EQ(derivedLineCount(30), 2);
    EXPECT_EQ(derivedLineCount(60), 1);
}

TEST(DlgToolSetMatrixTest, OpensOnTheStoredFillCountsOrTheFirst) {
    DisplayState display;
    display.matrix = {MatrixPair{2, 30}, MatrixPair{40, 3}, MatrixPair{5, 0}, MatrixPair{61, 1}};
    CDlgToolSetMatrix dialog(nullptr, display);
    EXPECT_EQ(dialog.fillList(kLayoutLargeVertical)->itemText(59), "60");
    EXPECT_EQ(dialog.fillList(kLayoutLargeVertical)->currentText(), "30");
    EXPECT_EQ(dialog.fillList(kLayoutLargeHorizontal)->currentText(), "40");
    EXPECT_EQ(dialog.fillList(kLayoutSmallVertical)->currentText(), "1");
    EXPECT_EQ(dialog.fillList(kLayoutSmallHorizontal)->currentText(), "1");
    // The other number as stored, even where it is not what the fill count would give.
    EXPECT_EQ(dialog.derivedLabel(kLayoutLargeVertical)->text(), "2");
    EXPECT_EQ(dialog.derivedLabel(kLayoutLargeHorizontal)->text(), "3");
    EXPECT_EQ(dialog.derivedLabel(kLayoutSmallVertical)->text(), "5");
}

TEST(DlgToolSetMatrixTest, OkStoresRowsAndColumns) {
    DisplayState display;
    display.matrix[kLayoutSmallVertical] = {5, 20}; // rows that 20 columns would not need
    CDlgToolSetMatrix dialog(nullptr, display);
    choose(dialog, kLayoutLargeVertical, 7);
    EXPECT_EQ(dialog.derivedLabel(kLayoutLargeVertical)->text(), "9");
    choose(dialog, kLayoutLargeHorizontal, 40);
    EXPECT_EQ(dialog.derivedLabel(kLayoutLargeHorizontal)->text(), "2");
    EXPECT_EQ(display.matrix[kLayoutLargeVertical], (MatrixPair{1, 60})); // not before OK

    dialog.accept();
    EXPECT_EQ(display.matrix[kLayoutLargeVertical], (MatrixPair{9, 7}));
    EXPECT_EQ(display.matrix[kLayoutLargeHorizontal], (MatrixPair{40, 2}));
    EXPECT_EQ(display.matrix[kLayoutSmallVertical], (MatrixPair{3, 20}));
    EXPECT_EQ(display.matrix[kLayoutSmallHorizontal], (MatrixPair{30, 2}));
}

TEST(DlgToolSetMatrixTest, CancelChangesNothing) {
    DisplayState display;
    display.matrix[kLayoutLargeVertical] = {0, 99};
    const auto before = display.matrix;
    CDlgToolSetMatrix dialog(nullptr, display);
    choose(dialog, kLayoutLargeVertical, 7);
    choose(dialog, kLayoutSmallHorizontal, 12);
    dialog.reject();
    EXPECT_EQ(display.matrix, before);
}
