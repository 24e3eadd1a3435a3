#include "chrome/key_in.h"
#include "chrome/text_functions.h"
#include "core/app_message.h"
#include "core/message_codes.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDialog>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QVBoxLayout>

#include <utility>
#include <vector>

using namespace tessaly;

namespace {

constexpr int kNameEditId = 1058;
constexpr int kOtherEditId = 1070;

// Stands in for a dialog: a real QDialog with a default button, recording every notification.
class RecordingDialog : public QDialog {
public:
    RecordingDialog() {
        auto* layout = new QVBoxLayout(this);
        edit = new CKeyIn(this);
        edit->setControlId(kNameEditId);
        other = new CKeyIn(this);
        other->setControlId(kOtherEditId);
        multi = new CKeyInMultiLine(this);
        ok = new QPushButton(QStringLiteral("OK"), this);
        ok->setDefault(true);
        connect(ok, &QPushButton::clicked, this, &QDialog::accept);
        layout->addWidget(edit);
        layout->addWidget(other);
        layout->addWidget(multi);
        layout->addWidget(ok);
    }

    // The notifications posted so far, as (code, second argument).
    std::vector<std::pair<int, qintptr>> take() {
        QCoreApplication::sendPostedEvents(this);
        return std::exchange(received_, {});
    }

    CKeyIn* edit;
    CKeyIn* other;
    CKeyInMultiLine* multi;
    QPushButton* ok;

protected:
    bool event(QEvent* event) override {
        if (const AppMessage* message = AppMessage::from(event)) {
            received_.emplace_back(message->code(), message->value());
            return true;
        }
        return QDialog::event(event);
    }

private:
    std::vector<std::pair<int, qintptr>> received_;
};

using Codes = std::vector<std::pair<int, qintptr>>;

} // namespace

class KeyInTest : public QObject {
    Q_OBJECT

private slots:
    void init() {
        dialog_ = new RecordingDialog;
        dialog_->show();
        dialog_->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(dialog_));
        dialog_->edit->setFocus();
        dialog_->take();
    }

    void cleanup() {
        if (QWidget* popup = QApplication::activePopupWidget()) {
            popup->close();
        }
        delete dialog_;
        dialog_ = nullptr;
    }

    void typedCharactersAreFilteredByMode_data() {
        QTest::addColumn<int>("mode");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("kept");
        const QString mixed = QStringLiteral("aF9.-*#_ +g");
        QTest::newRow("0 all") << 0 << mixed << mixed;
        QTest::newRow("1 digits") << 1 << QStringLiteral("a7b8") << QStringLiteral("78");
        QTest::newRow("2 hex") << 2 << QStringLiteral("Ffg0") << QStringLiteral("Ff0");
        QTest::newRow("3 digits") << 3 << QStringLiteral("x12.") << QStringLiteral("12");
        QTest::newRow("4 digits dot") << 4 << QStringLiteral("1.2-3") << QStringLiteral("1.23");
        QTest::newRow("5 dot minus") << 5 << QStringLiteral("1.2-3*") << QStringLiteral("1.2-3");
        QTest::newRow("6 minus") << 6 << QStringLiteral("-1.2*") << QStringLiteral("-12");
        QTest::newRow("7 dot minus star") << 7 << QStringLiteral("1.-*x") << QStringLiteral("1.-*");
        QTest::newRow("8 minus star") << 8 << QStringLiteral("1.-*x") << QStringLiteral("1-*");
        QTest::newRow("9 name") << 9 << QStringLiteral("Rx#1 (A)_+.") << QStringLiteral("Rx1 A_+.");
        QTest::newRow("10 all") << 10 << mixed << mixed;
    }

    // Accepted characters are inserted and each posts code 1 with the control id; rejected
    // ones change nothing and post nothing.
    void typedCharactersAreFilteredByMode() {
        QFETCH(int, mode);
        QFETCH(QString, typed);
        QFETCH(QString, kept);
        CKeyIn* edit = dialog_->edit;
        edit->setFilterMode(mode);
        edit->setNotifyMessage(kAppMessageNumber);
        QTest::keyClicks(edit, typed);
        QCOMPARE(edit->text(), kept);
        const Codes codes = dialog_->take();
        QCOMPARE(codes, Codes(static_cast<size_t>(kept.size()), {kKeyInCharacter, kNameEditId}));
    }

    void pastedTextIsNotFilteredAndReportsCode22() {
        CKeyIn* edit = dialog_->edit;
        edit->setFilterMode(kFilterDigits);
        edit->setNotifyMessage(kAppMessageNumber);
        QGuiApplication::clipboard()->setText(QStringLiteral("12ab"));
        QTest::keyClick(edit, Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(edit->text(), QStringLiteral("12ab"));
        QCOMPARE(dialog_->take(), (Codes{{kKeyInPaste, kNameEditId}}));

        // What a dialog does on code 22.
        edit->setText(keepNumberCharacters(edit->text()));
        QCOMPARE(edit->text(), QStringLiteral("12"));
    }

    // The context menu's Paste reports like Ctrl+V, after the text is in.
    void contextMenuPasteReportsCode22() {
        CKeyIn* edit = dialog_->edit;
        edit->setNotifyMessage(kAppMessageNumber);
        QGuiApplication::clipboard()->setText(QStringLiteral("Rx#2"));
        QContextMenuEvent request(QContextMenuEvent::Mouse, QPoint(2, 2),
                                  edit->mapToGlobal(QPoint(2, 2)));
        QCoreApplication::sendEvent(edit, &request);
        QMenu* menu = edit->findChild<QMenu*>();
        QVERIFY(menu != nullptr);
        QAction* paste = nullptr;
        for (QAction* action : menu->actions()) {
            if (action->text().startsWith(QLatin1String("&Paste"))) {
                paste = action;
            }
        }
        QVERIFY(paste != nullptr);
        paste->trigger();
        menu->close();
        QCOMPARE(edit->text(), QStringLiteral("Rx#2"));
        QCOMPARE(dialog_->take(), (Codes{{kKeyInPaste, kNameEditId}}));
    }

    void inputMethodCommitIsFiltered() {
        CKeyIn* edit = dialog_->edit;
        edit->setFilterMode(kFilterDigits);
        edit->setNotifyMessage(kAppMessageNumber);
        QInputMethodEvent commit;
        commit.setCommitString(QStringLiteral("1a2"));
        QCoreApplication::sendEvent(edit, &commit);
        QCOMPARE(edit->text(), QStringLiteral("12"));
        QCOMPARE(dialog_->take(), (Codes{{kKeyInCharacter, kNameEditId}}));
    }

    void keysAreReportedWithTheControlId() {
        CKeyIn* edit = dialog_->edit;
        edit->setNotifyMessage(kAppMessageNumber);
        edit->setText(QStringLiteral("ab"));
        edit->setCursorPosition(2);
        QTest::keyClick(edit, Qt::Key_Tab);
        QTest::keyClick(edit, Qt::Key_Backtab, Qt::ShiftModifier);
        QTest::keyClick(edit, Qt::Key_Return);
        QTest::keyClick(edit, Qt::Key_Return, Qt::ShiftModifier);
        QTest::keyClick(edit, Qt::Key_Escape);
        QTest::keyClick(edit, Qt::Key_Up);
        QTest::keyClick(edit, Qt::Key_Down);
        QTest::keyClick(edit, Qt::Key_Backspace);
        QTest::keyClick(edit, Qt::Key_A, Qt::ControlModifier);
        const Codes expected{{kKeyInTab, kNameEditId},    {kKeyInShiftTab, kNameEditId},
                             {kKeyInEnter, kNameEditId},  {kKeyInShiftEnter, kNameEditId},
                             {kKeyInEscape, kNameEditId}, {kKeyInUp, kNameEditId},
                             {kKeyInDown, kNameEditId},   {kKeyInCharacter, kNameEditId},
                             {kKeyInOther, kNameEditId}};
        QCOMPARE(dialog_->take(), expected);
        // Tab, Enter and Escape were swallowed: the dialog is open, the focus stayed, the text
        // lost only the backspaced character.
        QVERIFY(dialog_->isVisible());
        QCOMPARE(dialog_->result(), 0);
        QCOMPARE(QApplication::focusWidget(), edit);
        QCOMPARE(edit->text(), QStringLiteral("a"));
    }

    // Delete is editing, not typing: a digits-only edit still deletes with it.
    void deleteKeyWorksInFilteredModes() {
        CKeyIn* edit = dialog_->edit;
        edit->setFilterMode(kFilterDigits);
        edit->setNotifyMessage(kAppMessageNumber);
        edit->setText(QStringLiteral("12"));
        edit->setCursorPosition(0);
        // As X11 delivers it: with the DEL character as its text.
        QKeyEvent press(QEvent::KeyPress, Qt::Key_Delete, Qt::NoModifier, QString(QChar(0x7f)));
        QCoreApplication::sendEvent(edit, &press);
        QCOMPARE(edit->text(), QStringLiteral("2"));
        QVERIFY(dialog_->take().empty());
    }

    void rightButtonReportsCode11WithZero() {
        CKeyIn* edit = dialog_->edit;
        edit->setNotifyMessage(kAppMessageNumber);
        QTest::mousePress(edit, Qt::RightButton);
        QTest::mouseRelease(edit, Qt::RightButton);
        const Codes codes = dialog_->take();
        QVERIFY(!codes.empty());
        QCOMPARE(codes.front(), (std::pair<int, qintptr>{kKeyInRightButton, 0}));
    }

    // Enter notification off: Enter goes to the edit (code 0) and still never to the dialog.
    void enterIsPassedOnWhenItDoesNotNotify() {
        CKeyIn* edit = dialog_->edit;
        edit->setNotifyMessage(kAppMessageNumber);
        edit->setEnterNotifies(0);
        QSignalSpy returnPressed(edit, &QLineEdit::returnPressed);
        QTest::keyClick(edit, Qt::Key_Return);
        QCOMPARE(returnPressed.count(), 1);
        QCOMPARE(dialog_->take(), (Codes{{kKeyInOther, kNameEditId}}));
        QVERIFY(dialog_->isVisible());
        QCOMPARE(dialog_->result(), 0);
    }

    // Without a notification message the edit still takes Tab, Enter and Escape for itself.
    void withoutNotificationKeysStayInTheEdit() {
        CKeyIn* edit = dialog_->edit;
        QTest::keyClick(edit, Qt::Key_Tab);
        QTest::keyClick(edit, Qt::Key_Return);
        QTest::keyClick(edit, Qt::Key_Escape);
        QTest::keyClicks(edit, QStringLiteral("7"));
        QVERIFY(dialog_->isVisible());
        QCOMPARE(dialog_->result(), 0);
        QCOMPARE(QApplication::focusWidget(), edit);
        QCOMPARE(edit->text(), QStringLiteral("7"));
        QVERIFY(dialog_->take().empty());
    }

    void focusSelectsAllAndLosingItDeselects() {
        CKeyIn* edit = dialog_->edit;
        CKeyIn* other = dialog_->other;
        other->setText(QStringLiteral("710.125"));
        other->setFocus(Qt::OtherFocusReason);
        QCOMPARE(other->selectedText(), QStringLiteral("710.125"));
        edit->setFocus(Qt::OtherFocusReason);
        QVERIFY(!other->hasSelectedText());

        other->setSelectAllOnFocus(0);
        other->setFocus(Qt::OtherFocusReason);
        QVERIFY(!other->hasSelectedText());
    }

    // The comment edit: no Enter notification, so Enter breaks the line; Tab is reported and
    // not inserted; a paste is reported once and keeps its tab for the dialog to expand.
    void multiLineCommentEdit() {
        CKeyInMultiLine* multi = dialog_->multi;
        multi->setControlId(1108);
        multi->setNotifyMessage(kAppMessageNumber);
        multi->setEnterNotifies(0);
        multi->setSelectAllOnFocus(0);
        multi->setMaxLength(8);
        multi->setFocus();
        QTest::keyClicks(multi, QStringLiteral("ab"));
        QTest::keyClick(multi, Qt::Key_Return);
        QTest::keyClick(multi, Qt::Key_Tab);
        QCOMPARE(multi->text(), QStringLiteral("ab\n"));
        QCOMPARE(dialog_->take(), (Codes{{kKeyInCharacter, 1108},
                                         {kKeyInCharacter, 1108},
                                         {kKeyInOther, 1108},
                                         {kKeyInTab, 1108}}));

        QGuiApplication::clipboard()->setText(QStringLiteral("c\td-too-long"));
        QTest::keyClick(multi, Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(multi->text(), QStringLiteral("ab\nc\td-t")); // cut at 8 characters
        QCOMPARE(dialog_->take(), (Codes{{kKeyInPaste, 1108}}));
        QTest::keyClicks(multi, QStringLiteral("x"));
        QCOMPARE(multi->text(), QStringLiteral("ab\nc\td-t"));

        multi->setText(expandTabs(QStringLiteral("c\td")));
        QCOMPARE(multi->text(), QStringLiteral("c    d"));
        QTest::keyClick(multi, Qt::Key_Escape);
        QCOMPARE(dialog_->take(), (Codes{{kKeyInEscape, 1108}}));
        QVERIFY(dialog_->isVisible());
    }

private:
    RecordingDialog* dialog_ = nullptr;
};

QTEST_MAIN(KeyInTest)
#include "qtest_key_in.moc"
