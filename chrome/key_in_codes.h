#pragma once

namespace tessaly {

// What a CKeyIn reports to its dialog: the application message with one of these codes as its
// first argument and the control id as its second (0 for the right button).
constexpr int kKeyInOther = 0;     // any other control character; Enter when it is passed on
constexpr int kKeyInCharacter = 1; // an accepted printable character, or Backspace
constexpr int kKeyInEnter = 2;     // Enter, swallowed
constexpr int kKeyInTab = 3;       // Tab, swallowed
constexpr int kKeyInEscape = 4;    // Escape, swallowed
constexpr int kKeyInUp = 5;        // Up arrow, passed on
constexpr int kKeyInDown = 6;      // Down arrow, passed on
constexpr int kKeyInRightButton = 11;
constexpr int kKeyInPaste = 22; // after a paste; the pasted text has not been filtered
constexpr int kKeyInShiftEnter = 32770;
constexpr int kKeyInShiftTab = 32771;

// Filter modes: which printable characters (32 and above) may be typed. Control characters are
// never filtered; modes outside 1 ... 9 accept everything.
constexpr int kFilterAny = 0;
constexpr int kFilterDigits = 1;             // 0-9
constexpr int kFilterHexDigits = 2;          // 0-9 a-f A-F
constexpr int kFilterDigitsToo = 3;          // 0-9, the same as mode 1
constexpr int kFilterDigitsDot = 4;          // 0-9 .
constexpr int kFilterDigitsDotMinus = 5;     // 0-9 . -
constexpr int kFilterDigitsMinus = 6;        // 0-9 -
constexpr int kFilterDigitsDotMinusStar = 7; // 0-9 . - *
constexpr int kFilterDigitsMinusStar = 8;    // 0-9 - *
constexpr int kFilterName = 9;               // blank + - . 0-9 A-Z _ a-z

} // namespace tessaly
