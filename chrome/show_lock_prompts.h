#pragma once

#include <QString>

#include <string>

class QWidget;

namespace tessaly {

class CUserPrompts;

constexpr const char* kLockedNoticeFormat =
    "Locked for show: %1 is not available. Unlock with View, Unlock Show... (Ctrl+L).";
constexpr const char* kUnlockQuestion = "Unlock the show lock?";
constexpr const char* kPinTitle = "Unlock Show";
constexpr const char* kPinLabel = "PIN:";
constexpr const char* kWrongPinText = "Wrong PIN. The show stays locked.";

// Says that `action` is refused while the show lock is held. True when it was refused (the
// lock is held), false when the action may go on.
bool refusedWhileLocked(CUserPrompts& prompts, QWidget* parent, const QString& action);

// Asks to release the lock: a confirmation, then the PIN of the settings when one is set.
// True when the operator may unlock.
bool confirmUnlock(CUserPrompts& prompts, QWidget* parent, const std::string& pin);

} // namespace tessaly
