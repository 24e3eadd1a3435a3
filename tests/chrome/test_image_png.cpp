#include "chrome/image_png.h"

#include <QBuffer>
#include <QPainter>
#include <gtest/gtest.h>

namespace tessaly {
namespace {

constexpr int kArrowId = 409; // 5 x 9
constexpr int kMissingId = 9999;

QByteArray pngBytesOf(const QImage& image) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

QImage checker() {
    QImage image(4, 2, QImage::Format_RGB32);
    image.fill(Qt::black);
    image.setPixel(1, 0, qRgb(200, 10, 10));
    image.setPixel(3, 1, qRgb(255, 255, 255));
    return image;
}

TEST(CImagePngRes, LoadsByIdAndFailsForMissingIdsWithoutKeepingTheOldPicture) {
    CImagePngRes png;
    EXPECT_TRUE(png.isNull());
    ASSERT_TRUE(png.load(kArrowId));
    EXPECT_EQ(png.size(), QSize(5, 9));
    EXPECT_EQ(png.image().format(), QImage::Format_ARGB32_Premultiplied);

    EXPECT_FALSE(png.load(kMissingId));
    EXPECT_TRUE(png.isNull()) << "a failed load must release the previous picture";
    EXPECT_FALSE(png.load(-1));
    EXPECT_FALSE(png.load(0));

    ASSERT_TRUE(png.load(kArrowId));
    ASSERT_TRUE(png.load(318));
    EXPECT_EQ(png.size(), QSize(164, 214)) << "a second load replaces the first";
}

TEST(CImagePng, DecodeAcceptsOnlyCompletePngs) {
    const QByteArray good = pngBytesOf(checker());
    CImagePng png;
    ASSERT_TRUE(png.decode(good));
    EXPECT_EQ(png.size(), QSize(4, 2));
    EXPECT_EQ(png.image().pixel(1, 0), qRgb(200, 10, 10));

    EXPECT_FALSE(png.decode(QByteArray()));
    EXPECT_TRUE(png.isNull());
    EXPECT_FALSE(png.decode(QByteArray("not a png at all")));
    EXPECT_FALSE(png.decode(good.left(good.size() / 2))) << "truncated";
    QByteArray wrongSignature = good;
    wrongSignature[1] = 'X';
    EXPECT_FALSE(png.decode(wrongSignature));
    QImage jpegSource(8, 8, QImage::Format_RGB32);
    jpegSource.fill(Qt::blue);
    QByteArray bmp;
    QBuffer buffer(&bmp);
    buffer.open(QIODevice::WriteOnly);
    jpegSource.save(&buffer, "BMP");
    EXPECT_FALSE(png.decode(bmp)) << "only PNG is accepted";
    EXPECT_TRUE(png.isNull());
}

TEST(CImagePng, TakeImageEmptiesTheObject) {
    CImagePng png;
    ASSERT_TRUE(png.decode(pngBytesOf(checker())));
    const QImage taken = png.takeImage();
    EXPECT_EQ(taken.size(), QSize(4, 2));
    EXPECT_TRUE(png.isNull());
}

TEST(ImageSurface, ReportsOneHundredSquareUntilLoadedAndKeepsItsSizeAfterAFailure) {
    ImageSurface surface;
    EXPECT_TRUE(surface.isEmpty());
    EXPECT_EQ(surface.size(), QSize(100, 100));

    EXPECT_FALSE(surface.load(kMissingId));
    EXPECT_TRUE(surface.isEmpty());
    EXPECT_EQ(surface.size(), QSize(100, 100));

    ASSERT_TRUE(surface.load(kArrowId));
    EXPECT_FALSE(surface.isEmpty());
    EXPECT_EQ(surface.width(), 5);
    EXPECT_EQ(surface.height(), 9);
    EXPECT_EQ(surface.image().format(), QImage::Format_RGB32);

    EXPECT_FALSE(surface.load(kMissingId));
    EXPECT_TRUE(surface.isEmpty()) << "the old picture is forgotten before the load";
    EXPECT_EQ(surface.size(), QSize(5, 9)) << "the size values stay";
}

TEST(ImageSurface, EmptySurfaceDrawsNothing) {
    ImageSurface surface;
    QImage target(10, 10, QImage::Format_RGB32);
    target.fill(Qt::green);
    const QImage before = target;
    QPainter p(&target);
    surface.copyTo(p, QPoint(0, 0));
    surface.copyKeyedTo(p, QPoint(0, 0), kKeyColourBlack);
    p.end();
    EXPECT_EQ(target, before);
}

TEST(ImageSurface, OpaqueCopyReplacesPixelsIncludingTheKeyColour) {
    ImageSurface surface;
    surface.assign(checker());
    QImage target(6, 4, QImage::Format_RGB32);
    target.fill(Qt::green);
    QPainter p(&target);
    surface.copyTo(p, QPoint(2, 1), QRect(1, 0, 3, 2));
    p.end();
    EXPECT_EQ(target.pixel(2, 1), qRgb(200, 10, 10));
    EXPECT_EQ(target.pixel(3, 1), qRgb(0, 0, 0)) << "black is copied in an opaque copy";
    EXPECT_EQ(target.pixel(4, 2), qRgb(255, 255, 255));
    EXPECT_EQ(target.pixel(1, 1), qRgb(0, 255, 0)) << "outside the copied block";
    EXPECT_EQ(target.pixel(5, 1), qRgb(0, 255, 0));
}

TEST(ImageSurface, KeyedCopySkipsExactlyTheKeyColour) {
    ImageSurface surface;
    QImage picture = checker();
    picture.setPixel(2, 0, qRgb(1, 0, 0)); // one step from black is not the key
    surface.assign(picture);
    QImage target(4, 2, QImage::Format_RGB32);
    target.fill(Qt::green);
    QPainter p(&target);
    surface.copyKeyedTo(p, QPoint(0, 0), kKeyColourBlack);
    p.end();
    EXPECT_EQ(target.pixel(0, 0), qRgb(0, 255, 0));
    EXPECT_EQ(target.pixel(1, 0), qRgb(200, 10, 10));
    EXPECT_EQ(target.pixel(2, 0), qRgb(1, 0, 0));
    EXPECT_EQ(target.pixel(3, 1), qRgb(255, 255, 255));

    // The key's alpha byte does not matter, and a second key gets a copy of its own.
    const QImage& byWhite = surface.keyed(qRgb(255, 255, 255) & 0x00FFFFFF);
    EXPECT_EQ(qAlpha(byWhite.pixel(3, 1)), 0);
    EXPECT_EQ(qAlpha(byWhite.pixel(0, 0)), 255);
    const QImage& byBlack = surface.keyed(kKeyColourBlack);
    EXPECT_EQ(qAlpha(byBlack.pixel(0, 0)), 0);
    EXPECT_EQ(qAlpha(byWhite.pixel(3, 1)), 0) << "earlier keyed copies stay valid";
}

TEST(ImageSurface, DrawingIntoThePictureRenewsTheKeyedCopies) {
    ImageSurface surface;
    surface.assign(checker());
    EXPECT_EQ(qAlpha(surface.keyed(kKeyColourBlack).pixel(1, 0)), 255);
    surface.editableImage().setPixel(1, 0, qRgb(0, 0, 0));
    EXPECT_EQ(qAlpha(surface.keyed(kKeyColourBlack).pixel(1, 0)), 0);
}

TEST(ImageSurface, ClearForgetsThePictureButNotItsSize) {
    ImageSurface surface;
    ASSERT_TRUE(surface.load(kArrowId));
    surface.clear();
    EXPECT_TRUE(surface.isEmpty());
    EXPECT_EQ(surface.size(), QSize(5, 9));
    surface.assign(QImage());
    EXPECT_TRUE(surface.isEmpty());
    EXPECT_EQ(surface.size(), QSize(5, 9));
}

} // namespace
} // namespace tessaly
