#pragma once

#include <QByteArray>
#include <QImage>
#include <QPoint>
#include <QRect>
#include <QRgb>
#include <QSize>
#include <QString>

#include <deque>

class QPainter;

namespace tessaly {

// Resource path of a PNG picture of the program: ":/png/<id>.png".
QString pngResourcePath(int resourceId);

// A decoded PNG picture as 32-bit pixels (premultiplied ARGB), or nothing.
class CImagePng {
public:
    CImagePng() = default;
    CImagePng(const CImagePng&) = default;
    CImagePng& operator=(const CImagePng&) = default;
    virtual ~CImagePng() = default;

    bool isNull() const { return image_.isNull(); }
    const QImage& image() const { return image_; }
    QSize size() const { return image_.size(); }

    // Hands the decoded picture over, leaving this object empty.
    QImage takeImage();

    // Decodes PNG bytes; anything that is not a complete, decodable PNG fails and leaves the
    // object empty. The previous picture is released first either way.
    bool decode(const QByteArray& pngBytes);

protected:
    void release() { image_ = QImage(); }

private:
    QImage image_;
};

// A PNG picture loaded from the program's resources by its numeric id.
class CImagePngRes : public CImagePng {
public:
    // Largest resource accepted; our biggest picture is a few hundred kilobytes.
    static constexpr qint64 kMaxResourceBytes = 16 * 1024 * 1024;

    // Releases what a previous load left, then finds and decodes ":/png/<id>.png". Fails, and
    // stays empty, when the resource is missing, empty, too large or not a decodable PNG.
    bool load(int resourceId);
};

// An off-screen picture ready to be copied: the menus, the menu bar, the splash and the panels
// keep their pictures in these. Until a load succeeds the surface is empty and reports
// 100 x 100; a failed load leaves it empty with the size it had. Drawing from an empty surface
// draws nothing.
class ImageSurface {
public:
    static constexpr int kInitialSide = 100;

    bool load(int resourceId);
    // Takes a picture made elsewhere (for pictures composed at run time).
    void assign(const QImage& image);
    // Forgets the picture; the size values stay.
    void clear();

    bool isEmpty() const { return pixels_.isNull(); }
    int width() const { return size_.width(); }
    int height() const { return size_.height(); }
    QSize size() const { return size_; }
    void setSize(QSize size) { size_ = size; }

    // Opaque 32-bit pixels (QImage::Format_RGB32).
    const QImage& image() const { return pixels_; }
    // For drawing into the picture itself (texts written onto a background); drops the
    // colour-keyed copies, which are made again on their next use.
    QImage& editableImage();

    // Opaque copy of the whole picture or of `source` (in picture coordinates).
    void copyTo(QPainter& painter, QPoint at) const;
    void copyTo(QPainter& painter, QPoint at, const QRect& source) const;
    // Colour-keyed copy: pixels of exactly `key` (alpha ignored) are not copied.
    void copyKeyedTo(QPainter& painter, QPoint at, QRgb key) const;
    void copyKeyedTo(QPainter& painter, QPoint at, const QRect& source, QRgb key) const;

    // The picture with `key` transparent and everything else opaque (premultiplied ARGB),
    // made once per key colour and kept until the picture changes; null for an empty surface.
    const QImage& keyed(QRgb key) const;

private:
    struct KeyedCopy {
        QRgb key;
        QImage image;
    };

    QImage pixels_;
    QSize size_{kInitialSide, kInitialSide};
    mutable std::deque<KeyedCopy> keyedCopies_; // a deque keeps handed-out references valid
};

// The key colours the artwork uses.
constexpr QRgb kKeyColourBlack = 0xFF000000;         // captions, icons and overlays
constexpr QRgb kKeyColourWhite = 0xFFFFFFFF;         // the dialog logo, the colour tab mask
constexpr QRgb kKeyColourMenuOutside = 0xFFFF0000;   // outside a pop-up menu's shape
constexpr QRgb kKeyColourSplashOutside = 0xFF008080; // outside the splash picture's shape

// The picture with every pixel of `key` made fully transparent and every other pixel opaque.
QImage colourKeyedImage(const QImage& image, QRgb key);

} // namespace tessaly
