#pragma once

#include <QString>

namespace tessaly {

// The build's version, four dot-separated numbers (e.g. "1.2.0.10").
QString fullVersionText();

// The first two parts of a full version joined with "." ("1.2.0.10" gives "1.2"); a version
// with fewer parts is returned as it is.
QString shortVersionText(const QString& fullVersion);

} // namespace tessaly
