#pragma once

#include <QDialog>
#include <QString>

class QPushButton;

namespace tessaly {

class CKeyInMultiLine;

constexpr int kCommentEditId = 1108;
constexpr int kCommentMaxLength = 256;

// The memo of one receiver panel: a multi-line text with OK and Cancel. Enter breaks the line,
// Escape cancels, and tabs that arrive with a paste become blanks (the environment file keeps
// line breaks as tabs, so a tab must never reach a comment).
class CDlgSetComment : public QDialog {
    Q_OBJECT

public:
    // `comment` is the record's text, lines separated by "\r\n" (a bare "\n" is taken too);
    // `name` gives the caption "Memo (name)", or "Memo" when it is empty.
    CDlgSetComment(QWidget* parent, int receiverNumber, const QString& comment,
                   const QString& name);

    // After OK: the edited text, lines separated by "\r\n" as the receiver record keeps them.
    // Before OK, or after Cancel: the text the dialog was given.
    QString comment() const { return comment_; }
    int receiverNumber() const { return receiverNumber_; }

    CKeyInMultiLine* edit() const { return edit_; }
    QPushButton* okButton() const { return ok_; }
    QPushButton* cancelButton() const { return cancel_; }

public slots:
    void accept() override;

protected:
    bool event(QEvent* event) override;

private:
    void expandPastedTabs();

    int receiverNumber_;
    QString comment_;
    QString name_;

    CKeyInMultiLine* edit_ = nullptr;
    QPushButton* ok_ = nullptr;
    QPushButton* cancel_ = nullptr;
};

} // namespace tessaly
