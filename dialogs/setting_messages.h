#pragma once

#include <QString>

namespace tessaly {

// The two shapes in which the settings dialogs refuse an entry. Both go into a message box with
// the exclamation icon and one OK button.
constexpr const char* kInvalidWord = "Invalid "; // the blank is part of it: "Invalid  Battery."
constexpr const char* kOutOfRangeWords = "value is out of range.";

// "<item> value is out of range."
QString outOfRangeMessage(const QString& itemName);

// "Invalid  <item>." (two blanks: the word brings its own).
QString invalidMessage(const QString& itemName);

} // namespace tessaly
