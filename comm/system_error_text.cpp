#include "comm/system_error_text.h"

#include <clocale>
#include <cstring>
#include <locale.h>

namespace tessaly {

namespace {

locale_t englishLocale() {
    static const locale_t locale = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(0));
    return locale;
}

} // namespace

QString systemErrorText(int code) {
    const locale_t locale = englishLocale();
    const char* raw = locale != static_cast<locale_t>(0) ? strerror_l(code, locale) : nullptr;
    if (raw == nullptr) {
        return {};
    }
    QString text = QString::fromLocal8Bit(raw);
    // glibc invents a text for codes it does not know; that is no message of the system.
    if (text.startsWith(QLatin1String("Unknown error"))) {
        return {};
    }
    text.remove(QLatin1String("\r\n"));
    return text;
}

} // namespace tessaly
