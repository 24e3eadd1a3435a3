#include "app/help_target.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStringList>

namespace tessaly {

namespace {

constexpr const char* kManualSuffix = ".html";

bool isUrlWithScheme(const QString& helpValue) {
    // Two letters at least, so that a drive letter ("C:\...") is not taken for a scheme.
    static const QRegularExpression scheme(QStringLiteral("^[A-Za-z][A-Za-z0-9+.-]+:"));
    return scheme.match(helpValue).hasMatch();
}

QString resolvedHelpPath(const QString& startDirectory, const QString& helpValue) {
    QString path = helpValue;
    path.replace(QLatin1Char('\\'), QLatin1Char('/'));
    if (QDir::isRelativePath(path)) {
        path = QDir(startDirectory).filePath(path);
    }
    return QDir::cleanPath(path);
}

} // namespace

QUrl helpTargetUrl(const QString& startDirectory, const QString& helpValue,
                   const QString& installPrefix) {
    if (isUrlWithScheme(helpValue)) {
        return QUrl(helpValue);
    }
    const QString target = resolvedHelpPath(startDirectory, helpValue);
    if (QFileInfo::exists(target)) {
        return QUrl::fromLocalFile(target);
    }

    // The compiled help of other platforms is not shipped here; its HTML twin is.
    const QFileInfo targetInfo(target);
    const QString manualName = targetInfo.completeBaseName() + QLatin1String(kManualSuffix);
    QStringList candidates{targetInfo.dir().filePath(manualName)};
    if (!installPrefix.isEmpty()) {
        candidates << QDir(installPrefix)
                          .filePath(QLatin1String(kInstalledManualDirectory) + QLatin1Char('/') +
                                    manualName);
    }
    for (const QString& candidate : candidates) {
        if (QFileInfo(candidate).isFile()) {
            return QUrl::fromLocalFile(QDir::cleanPath(candidate));
        }
    }
    return QUrl::fromLocalFile(target);
}

QString runningInstallPrefix() {
    if (QCoreApplication::instance() == nullptr) {
        return {};
    }
    return QDir::cleanPath(QCoreApplication::applicationDirPath() + QStringLiteral("/.."));
}

QUrl helpTargetUrl(const QString& startDirectory, const QString& helpValue) {
    return helpTargetUrl(startDirectory, helpValue, runningInstallPrefix());
}

} // namespace tessaly
