#include "chrome/row_run_region.h"

#include <QVector>

namespace tessaly {

QRegion rowRunRegion(const QImage& picture, QRgb outside) {
    const QImage image = picture.convertToFormat(QImage::Format_ARGB32);
    const QRgb outsideRgb = outside & RGB_MASK;
    const int width = image.width();
    QVector<QRect> runs;
    for (int y = 0; y < image.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        int runStart = -1;
        for (int x = 0; x < width; ++x) {
            const bool inside = (line[x] & RGB_MASK) != outsideRgb;
            if (inside && runStart < 0) {
                runStart = x;
            }
            const bool endsRun = !inside || x == width - 1;
            if (endsRun && runStart >= 0) {
                if (x > runStart) {
                    runs.append(QRect(runStart, y, x - runStart, 1));
                }
                runStart = -1;
            }
        }
    }
    QRegion region;
    // Runs come sorted by row, then column, and never overlap.
    region.setRects(runs.constData(), static_cast<int>(runs.size()));
    return region;
}

} // namespace tessaly
