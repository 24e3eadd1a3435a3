#include "dialogs/dlg_set_recv_name.h"

#include "chrome/key_in.h"
#include "chrome/shell_dlg_font.h"
#include "chrome/text_functions.h"
#include "core/app_message.h"

#include <QPushButton>

#include <algorithm>

namespace tessaly {

CDlgSetRecvName::CDlgSetRecvName(QWidget* parent, const NameEditorPlacement& placement,
                                 bool monitoring, int receiverNumber,
                                 const ReceiverTable& tableCopy)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint), placement_(placement),
      monitoring_(monitoring ? 1 : 0), receiverNumber_(receiverNumber), table_(tableCopy) {
    editedName_ = textFromBytes(table_.byNumber(receiverNumber_).name);

    // Escape and the right button come as notifications; this one stays out of sight.
    cancel_ = new QPushButton(QStringLiteral("Cancel"), this);
    cancel_->setAutoDefault(false);
    cancel_->hide();
    connect(cancel_, &QPushButton::clicked, this, &CDlgSetRecvName::reject);

    edit_ = new CKeyIn(this);
    edit_->setNotifyMessage(kAppMessageNumber);
    edit_->setControlId(kRecvNameEditId);
    edit_->setEnterNotifies(1);
    edit_->setSelectAllOnFocus(1);
    edit_->setFilterMode(kFilterName);
    // The right button cancels; a context menu would outlive the editor.
    edit_->setContextMenuPolicy(Qt::PreventContextMenu);
    // A longer name from a file is shown whole, so that leaving the editor does not cut it.
    edit_->setMaxLength(std::max(kRecvNameMaxLength, static_cast<int>(editedName_.size())));
    edit_->setText(editedName_);
    edit_->setFont(shellDlgFont(placement_.fontHeight, kWeightNormal));
    edit_->setGeometry(0, 0, placement_.width, placement_.height);

    setFixedSize(placement_.width, placement_.height);
    move(placement_.anchor);
    edit_->setFocus();
}

void CDlgSetRecvName::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    move(placement_.anchor);
    activateWindow();
    edit_->setFocus();
}

bool CDlgSetRecvName::event(QEvent* event) {
    if (event->type() == QEvent::WindowDeactivate) {
        // Leaving the editor for another window keeps what it shows.
        if (closing_ == 0 && isVisible()) {
            commitAndClose(edit_->text());
        }
        return QDialog::event(event);
    }
    const AppMessage* message = AppMessage::from(event);
    if (message == nullptr) {
        return QDialog::event(event);
    }
    switch (message->code()) {
    case kKeyInEnter:
        if (message->value() == kRecvNameEditId && closing_ == 0) {
            edit_->setEnabled(false);
            commitAndClose(edit_->text());
        }
        break;
    case kKeyInEscape:
        if (message->value() == kRecvNameEditId) {
            cancelAndClose();
        }
        break;
    case kKeyInRightButton:
        cancelAndClose();
        break;
    case kKeyInPaste:
        if (message->value() == kRecvNameEditId && closing_ == 0) {
            cleanPastedText();
        }
        break;
    default:
        break;
    }
    return true;
}

void CDlgSetRecvName::reject() {
    cancelAndClose();
}

void CDlgSetRecvName::commitAndClose(const QString& name) {
    if (closing_ != 0) {
        return;
    }
    closing_ = 1;
    editedName_ = name;
    ReceiverRecord& record = table_.byNumber(receiverNumber_);
    record.name = bytesFromText(editedName_);
    record.nameChanged = 1;
    done(QDialog::Accepted);
}

void CDlgSetRecvName::cancelAndClose() {
    if (closing_ != 0) {
        return;
    }
    closing_ = 1;
    QDialog::reject();
}

void CDlgSetRecvName::cleanPastedText() {
    const QString text = edit_->text();
    const QString cleaned = keepNameCharacters(text);
    if (cleaned != text) {
        edit_->setText(cleaned);
    }
}

} // namespace tessaly
