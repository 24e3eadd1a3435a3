// Monitor Matrix Setting: the fill counts shown, the derived line counts and the pairs stored.

#include "dialogs/dlg_tool_set_matrix.h"

#include <QComboBox>
#include <QLabel>
#include <QTimer>

#include <gtest/gtest.h>

using namespace tessaly;

namespace {

void choose(CDlgToolSetMatrix& dialog, int layoutMode, int fill) {
    QComboBox* list = dialog.fillList(layoutMode);
    list->setCurrentIndex(list->findText(QString::number(fill)));
}

} // namespace

TEST(DerivedLineCountTest, SixtyPanelsRoundedUp) {
    EXPECT_EQ(derivedLineCount(1), 60);
    EXPECT_EQ(derivedLineCount(7), 9);
    EXPECT_EQ(derivedLineCount(29), 3);
    EXPECT_EQ(derivedLineCount(30), 2);
    EXPECT_EQ(derivedLineCount(40), 2);
    EXPECT_EQ(derivedLineCount(59), 2);
    EXPECT_EQ(derivedLineCount(60), 1);
}

TEST(DlgToolSetMatrixTest, OpensOnTheStoredFillCounts) {
    DisplayState display;
    display.matrix = {MatrixPair{2, 30}, MatrixPair{40, 3}, MatrixPair{3, 20}, MatrixPair{30, 2}};
    CDlgToolSetMatrix dialog(nullptr, display);
    EXPECT_EQ(dialog.windowTitle(), "Monitor Matrix Setting");
    ASSERT_EQ(dialog.fillList(kLayoutLargeVertical)->count(), 60);
    EXPECT_EQ(dialog.fillList(kLayoutLargeVertical)->itemText(59), "60");
    EXPECT_EQ(dialog.fillList(kLayoutLargeVertical)->currentText(), "30");
    EXPECT_EQ(dialog.fillList(kLayoutLargeHorizontal)->currentText(), "40");
    EXPECT_EQ(dialog.fillList(kLayoutSmallVertical)->currentText(), "20");
    EXPECT_EQ(dialog.fillList(kLayoutSmallHorizontal)->currentText(), "30");
    // The other number as stored, even where it is not what the fill count would give.
    EXPECT_EQ(dialog.derivedLabel(kLayoutLargeVertical)->text(), "2");
    EXPECT_EQ(dialog.derivedLabel(kLayoutLargeHorizontal)->text(), "3");
}

TEST(DlgToolSetMatrixTest, CountOutsideTheListSelectsTheFirst) {
    DisplayState display;
    display.matrix[kLayoutLargeVertical] = {5, 0};
    display.matrix[kLayoutSmallHorizontal] = {61, 1};
    CDlgToolSetMatrix dialog(nullptr, display);
    EXPECT_EQ(dialog.fillList(kLayoutLargeVertical)->currentText(), "1");
    EXPECT_EQ(dialog.derivedLabel(kLayoutLargeVertical)->text(), "5");
    EXPECT_EQ(dialog.fillList(kLayoutSmallHorizontal)->currentText(), "1");
    EXPECT_EQ(dialog.derivedLabel(kLayoutSmallHorizontal)->text(), "1");
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

    QTimer::singleShot(0, &dialog, [&] { dialog.accept(); });
    EXPECT_EQ(dialog.exec(), QDialog::Accepted);
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
    QTimer::singleShot(0, &dialog, [&] { dialog.reject(); });
    EXPECT_EQ(dialog.exec(), QDialog::Rejected);
    EXPECT_EQ(display.matrix, before);
}
