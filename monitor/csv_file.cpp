#include "monitor/csv_file.h"

#include <QSaveFile>

#include <csv.h>

namespace tessaly {

namespace {
// One CSV field, quoted by libcsv (doubled quotes inside).
QByteArray csvField(const QString& text) {
    const QByteArray utf8 = text.toUtf8();
    QByteArray out(static_cast<qsizetype>(utf8.size() * 2 + 2), '\0');
    const size_t written = csv_write(out.data(), static_cast<size_t>(out.size()), utf8.constData(),
                                     static_cast<size_t>(utf8.size()));
    out.truncate(static_cast<qsizetype>(written));
    return out;
}
} // namespace

bool writeCsvFile(const QString& path, const std::vector<QStringList>& rows, QString* error) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        if (error != nullptr) {
            *error = file.errorString();
        }
        return false;
    }
    for (const QStringList& line : rows) {
        QByteArray text;
        for (qsizetype i = 0; i < line.size(); ++i) {
            if (i > 0) {
                text += ',';
            }
            text += csvField(line[i]);
        }
        text += "\r\n";
        file.write(text);
    }
    if (!file.commit()) {
        if (error != nullptr) {
            *error = file.errorString();
        }
        return false;
    }
    return true;
}

} // namespace tessaly
