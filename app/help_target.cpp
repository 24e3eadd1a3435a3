#include "app/help_target.h"

#include <QDir>
#include <QRegularExpression>

namespace tessaly {

QUrl helpTargetUrl(const QString& startDirectory, const QString& helpValue) {
    // Two letters at least, so that a drive letter ("C:\...") is not taken for a scheme.
    static const QRegularExpression scheme(QStringLiteral("^[A-Za-z][A-Za-z0-9+.-]+:"));
    if (scheme.match(helpValue).hasMatch()) {
        return QUrl(helpValue);
    }
    QString path = helpValue;
    path.replace(QLatin1Char('\\'), QLatin1Char('/'));
    if (QDir::isRelativePath(path)) {
        path = QDir(startDirectory).filePath(path);
    }
    return QUrl::fromLocalFile(QDir::cleanPath(path));
}

} // namespace tessaly
