// The memo dialog: line breaks in the record's form, pasted tabs, Escape and OK.

#include "chrome/key_in.h"
#include "dialogs/dlg_set_comment.h"
#include "tests/support/wait_until.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

using namespace tessaly;
using namespace tessaly::testing;

namespace {

void openAtEnd(CDlgSetComment& dialog) {
    dialog.open();
    dialog.edit()->setFocus();
    dialog.edit()->moveCursor(QTextCursor::End);
}

} // namespace

TEST(DlgSetCommentTest, EnterBreaksTheLineAndOkGivesRecordLineBreaks) {
    CDlgSetComment dialog(nullptr, 4, QStringLiteral("a\r\nb"), QStringLiteral("Vocal 1"));
    EXPECT_EQ(dialog.windowTitle(), "Memo (Vocal 1)");
    EXPECT_EQ(CDlgSetComment(nullptr, 1, {}, {}).windowTitle(), "Memo");
    openAtEnd(dialog);
    QTest::keyClick(dialog.edit(), Qt::Key_Return);
    QTest::keyClicks(dialog.edit(), QStringLiteral("c"));
    QTest::keyClick(dialog.edit(), Qt::Key_Tab); // reported, never typed
    QCoreApplication::processEvents();
    EXPECT_TRUE(dialog.isVisible()); // Enter does not press OK

    dialog.okButton()->click();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.comment(), "a\r\nb\r\nc");
}

TEST(DlgSetCommentTest, PastedTabBecomesFourBlanksAndTheCaretStaysAfterIt) {
    CDlgSetComment dialog(nullptr, 1, QStringLiteral("x"), QString());
    openAtEnd(dialog);
    QGuiApplication::clipboard()->setText(QStringLiteral("a\tb"));
    QTest::keyClick(dialog.edit(), Qt::Key_V, Qt::ControlModifier);
    ASSERT_TRUE(waitUntil([&] { return !dialog.edit()->text().contains('\t'); }, 2000));
    QTest::keyClicks(dialog.edit(), QStringLiteral("!"));
    dialog.okButton()->click();
    EXPECT_EQ(dialog.comment(), "xa    b!");
}

TEST(DlgSetCommentTest, EscapeKeepsTheComment) {
    CDlgSetComment dialog(nullptr, 1, QStringLiteral("keep"), QString());
    openAtEnd(dialog);
    QTest::keyClicks(dialog.edit(), QStringLiteral("more"));
    QTest::keyClick(dialog.edit(), Qt::Key_Escape);
    ASSERT_TRUE(waitUntil([&] { return !dialog.isVisible(); }, 2000));
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
    EXPECT_EQ(dialog.comment(), "keep");
}

// A comment that a file brought in longer than the edit's limit survives opening and OK.
TEST(DlgSetCommentTest, LongerCommentFromAFileIsNotCut) {
    const QString longComment = QString(kCommentMaxLength, 'a') + QStringLiteral("\r\nend");
    CDlgSetComment dialog(nullptr, 1, longComment, QString());
    dialog.open();
    dialog.okButton()->click();
    EXPECT_EQ(dialog.comment(), longComment);
}
