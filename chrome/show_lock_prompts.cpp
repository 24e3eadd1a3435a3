#include "chrome/show_lock_prompts.h"

#include "chrome/user_prompts.h"
#include "protocol/show_lock.h"

namespace tessaly {

bool refusedWhileLocked(CUserPrompts& prompts, QWidget* parent, const QString& action) {
    if (!showLock().locked()) {
        return false;
    }
    prompts.messageBox(parent, QString::fromLatin1(kLockedNoticeFormat).arg(action),
                       PromptButtons::Ok, PromptIcon::Information);
    return true;
}

bool confirmUnlock(CUserPrompts& prompts, QWidget* parent, const std::string& pin) {
    if (prompts.messageBox(parent, QString::fromLatin1(kUnlockQuestion), PromptButtons::OkCancel,
                           PromptIcon::Question) != PromptAnswer::Ok) {
        return false;
    }
    if (pin.empty()) {
        return true;
    }
    const std::optional<QString> entered = prompts.textInput(parent, QString::fromLatin1(kPinTitle),
                                                             QString::fromLatin1(kPinLabel), true);
    if (!entered) {
        return false;
    }
    if (!ShowLock::pinAccepted(pin, entered->toStdString())) {
        prompts.messageBox(parent, QString::fromLatin1(kWrongPinText), PromptButtons::Ok,
                           PromptIcon::Exclamation);
        return false;
    }
    return true;
}

} // namespace tessaly
