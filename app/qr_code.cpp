#include "app/qr_code.h"

#include <QPainter>

#include <memory>
#include <qrencode.h>

namespace tessaly {

namespace {
constexpr int kQuietZoneModules = 4;

struct QrFree {
    void operator()(QRcode* code) const { QRcode_free(code); }
};
using QrPtr = std::unique_ptr<QRcode, QrFree>;

QrPtr encode(const QString& text) {
    const QByteArray utf8 = text.toUtf8();
    // Version 0: the smallest that holds the text.
    return QrPtr(QRcode_encodeString8bit(utf8.constData(), 0, QR_ECLEVEL_M));
}
} // namespace

int qrCodeModules(const QString& text) {
    const QrPtr code = encode(text);
    return code ? code->width : 0;
}

QImage qrCodeImage(const QString& text, int modulePixels) {
    const QrPtr code = encode(text);
    if (!code || modulePixels < 1) {
        return {};
    }
    const int side = (code->width + 2 * kQuietZoneModules) * modulePixels;
    QImage image(side, side, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    for (int y = 0; y < code->width; ++y) {
        for (int x = 0; x < code->width; ++x) {
            // The lowest bit of each byte is the module's colour: 1 dark.
            if (code->data[y * code->width + x] & 1) {
                painter.fillRect((x + kQuietZoneModules) * modulePixels,
                                 (y + kQuietZoneModules) * modulePixels, modulePixels, modulePixels,
                                 Qt::black);
            }
        }
    }
    return image;
}

} // namespace tessaly
