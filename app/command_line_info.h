#pragma once

#include <QString>
#include <QStringList>

namespace tessaly {

// `tessaly --help` and `tessaly --version` print and end the program. They are answered from
// the raw arguments before the application object exists, so that neither needs a display,
// opens a window or touches the single-instance lock.
enum class InfoRequest { None, Help, Version };

// The first of -h, --help or --version among the arguments after the program name; "--" ends
// the options, so that a file of that name can still be opened.
InfoRequest infoRequest(int argc, const char* const* argv);

// The environment file named on the command line (the application's arguments, Qt's own
// options already taken out), after an optional "--"; empty when none is named.
QString commandLineFile(const QStringList& arguments);

QString helpText();
QString versionText(); // one line: "tessaly 1.2.0.10"

} // namespace tessaly
