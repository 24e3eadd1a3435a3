#pragma once

#include <QString>

namespace tessaly {

// The operating system's English text for an error code (the C locale's, whatever the user's
// locale), without line breaks; empty when the system knows no text for the code.
QString systemErrorText(int code);

} // namespace tessaly
