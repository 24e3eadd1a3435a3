// The memo dialog: line breaks in the record's form, pasted tabs, Escape, OK and Cancel.

#include "chrome/key_in.h"
#include "dialogs/dlg_set_comment.h"
#include "tests/support/wait_until.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

using namespace tessaly;
using namespace tessaly::testing;

namespace {

// Opens the dialog and puts the caret at the end of its text.
void openAtEnd(CDlgSetComment& dialog) {
    dialog.open();
    dialog.edit()->setFocus();
    dialog.edit()->moveCursor(QTextCursor::End);
}

bool closes(CDlgSetComment& dialog) {
    return waitUntil([&] { return !dialog.isVisible(); }, 2000);
}

} // namespace

TEST(DlgSetCommentTest, CaptionAndTextComeFromTheRecord) {
    CDlgSetComment named(nullptr, 4, QStringLiteral("first\r\nsecond"), QStringLiteral("Vocal 1"));
    EXPECT_EQ(named.windowTitle(), "Memo (Vocal 1)");
    EXPECT_EQ(named.edit()->text(), "first\nsecond");
    EXPECT_EQ(named.edit()->maxLength(), kCommentMaxLength);
    EXPECT_EQ(named.receiverNumber(), 4);

    CDlgSetComment unnamed(nullptr, 1, QString(), QString());
    EXPECT_EQ(unnamed.windowTitle(), "Memo");
}

TEST(DlgSetCommentTest, EnterBreaksTheLineAndOkGivesRecordLineBreaks) {
    CDlgSetComment dialog(nullptr, 1, QStringLiteral("a"), QStringLiteral("Rx"));
    openAtEnd(dialog);
    QTest::keyClick(dialog.edit(), Qt::Key_Return);
    QTest::keyClicks(dialog.edit(), QStringLiteral("b"));
    QTest::keyClick(dialog.edit(), Qt::Key_Tab); // reported, never typed
    QCoreApplication::processEvents();
    EXPECT_TRUE(dialog.isVisible()); // Enter does not press OK
    EXPECT_EQ(dialog.comment(), "a");

    dialog.okButton()->click();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.comment(), "a\r\nb");
}

TEST(DlgSetCommentTest, PastedTabBecomesFourBlanks) {
    CDlgSetComment dialog(nullptr, 1, QStringLiteral("x"), QString());
    openAtEnd(dialog);
    QGuiApplication::clipboard()->setText(QStringLiteral("a\tb"));
    QTest::keyClick(dialog.edit(), Qt::Key_V, Qt::ControlModifier);
    ASSERT_TRUE(waitUntil([&] { return !dialog.edit()->text().contains('\t'); }, 2000));
    EXPECT_EQ(dialog.edit()->text(), "xa    b");

    // The caret stays after the pasted text.
    QTest::keyClicks(dialog.edit(), QStringLiteral("!"));
    EXPECT_EQ(dialog.edit()->text(), "xa    b!");

    dialog.okButton()->click();
    EXPECT_EQ(dialog.comment(), "xa    b!");
}

TEST(DlgSetCommentTest, PasteStaysWithinTheLimitEvenWhenTabsGrow) {
    CDlgSetComment dialog(nullptr, 1, QString(kCommentMaxLength - 3, 'c'), QString());
    openAtEnd(dialog);
    QGuiApplication::clipboard()->setText(QStringLiteral("\t\t"));
    QTest::keyClick(dialog.edit(), Qt::Key_V, Qt::ControlModifier);
    ASSERT_TRUE(waitUntil([&] { return !dialog.edit()->text().contains('\t'); }, 2000));
    EXPECT_EQ(dialog.edit()->text().size(), kCommentMaxLength);
    EXPECT_TRUE(dialog.edit()->text().endsWith(QStringLiteral("ccc   ")));
}

TEST(DlgSetCommentTest, EscapeAndCancelKeepTheComment) {
    CDlgSetComment escaped(nullptr, 1, QStringLiteral("keep"), QString());
    openAtEnd(escaped);
    QTest::keyClicks(escaped.edit(), QStringLiteral("more"));
    QTest::keyClick(escaped.edit(), Qt::Key_Escape);
    ASSERT_TRUE(closes(escaped));
    EXPECT_EQ(escaped.result(), QDialog::Rejected);
    EXPECT_EQ(escaped.comment(), "keep");

    CDlgSetComment cancelled(nullptr, 1, QStringLiteral("keep"), QString());
    QTimer::singleShot(0, &cancelled, [&] {
        QTest::keyClicks(cancelled.edit(), QStringLiteral("more"));
        cancelled.cancelButton()->click();
    });
    EXPECT_EQ(cancelled.exec(), QDialog::Rejected);
    EXPECT_EQ(cancelled.comment(), "keep");
}

// A comment that a file brought in longer than the edit's limit survives opening and OK.
TEST(DlgSetCommentTest, LongerCommentFromAFileIsNotCut) {
    const QString longComment = QString(kCommentMaxLength, 'a') + QStringLiteral("\r\nend");
    CDlgSetComment dialog(nullptr, 1, longComment, QString());
    QTimer::singleShot(0, &dialog, [&] { dialog.okButton()->click(); });
    EXPECT_EQ(dialog.exec(), QDialog::Accepted);
    EXPECT_EQ(dialog.comment(), longComment);
}
