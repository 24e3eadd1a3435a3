#include "app/version_info.h"

#include <QStringList>

#ifndef TESSALY_VERSION_TEXT
#error "the build passes TESSALY_VERSION_TEXT"
#endif

namespace tessaly {

QString fullVersionText() {
    return QStringLiteral(TESSALY_VERSION_TEXT);
}

QString shortVersionText(const QString& fullVersion) {
    const QStringList parts = fullVersion.split(QLatin1Char('.'));
    if (parts.size() < 2) {
        return fullVersion;
    }
    return QStringLiteral("%1.%2").arg(parts[0], parts[1]);
}

} // namespace tessaly
