#include "chrome/key_in.h"

#include "chrome/text_functions.h"
#include "core/app_message.h"

#include <QAction>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QDropEvent>
#include <QGuiApplication>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMimeData>
#include <QTextCursor>

#include <algorithm>

namespace tessaly {

namespace {

constexpr char32_t kFirstPrintable = 32;
constexpr char32_t kDelete = 127; // the Delete key's text on X11; it is editing, not typing

bool isTabKey(int key) {
    return key == Qt::Key_Tab || key == Qt::Key_Backtab;
}
bool isEnterKey(int key) {
    return key == Qt::Key_Return || key == Qt::Key_Enter;
}

// The keys that the edit takes for itself ahead of shortcuts and the dialog's own handling.
bool isWantedKey(int key) {
    return isTabKey(key) || isEnterKey(key) || key == Qt::Key_Escape || key == Qt::Key_Up ||
           key == Qt::Key_Down;
}

// A Ctrl+letter chord types the matching control character (Ctrl+A is 1), whatever text the
// platform puts into the event.
bool isControlLetter(const QKeyEvent& event) {
    const Qt::KeyboardModifiers mods = event.modifiers();
    return (mods & Qt::ControlModifier) && !(mods & Qt::AltModifier) && event.key() >= Qt::Key_A &&
           event.key() <= Qt::Key_Z;
}

// Shortcuts never take the keys the edit wants: they arrive as key presses.
bool claimWantedShortcut(QEvent* event) {
    if (event->type() != QEvent::ShortcutOverride) {
        return false;
    }
    auto* key = static_cast<QKeyEvent*>(event);
    if (!isWantedKey(key->key())) {
        return false;
    }
    key->accept();
    return true;
}

// A Tab press, which QWidget would turn into focus movement before keyPressEvent sees it.
QKeyEvent* tabPress(QEvent* event) {
    if (event->type() != QEvent::KeyPress) {
        return nullptr;
    }
    auto* key = static_cast<QKeyEvent*>(event);
    return isTabKey(key->key()) ? key : nullptr;
}

} // namespace

KeyInDecision KeyInSettings::decideKeyPress(const QKeyEvent& event) const {
    const bool notifying = notifyMessage_ != 0;
    const bool shift = (event.modifiers() & Qt::ShiftModifier) != 0;
    const int key = event.key();
    KeyInDecision decision;

    if (event.matches(QKeySequence::Paste)) {
        decision.code = kKeyInPaste;
        return decision;
    }
    if (key == Qt::Key_Backspace) {
        decision.code = kKeyInCharacter;
        return decision;
    }
    if (isTabKey(key)) {
        decision.keepFromDialog = true;
        if (notifying) {
            decision.passToEdit = false;
            decision.code = (shift || key == Qt::Key_Backtab) ? kKeyInShiftTab : kKeyInTab;
        } else {
            decision.code = kKeyInOther;
        }
        return decision;
    }
    if (isEnterKey(key)) {
        decision.keepFromDialog = true;
        if (notifying && enterNotifies_ == 1) {
            decision.passToEdit = false;
            decision.code = shift ? kKeyInShiftEnter : kKeyInEnter;
        } else {
            decision.code = kKeyInOther;
        }
        return decision;
    }
    if (key == Qt::Key_Escape) {
        decision.keepFromDialog = true;
        if (notifying) {
            decision.passToEdit = false;
            decision.code = kKeyInEscape;
        } else {
            decision.code = kKeyInOther;
        }
        return decision;
    }
    // Only the arrows of the cursor block; the keypad's arrows are other keys.
    if ((key == Qt::Key_Up || key == Qt::Key_Down) && !(event.modifiers() & Qt::KeypadModifier)) {
        decision.code = key == Qt::Key_Up ? kKeyInUp : kKeyInDown;
        return decision;
    }
    if (key == Qt::Key_Delete) {
        return decision;
    }

    if (isControlLetter(event)) {
        decision.code = kKeyInOther;
        return decision;
    }
    const QString text = event.text();
    if (text.isEmpty()) {
        return decision;
    }
    const char32_t first = text.front().unicode();
    if (first < kFirstPrintable) {
        decision.code = kKeyInOther;
        return decision;
    }
    if (first == kDelete) {
        return decision;
    }
    const QString kept = filterTyped(text);
    if (kept.isEmpty()) {
        decision.passToEdit = false;
        return decision;
    }
    if (kept != text) {
        decision.text = kept;
    }
    decision.code = kKeyInCharacter;
    return decision;
}

QString KeyInSettings::filterTyped(const QString& text) const {
    QString kept;
    kept.reserve(text.size());
    for (const QChar ch : text) {
        if (ch.unicode() < kFirstPrintable || filterAccepts(filterMode_, ch.unicode())) {
            kept.append(ch);
        }
    }
    return kept;
}

void KeyInSettings::notify(QWidget* self, int code) const {
    notifyWithValue(self, code, controlId_);
}

void KeyInSettings::notifyWithValue(QWidget* self, int code, qintptr value) const {
    if (notifyMessage_ == 0) {
        return;
    }
    QObject* target = notifyTarget_ ? notifyTarget_.data() : self->window();
    postAppMessage(target, code, value);
}

// ---------------------------------------------------------------------------------------------

CKeyIn::CKeyIn(QWidget* parent) : QLineEdit(parent) {}

bool CKeyIn::event(QEvent* event) {
    if (claimWantedShortcut(event)) {
        return true;
    }
    if (QKeyEvent* tab = tabPress(event)) {
        keyPressEvent(tab);
        return true;
    }
    return QLineEdit::event(event);
}

void CKeyIn::keyPressEvent(QKeyEvent* event) {
    const KeyInDecision decision = decideKeyPress(*event);
    if (decision.passToEdit) {
        if (decision.text.isEmpty()) {
            QLineEdit::keyPressEvent(event);
        } else {
            QKeyEvent filtered(event->type(), event->key(), event->modifiers(), decision.text,
                               event->isAutoRepeat(), static_cast<quint16>(event->count()));
            QLineEdit::keyPressEvent(&filtered);
        }
    }
    if (decision.keepFromDialog || !decision.passToEdit) {
        event->accept();
    }
    if (decision.code >= 0) {
        notify(this, decision.code);
    }
}

// Input methods commit text without key presses; it is filtered like typing.
void CKeyIn::inputMethodEvent(QInputMethodEvent* event) {
    const QString commit = event->commitString();
    const QString kept = filterTyped(commit);
    if (kept == commit) {
        QLineEdit::inputMethodEvent(event);
    } else {
        QInputMethodEvent filtered(event->preeditString(), event->attributes());
        filtered.setCommitString(kept, event->replacementStart(), event->replacementLength());
        QLineEdit::inputMethodEvent(&filtered);
    }
    if (!kept.isEmpty()) {
        notify(this, kKeyInCharacter);
    }
}

void CKeyIn::focusInEvent(QFocusEvent* event) {
    QLineEdit::focusInEvent(event);
    if (selectAllOnFocus() == 1) {
        selectAll();
    }
}

void CKeyIn::focusOutEvent(QFocusEvent* event) {
    QLineEdit::focusOutEvent(event);
    // The context menu takes the focus for a moment; its Copy needs the selection.
    if (event->reason() != Qt::PopupFocusReason) {
        deselect();
    }
}

void CKeyIn::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::RightButton) {
        notifyWithValue(this, kKeyInRightButton, 0);
    }
    QLineEdit::mousePressEvent(event);
}

// Every way of pasting reports code 22, so that the dialog can clean what arrived.
void CKeyIn::mouseReleaseEvent(QMouseEvent* event) {
    QLineEdit::mouseReleaseEvent(event);
    if (event->button() == Qt::MiddleButton && !isReadOnly() &&
        QGuiApplication::clipboard()->supportsSelection()) {
        notify(this, kKeyInPaste);
    }
}

void CKeyIn::contextMenuEvent(QContextMenuEvent* event) {
    QMenu* menu = createStandardContextMenu();
    if (menu == nullptr) {
        return;
    }
    menu->setAttribute(Qt::WA_DeleteOnClose);
    // The menu's Paste is known by its shortcut text, the one part of it not translated.
    const QString pasteShortcut =
        QLatin1Char('\t') + QKeySequence(QKeySequence::Paste).toString(QKeySequence::NativeText);
    for (QAction* action : menu->actions()) {
        if (action->text().endsWith(pasteShortcut)) {
            // Connected after the edit's own paste, so the text is in when the dialog looks.
            connect(action, &QAction::triggered, this, [this] { notify(this, kKeyInPaste); });
        }
    }
    menu->popup(event->globalPos());
}

void CKeyIn::dropEvent(QDropEvent* event) {
    QLineEdit::dropEvent(event);
    if (event->isAccepted()) {
        notify(this, kKeyInPaste);
    }
}

// ---------------------------------------------------------------------------------------------

CKeyInMultiLine::CKeyInMultiLine(QWidget* parent) : QPlainTextEdit(parent) {}

void CKeyInMultiLine::setMaxLength(int length) {
    maxLength_ = length < 0 ? 0 : length;
}

void CKeyInMultiLine::setText(const QString& text) {
    setPlainText(maxLength_ > 0 ? text.left(maxLength_) : text);
}

int CKeyInMultiLine::roomFor(const QString& inserted) const {
    if (maxLength_ <= 0) {
        return static_cast<int>(inserted.size());
    }
    const int current = document()->characterCount() - 1; // without the final paragraph mark
    const int replaced = static_cast<int>(textCursor().selectedText().size());
    const int room = maxLength_ - (current - replaced);
    return std::clamp(room, 0, static_cast<int>(inserted.size()));
}

bool CKeyInMultiLine::event(QEvent* event) {
    if (claimWantedShortcut(event)) {
        return true;
    }
    if (QKeyEvent* tab = tabPress(event)) {
        keyPressEvent(tab);
        return true;
    }
    return QPlainTextEdit::event(event);
}

void CKeyInMultiLine::keyPressEvent(QKeyEvent* event) {
    KeyInDecision decision = decideKeyPress(*event);
    if (decision.code == kKeyInPaste) {
        decision.code = -1; // insertFromMimeData reports it once the text is in
    }
    if (decision.passToEdit) {
        const QString typed = decision.text.isEmpty() ? event->text() : decision.text;
        const bool inserts =
            !typed.isEmpty() && (typed.front().unicode() >= kFirstPrintable ||
                                 isEnterKey(event->key()) || isTabKey(event->key()));
        if (inserts && typed.front().unicode() != kDelete && roomFor(typed) < typed.size()) {
            decision.passToEdit = false; // full: the key is dropped
            decision.code = -1;
        }
    }
    if (decision.passToEdit) {
        if (decision.text.isEmpty()) {
            QPlainTextEdit::keyPressEvent(event);
        } else {
            QKeyEvent filtered(event->type(), event->key(), event->modifiers(), decision.text,
                               event->isAutoRepeat(), static_cast<quint16>(event->count()));
            QPlainTextEdit::keyPressEvent(&filtered);
        }
    }
    if (decision.keepFromDialog || !decision.passToEdit) {
        event->accept();
    }
    if (decision.code >= 0) {
        notify(this, decision.code);
    }
}

void CKeyInMultiLine::inputMethodEvent(QInputMethodEvent* event) {
    const QString commit = event->commitString();
    QString kept = filterTyped(commit);
    kept.truncate(roomFor(kept));
    if (kept == commit) {
        QPlainTextEdit::inputMethodEvent(event);
    } else {
        QInputMethodEvent filtered(event->preeditString(), event->attributes());
        filtered.setCommitString(kept, event->replacementStart(), event->replacementLength());
        QPlainTextEdit::inputMethodEvent(&filtered);
    }
    if (!kept.isEmpty()) {
        notify(this, kKeyInCharacter);
    }
}

void CKeyInMultiLine::focusInEvent(QFocusEvent* event) {
    QPlainTextEdit::focusInEvent(event);
    if (selectAllOnFocus() == 1) {
        selectAll();
        ensureCursorVisible();
    }
}

void CKeyInMultiLine::focusOutEvent(QFocusEvent* event) {
    QPlainTextEdit::focusOutEvent(event);
    if (event->reason() != Qt::PopupFocusReason) {
        QTextCursor cursor = textCursor();
        cursor.clearSelection();
        setTextCursor(cursor);
        ensureCursorVisible();
    }
}

void CKeyInMultiLine::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::RightButton) {
        notifyWithValue(this, kKeyInRightButton, 0);
    }
    QPlainTextEdit::mousePressEvent(event);
}

void CKeyInMultiLine::insertFromMimeData(const QMimeData* source) {
    if (source != nullptr && source->hasText() && !isReadOnly()) {
        QString text = source->text();
        text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
        text.truncate(roomFor(text));
        QTextCursor cursor = textCursor();
        cursor.insertText(text);
        setTextCursor(cursor);
        ensureCursorVisible();
    }
    notify(this, kKeyInPaste);
}

// ---------------------------------------------------------------------------------------------

void setUpNumericEdit(CKeyIn& edit, int value) {
    edit.setFilterMode(kFilterDigits);
    edit.setMaxLength(kNumericEditMaxLength);
    edit.setText(QString::number(value));
}

} // namespace tessaly
