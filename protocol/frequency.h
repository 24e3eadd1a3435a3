#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace tessaly {

// Number texts here never depend on the process locale: a Qt program runs under the user's
// locale, and a German one would otherwise write "710,125" into files and command lines.

// kHz to the "%.3f" MHz text: 710125 gives "710.125".
std::string khzToText(int32_t khz);

// MHz text to kHz, truncated toward zero: "710.125" and "710.1250" give 710125; an empty or
// non-numeric text gives 0. Leading blanks are skipped and anything after the number ignored.
int32_t textToKhz(std::string_view text);

// The decimal number at the start of a text (leading blanks skipped, optional sign), 0 when
// there is none: the strtod rule without its locale.
double parseDecimal(std::string_view text);

// The value printed like "%.Nf" with a '.' whatever the locale.
std::string formatFixed(double value, int decimals);

// True when the text is a plain decimal number (digits with at most one '.'), the only form
// that may travel to a receiver unchanged.
bool isPlainDecimal(std::string_view text);

} // namespace tessaly
