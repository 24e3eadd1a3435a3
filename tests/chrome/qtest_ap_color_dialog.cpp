#include "chrome/ap_color_dialog.h"

#include <QDialogButtonBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

using namespace tessaly;

namespace {

constexpr int kPinkIndex = 22; // #ff557f among the basic colours
constexpr uint32_t kPinkRef = 0x007F55FF;

QPushButton* button(CApColorDialog& dialog, QDialogButtonBox::StandardButton which) {
    auto* box = dialog.findChild<QDialogButtonBox*>();
    return box != nullptr ? box->button(which) : nullptr;
}

} // namespace

class ApColorDialogTest : public QObject {
    Q_OBJECT

private slots:
    // The operator clicks a swatch and OK: exec() accepts and color() is 0x00BBGGRR.
    void clickedSwatchIsReturnedOnOk() {
        CApColorDialog dialog(0x00123456);
        CBasicColorGrid* grid = dialog.findChild<CBasicColorGrid*>("grid");
        QCOMPARE(grid->currentIndex(), -1);
        QTimer::singleShot(0, &dialog, [&] {
            QTest::mouseClick(grid, Qt::LeftButton, {}, grid->cellRect(kPinkIndex).center());
            QTest::mouseClick(button(dialog, QDialogButtonBox::Ok), Qt::LeftButton);
        });
        QCOMPARE(dialog.exec(), int(QDialog::Accepted));
        QCOMPARE(grid->currentIndex(), kPinkIndex);
        QCOMPARE(dialog.color(), kPinkRef);
        QCOMPARE(CBasicColorGrid::basicColor(2), 0x00FF0000u); // pure blue
    }

    void initialColourIsPreselectedAndKeptWithoutAPick() {
        CApColorDialog onGrid(kPinkRef);
        QCOMPARE(onGrid.findChild<CBasicColorGrid*>("grid")->currentIndex(), kPinkIndex);
        QCOMPARE(onGrid.color(), kPinkRef);

        CApColorDialog offGrid(0x00FF8000); // a default panel colour, not a basic one
        QTimer::singleShot(0, &offGrid, [&] {
            QTest::mouseClick(button(offGrid, QDialogButtonBox::Ok), Qt::LeftButton);
        });
        QCOMPARE(offGrid.exec(), int(QDialog::Accepted));
        QCOMPARE(offGrid.color(), 0x00FF8000u);
    }

    void arrowKeysMoveThroughTheGridAndCancelRejects() {
        CApColorDialog dialog(CBasicColorGrid::basicColor(0));
        CBasicColorGrid* grid = dialog.findChild<CBasicColorGrid*>("grid");
        QTimer::singleShot(0, &dialog, [&] {
            QTest::keyClick(grid, Qt::Key_Right); // next column: index 6
            QTest::keyClick(grid, Qt::Key_Down);  // 7
            QTest::keyClick(grid, Qt::Key_Up);    // 6
            QTest::keyClick(grid, Qt::Key_Up);    // stays in row 0
            QTest::keyClick(grid, Qt::Key_Down);  // 7
            QTest::mouseClick(button(dialog, QDialogButtonBox::Cancel), Qt::LeftButton);
        });
        QCOMPARE(dialog.exec(), int(QDialog::Rejected));
        QCOMPARE(grid->currentIndex(), CBasicColorGrid::kRows + 1);
        QCOMPARE(grid->indexAt(grid->cellRect(13).center()), 13);
        QCOMPARE(grid->indexAt(QPoint(-1, 5)), -1);
    }
};

QTEST_MAIN(ApColorDialogTest)
#include "qtest_ap_color_dialog.moc"
