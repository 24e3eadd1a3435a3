#pragma once

#include <QString>
#include <QStringList>

#include <vector>

namespace tessaly {

// Writes `rows` to `path` as CSV (libcsv's quoting, CRLF line ends) through a QSaveFile, so a
// failed export never leaves half a file; false and `error` on failure.
bool writeCsvFile(const QString& path, const std::vector<QStringList>& rows,
                  QString* error = nullptr);

} // namespace tessaly
