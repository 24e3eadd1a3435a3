#pragma once

#include <QString>

#include <string>
#include <string_view>

namespace tessaly {

// A typed tab in pasted comments becomes this many blanks.
constexpr int kTabBlanks = 4;

// True when a printable character (32 and above) may be typed in a CKeyIn with this filter mode.
bool filterAccepts(int filterMode, char32_t c);

// Pasted text is not filtered while it is typed; the dialogs clean it with these afterwards.

// Keeps "." and 0-9: "710.125 MHz" gives "710.125".
QString keepNumberCharacters(const QString& text);

// Keeps blank + - . 0-9 A-Z _ a-z (the name filter): "Rx#1 (A)" gives "Rx1 A".
QString keepNameCharacters(const QString& text);

// Every tab becomes kTabBlanks blanks.
QString expandTabs(const QString& text);

// Texts are bytes in files and UTF-8 on screen. Bytes that are not valid UTF-8 (an older file
// written in a single-byte code page) are read as Latin-1, so nothing turns into U+FFFD.
QString textFromBytes(std::string_view bytes);
std::string bytesFromText(const QString& text);

} // namespace tessaly
