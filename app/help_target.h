#pragma once

#include <QString>
#include <QUrl>

namespace tessaly {

// What the Help command opens: the help setting as a URL when it names a scheme (http:, ...),
// otherwise a file path in which backslashes are separators, relative paths taken from the
// directory the program was started in.
QUrl helpTargetUrl(const QString& startDirectory, const QString& helpValue);

} // namespace tessaly
