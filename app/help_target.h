#pragma once

#include <QString>
#include <QUrl>

namespace tessaly {

// Where the installed manual lives below the installation prefix.
constexpr const char* kInstalledManualDirectory = "share/doc/tessaly";

// What the Help command opens. The help setting is taken as a URL when it names a scheme
// (http:, ...), otherwise as a file path in which backslashes are separators, a relative path
// being taken from the directory the program was started in. When that file does not exist,
// the HTML manual of the same base name opens instead: the one beside it (docs/Tessaly_e.html
// for docs\Tessaly_e.chm), else the one installed under `installPrefix`. When none exists
// either, the target itself is returned and the viewer reports what is missing.
QUrl helpTargetUrl(const QString& startDirectory, const QString& helpValue,
                   const QString& installPrefix);

// The same with the installation prefix of the running program (the parent of the folder
// that holds the executable; none before the application object exists).
QUrl helpTargetUrl(const QString& startDirectory, const QString& helpValue);

QString runningInstallPrefix();

} // namespace tessaly
