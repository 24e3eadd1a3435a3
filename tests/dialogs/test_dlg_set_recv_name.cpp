// The in-place name editor: placement, the name filter, and the one way out it takes.

#include "chrome/key_in.h"
#include "dialogs/dlg_set_recv_name.h"
#include "tests/support/wait_until.h"

#include <QApplication>
#include <QClipboard>
#include <QTest>

#include <gtest/gtest.h>

using namespace tessaly;
using namespace tessaly::testing;

namespace {

constexpr int kNumber = 3;
const NameEditorPlacement kPlacement{QPoint(120, 80), 90, 18, 12};

class DlgSetRecvNameTest : public ::testing::Test {
protected:
    DlgSetRecvNameTest() {
        table.count = 5;
        table.byNumber(kNumber).name = "Vocal";
    }

    // Opens the editor, active and with the edit focused, as the view shows it.
    void open(CDlgSetRecvName& editor) {
        editor.open();
        editor.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&editor));
        editor.edit()->setFocus();
    }

    bool closes(CDlgSetRecvName& editor) {
        return waitUntil([&] { return !editor.isVisible(); }, 2000);
    }

    const ReceiverRecord& edited(const CDlgSetRecvName& editor) const {
        return editor.table().byNumber(kNumber);
    }

    ReceiverTable table;
};

} // namespace

TEST_F(DlgSetRecvNameTest, OpensOverTheNameAndEnterStoresTheTypedNameOnce) {
    CDlgSetRecvName editor(nullptr, kPlacement, false, kNumber, table);
    open(editor);
    EXPECT_EQ(editor.frameGeometry(), QRect(kPlacement.anchor, QSize(90, 18)));
    EXPECT_EQ(editor.edit()->geometry(), QRect(0, 0, 90, 18));
    EXPECT_EQ(editor.edit()->font().pixelSize(), 12);
    EXPECT_EQ(editor.edit()->selectedText(), "Vocal");
    QTest::keyClicks(editor.edit(), QStringLiteral("Lead #2 vox+"));
    EXPECT_EQ(editor.edit()->text(), "Lead 2 vox"); // the number sign dropped; cut at 10
    QTest::keyClick(editor.edit(), Qt::Key_Return);
    QTest::keyClick(editor.edit(), Qt::Key_Escape); // arrives after Enter acted: ignored
    ASSERT_TRUE(closes(editor));
    QCoreApplication::processEvents();

    EXPECT_EQ(editor.result(), QDialog::Accepted);
    EXPECT_EQ(editor.closing(), 1);
    EXPECT_FALSE(editor.edit()->isEnabled());
    EXPECT_EQ(edited(editor).name, "Lead 2 vox");
    EXPECT_EQ(edited(editor).nameChanged, 1);
    EXPECT_EQ(editor.table().byNumber(kNumber + 1).nameChanged, 0);
}

TEST_F(DlgSetRecvNameTest, PasteKeepsOnlyNameCharacters) {
    CDlgSetRecvName editor(nullptr, kPlacement, false, kNumber, table);
    open(editor);
    QGuiApplication::clipboard()->setText(QStringLiteral("Rx#1 (A)"));
    QTest::keyClick(editor.edit(), Qt::Key_V, Qt::ControlModifier);
    ASSERT_TRUE(waitUntil([&] { return editor.edit()->text() == "Rx1 A"; }, 2000))
        << editor.edit()->text().toStdString();
    QTest::keyClick(editor.edit(), Qt::Key_Return);
    ASSERT_TRUE(closes(editor));
    EXPECT_EQ(edited(editor).name, "Rx1 A");
}

TEST_F(DlgSetRecvNameTest, EscapeAndRightButtonLeaveTheTableAlone) {
    CDlgSetRecvName escaped(nullptr, kPlacement, false, kNumber, table);
    open(escaped);
    QTest::keyClicks(escaped.edit(), QStringLiteral("New"));
    QTest::keyClick(escaped.edit(), Qt::Key_Escape);
    QTest::keyClick(escaped.edit(), Qt::Key_Return); // after Escape acted: ignored
    ASSERT_TRUE(closes(escaped));
    QCoreApplication::processEvents();
    EXPECT_EQ(escaped.result(), QDialog::Rejected);
    EXPECT_EQ(edited(escaped).name, "Vocal");
    EXPECT_EQ(edited(escaped).nameChanged, 0);

    CDlgSetRecvName clicked(nullptr, kPlacement, false, kNumber, table);
    open(clicked);
    QTest::keyClicks(clicked.edit(), QStringLiteral("New"));
    QTest::mousePress(clicked.edit(), Qt::RightButton, {}, QPoint(5, 5));
    ASSERT_TRUE(closes(clicked));
    EXPECT_EQ(clicked.result(), QDialog::Rejected);
    EXPECT_EQ(edited(clicked).name, "Vocal");
    EXPECT_EQ(edited(clicked).nameChanged, 0);
}

// The window is left while the Escape typed just before is still on its way: leaving acts
// first, and the late Escape finds the editor closing.
TEST_F(DlgSetRecvNameTest, LossOfActivationBeforeAQueuedEscapeActsOnce) {
    QWidget other;
    other.show();
    CDlgSetRecvName editor(nullptr, kPlacement, false, kNumber, table);
    open(editor);
    QTest::keyClick(editor.edit(), Qt::Key_End);
    QTest::keyClicks(editor.edit(), QStringLiteral("2"));
    QTest::keyClick(editor.edit(), Qt::Key_Escape);
    QApplication::setActiveWindow(&other);
    EXPECT_EQ(editor.result(), QDialog::Accepted);
    QCoreApplication::processEvents();
    EXPECT_FALSE(editor.isVisible());
    EXPECT_EQ(editor.result(), QDialog::Accepted);
    EXPECT_EQ(edited(editor).name, "Vocal2");
    EXPECT_EQ(edited(editor).nameChanged, 1);
}

// Leaving commits the text even unchanged; a name that a file brought in longer than the edit
// allows is not cut by that.
TEST_F(DlgSetRecvNameTest, LeavingCommitsAnUnchangedLongerNameWhole) {
    table.byNumber(kNumber).name = "Wireless Lead";
    QWidget other;
    other.show();
    CDlgSetRecvName editor(nullptr, kPlacement, false, kNumber, table);
    open(editor);
    QApplication::setActiveWindow(&other);
    ASSERT_TRUE(closes(editor));
    EXPECT_EQ(editor.result(), QDialog::Accepted);
    EXPECT_EQ(edited(editor).name, "Wireless Lead");
    EXPECT_EQ(edited(editor).nameChanged, 1);
}
