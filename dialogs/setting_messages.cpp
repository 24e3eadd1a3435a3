#include "dialogs/setting_messages.h"

namespace tessaly {

QString outOfRangeMessage(const QString& itemName) {
    return QStringLiteral("%1 %2").arg(itemName, QString::fromLatin1(kOutOfRangeWords));
}

QString invalidMessage(const QString& itemName) {
    return QStringLiteral("%1 %2.").arg(QString::fromLatin1(kInvalidWord), itemName);
}

} // namespace tessaly
