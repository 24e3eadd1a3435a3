#include "chrome/text_functions.h"

#include "chrome/key_in_codes.h"

#include <QStringDecoder>

namespace tessaly {

namespace {

bool isDigit(char32_t c) {
    return c >= U'0' && c <= U'9';
}

bool isAsciiLetter(char32_t c) {
    return (c >= U'a' && c <= U'z') || (c >= U'A' && c <= U'Z');
}

bool isHexLetter(char32_t c) {
    return (c >= U'a' && c <= U'f') || (c >= U'A' && c <= U'F');
}

template <typename Keep> QString keepOnly(const QString& text, Keep keep) {
    QString result;
    result.reserve(text.size());
    for (const QChar ch : text) {
        if (keep(ch.unicode())) {
            result.append(ch);
        }
    }
    return result;
}

} // namespace

bool filterAccepts(int filterMode, char32_t c) {
    switch (filterMode) {
    case kFilterDigits:
    case kFilterDigitsToo:
        return isDigit(c);
    case kFilterHexDigits:
        return isDigit(c) || isHexLetter(c);
    case kFilterDigitsDot:
        return isDigit(c) || c == U'.';
    case kFilterDigitsDotMinus:
        return isDigit(c) || c == U'.' || c == U'-';
    case kFilterDigitsMinus:
        return isDigit(c) || c == U'-';
    case kFilterDigitsDotMinusStar:
        return isDigit(c) || c == U'.' || c == U'-' || c == U'*';
    case kFilterDigitsMinusStar:
        return isDigit(c) || c == U'-' || c == U'*';
    case kFilterName:
        return isDigit(c) || isAsciiLetter(c) || c == U' ' || c == U'+' || c == U'-' || c == U'.' ||
               c == U'_';
    default:
        return true;
    }
}

QString keepNumberCharacters(const QString& text) {
    return keepOnly(text, [](char32_t c) { return isDigit(c) || c == U'.'; });
}

QString keepNameCharacters(const QString& text) {
    return keepOnly(text, [](char32_t c) { return filterAccepts(kFilterName, c); });
}

QString expandTabs(const QString& text) {
    QString result = text;
    result.replace(QLatin1Char('\t'), QString(kTabBlanks, QLatin1Char(' ')));
    return result;
}

QString textFromBytes(std::string_view bytes) {
    const QByteArrayView view(bytes.data(), static_cast<qsizetype>(bytes.size()));
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8.decode(view);
    if (utf8.hasError()) {
        return QString::fromLatin1(view);
    }
    return text;
}

std::string bytesFromText(const QString& text) {
    return text.toStdString();
}

} // namespace tessaly
