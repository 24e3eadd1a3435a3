#include "dialogs/dlg_set_comment.h"

#include "chrome/key_in.h"
#include "chrome/text_functions.h"
#include "core/app_message.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QTextCursor>
#include <QVBoxLayout>

#include <algorithm>

namespace tessaly {

namespace {

constexpr QSize kCommentEditSize(300, 140);
const QString kRecordLineBreak = QStringLiteral("\r\n");
const QString kEditLineBreak = QStringLiteral("\n");

QPushButton* makeButton(const char* text, QWidget* parent) {
    auto* button = new QPushButton(QString::fromLatin1(text), parent);
    button->setAutoDefault(false);
    return button;
}

} // namespace

CDlgSetComment::CDlgSetComment(QWidget* parent, int receiverNumber, const QString& comment,
                               const QString& name)
    : QDialog(parent), receiverNumber_(receiverNumber), comment_(comment), name_(name) {
    setWindowTitle(name_.isEmpty() ? QStringLiteral("Memo")
                                   : QStringLiteral("Memo (%1)").arg(name_));

    edit_ = new CKeyInMultiLine(this);
    edit_->setFilterMode(kFilterAny);
    edit_->setNotifyMessage(kAppMessageNumber);
    edit_->setControlId(kCommentEditId);
    edit_->setEnterNotifies(0);
    edit_->setSelectAllOnFocus(0);
    edit_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    edit_->setMinimumSize(kCommentEditSize);
    QString text = comment_;
    text.replace(kRecordLineBreak, kEditLineBreak);
    // A comment that came longer from a file is shown whole: opening and leaving the memo must
    // not cut it.
    edit_->setMaxLength(std::max(kCommentMaxLength, static_cast<int>(text.size())));
    edit_->setText(text);
    edit_->moveCursor(QTextCursor::End);

    ok_ = makeButton("OK", this);
    cancel_ = makeButton("Cancel", this);
    connect(ok_, &QPushButton::clicked, this, &CDlgSetComment::accept);
    connect(cancel_, &QPushButton::clicked, this, &CDlgSetComment::reject);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(ok_);
    buttons->addWidget(cancel_);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(edit_, 1);
    layout->addLayout(buttons);
    edit_->setFocus();
}

void CDlgSetComment::accept() {
    QString text = edit_->text();
    text.replace(kEditLineBreak, kRecordLineBreak);
    comment_ = text;
    QDialog::accept();
}

bool CDlgSetComment::event(QEvent* event) {
    const AppMessage* message = AppMessage::from(event);
    if (message == nullptr) {
        return QDialog::event(event);
    }
    if (message->value() == kCommentEditId) {
        if (message->code() == kKeyInEscape) {
            reject();
        } else if (message->code() == kKeyInPaste) {
            expandPastedTabs();
        }
    }
    return true;
}

void CDlgSetComment::expandPastedTabs() {
    const QString text = edit_->text();
    if (!text.contains(QLatin1Char('\t'))) {
        return;
    }
    // The caret stays after what was pasted: it moves on by the blanks added before it.
    const int caret = edit_->textCursor().position();
    const auto tabsBefore = text.left(caret).count(QLatin1Char('\t'));
    const int newCaret = caret + static_cast<int>(tabsBefore) * (kTabBlanks - 1);
    edit_->setText(expandTabs(text));
    QTextCursor cursor = edit_->textCursor();
    cursor.setPosition(std::min(newCaret, static_cast<int>(edit_->text().size())));
    edit_->setTextCursor(cursor);
}

} // namespace tessaly
