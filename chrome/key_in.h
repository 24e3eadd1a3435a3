#pragma once

#include "chrome/key_in_codes.h"

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>

class QKeyEvent;
class QInputMethodEvent;

namespace tessaly {

// What the filtered edits do with one key press.
struct KeyInDecision {
    bool passToEdit = true;      // let the edit handle the key
    bool keepFromDialog = false; // Tab, Enter, Escape: never reach the dialog's own handling
    int code = -1;               // notification to post afterwards; -1 posts nothing
    QString text;                // when not empty: the filtered text to give the edit instead
};

// The settings and reporting that the single-line and the multi-line filtered edit share. The
// owning dialog sets them after construction.
class KeyInSettings {
public:
    void setFilterMode(int mode) { filterMode_ = mode; }

    // The message posted to the dialog; 0 posts nothing. The only message in use is the
    // application message (kAppMessageNumber), which arrives as an AppMessage event with the
    // code as its code and the control id as its value.
    void setNotifyMessage(int message) { notifyMessage_ = message; }

    // 1: Enter is reported (code 2, Shift+Enter 32770) and swallowed; otherwise it is passed on.
    void setEnterNotifies(int flag) { enterNotifies_ = flag; }

    // 1: the whole text is selected when the edit gains the focus.
    int selectAllOnFocus() const { return selectAllOnFocus_; }
    void setSelectAllOnFocus(int flag) { selectAllOnFocus_ = flag; }

    // The dialog's id of this control, the second argument of the notifications.
    void setControlId(int id) { controlId_ = id; }

    // Where notifications go; by default the edit's window (its dialog).
    void setNotifyTarget(QObject* target) { notifyTarget_ = target; }

    KeyInDecision decideKeyPress(const QKeyEvent& event) const;

    // The printable characters of a typed or committed text that the filter mode lets through.
    QString filterTyped(const QString& text) const;

protected:
    // Posts the code with the control id (or `value` for the right button) when a notification
    // message is set.
    void notify(QWidget* self, int code) const;
    void notifyWithValue(QWidget* self, int code, qintptr value) const;

private:
    int filterMode_ = kFilterAny;
    int notifyMessage_ = 0;
    int enterNotifies_ = 1;
    int selectAllOnFocus_ = 1;
    int controlId_ = 0;
    QPointer<QObject> notifyTarget_;
};

// The filtered single-line edit of the dialogs: numbers, PINs, addresses and names. It takes
// every key itself, so Tab, Enter and Escape never move the focus or close the dialog; with a
// notification message set they are reported instead. Pasted text is not filtered: the dialog
// cleans it on code 22 with the text functions.
class CKeyIn : public QLineEdit, public KeyInSettings {
    Q_OBJECT

public:
    explicit CKeyIn(QWidget* parent = nullptr);

protected:
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void dropEvent(QDropEvent* event) override;
};

// The same filtered edit for multi-line text (the comment). Enter inserts a line break unless
// Enter notifies; Tab is inserted only while no notification message is set.
class CKeyInMultiLine : public QPlainTextEdit, public KeyInSettings {
    Q_OBJECT

public:
    explicit CKeyInMultiLine(QWidget* parent = nullptr);

    // At most this many characters (a line break counts as one); 0 means no limit.
    void setMaxLength(int length);

    QString text() const { return toPlainText(); }
    void setText(const QString& text);

protected:
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    // Every paste (keyboard, context menu, middle button, drop) arrives here.
    void insertFromMimeData(const QMimeData* source) override;

private:
    int roomFor(const QString& inserted) const;

    int maxLength_ = 0;
};

// Numeric edit set-up: digits only, at most 4 characters, the value as text.
constexpr int kNumericEditMaxLength = 4;
void setUpNumericEdit(CKeyIn& edit, int value);

} // namespace tessaly
