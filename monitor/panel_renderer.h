#pragma once

#include "monitor/monitor_layout.h"
#include "monitor/panel_fonts.h"
#include "monitor/panel_images.h"
#include "protocol/receiver_table.h"
#include "protocol/settings.h"

#include <QColor>
#include <QImage>

#include <array>
#include <string>

class QPainter;

namespace tessaly {

// Monitor levels: RF in tenths of dBm, AF in tenths of dB.
constexpr int32_t kNoLevel = -1001; // nothing polled yet
constexpr int32_t kRfLevelMin = -900;
constexpr int32_t kRfLevelMax = -500;
constexpr int32_t kAfLevelMin = -400;
constexpr int32_t kAfLevelMax = 190;
constexpr int32_t kAfPeakLevel = 180; // the PEAK lamp lights from here
constexpr int32_t kBatteryLevels = 5;
constexpr size_t kCachedNameLimit = 255;

constexpr int kTextColourSilver = 0;
constexpr int kTextColourWhite = 1;

// What a panel showed when it was last drawn, so that a live update redraws only what changed.
struct PanelValueCache {
    int32_t commState = kCommNotContacted;
    std::string name;
    int32_t freqKhz = -1;
    int32_t rfLevelA = kNoLevel;
    int32_t rfLevelB = kNoLevel;
    int32_t afLevel = kNoLevel;
    int32_t battery = -1;
    int32_t mute = -1;
    int32_t antennaSelect = -1;

    void reset() { *this = PanelValueCache{}; }
};

struct PanelState {
    QPoint origin; // in the content image
    PanelHitAreas hit;
    PanelValueCache cache;
};

struct LayoutRequest {
    int layoutMode = kLayoutLargeHorizontal;
    std::array<MatrixPair, kLayoutModeCount> matrix{};
    int rfUnit = kRfUnitDbm;
    int textColourFlag = kTextColourWhite;
    QSize screen;
};

// Lit pixels of a meter, exact to the pixel (not rounded to the drawn segments). `length` is
// the meter image's height (vertical modes) or width (horizontal modes).
int rfLitPixels(int32_t level, int length);
int afLitPixels(int layoutMode, int32_t level, int length);

// "+%d", "%d" or "PEAK" as the scales write their values.
QString scaleLabelText(int value);

QColor colourFromRef(uint32_t colourRef); // 0x00BBGGRR
uint32_t halfBrightness(uint32_t colourRef);

// Draws the receiver panels into offscreen images: the content image with everything live, the
// clean background to erase from, and the scale strip of the large modes. Painting the window
// only ever copies from these.
class CPanelRenderer {
public:
    explicit CPanelRenderer(PanelPngLoader loader = loadPanelPng);

    // Loads the mode's pictures and fonts, builds the strip, draws every panel's static content,
    // takes the clean background and places all 60 panels. The value caches are left alone.
    void buildLayout(const LayoutRequest& request, const ReceiverTable& table);

    void resetValueCaches();
    // Puts one panel back to its layout-build form: its pixels from the clean background, its
    // value cache forgotten so that the next live update draws every element again, and its memo
    // icon. For what is drawn over a panel and has to go again.
    void repaintPanel(const ReceiverTable& table, int receiverNumber);
    void drawMemoIcons(const ReceiverTable& table);
    void drawMemoIcon(const ReceiverTable& table, int receiverNumber);

    // The stopped form: dark meters, lamps off, framed name and frequency in silver.
    void idleRedraw(const ReceiverTable& table);

    // Draws what changed since the last pass; returns whether anything was drawn.
    bool liveUpdate(const ReceiverTable& table, const MonitorValueTable& values);
    // Pixels and pixel rows that the last live update copied into the content image (texts
    // not counted): what the benchmarks compare with a plain copy.
    int64_t lastPassPixels() const { return passPixels_; }
    int64_t lastPassRows() const { return passRows_; }

    int layoutMode() const { return layoutMode_; }
    int fill() const { return fill_; }
    bool wide() const { return isWideLayout(layoutMode_, fill_); }
    int rfUnit() const { return rfUnit_; }
    int receiverCount() const { return receiverCount_; }
    MatrixExtent extent() const { return extent_; }
    QSize panelSize() const { return images_.size(kSlotBackground); }
    QSize stripSize() const;
    QSize contentSize() const { return contentSize_; }

    // False when the content, clean background or strip image could not be created (too
    // large for memory): drawing into them then has no effect.
    bool imagesUsable() const;

    const QImage& contentImage() const { return content_; }
    // For the overlays drawn over the panels after a live update (monitor/panel_show_overlay).
    QImage& overlayTarget() { return content_; }
    const CPanelImages& images() const { return images_; }
    const QImage& cleanImage() const { return clean_; }
    const QImage& stripImage() const { return strip_; }
    const PanelState& panel(int receiverNumber) const {
        return panels_[static_cast<size_t>(receiverNumber - 1)];
    }
    PanelValueCache& cache(int receiverNumber) {
        return panels_[static_cast<size_t>(receiverNumber - 1)].cache;
    }
    QColor textColour() const { return textColour_; }

private:
    class LazyPainter;

    void writeScaleLabels(QImage& background, int textColourFlag);
    void buildStrip(QSize contentImage, QSize screen);
    void drawStaticPanel(QPainter& painter, const ReceiverRecord& record, QPoint origin);
    void drawColourTab(QPainter& painter, const ReceiverRecord& record, QPoint origin);

    // Opaque copies into the content image; they set drawn_.
    void copyImage(QPoint at, int slot);
    void copyImagePart(QPoint at, int slot, const QRect& part);
    void restore(const QRect& area); // from the clean background
    void countDrawn(QSize size) {
        passPixels_ += int64_t{size.width()} * size.height();
        passRows_ += size.height();
    }
    void copyKeyed(QPainter& painter, QPoint at, int slot, QRgb key);
    void drawAreaText(QPainter& painter, const QRect& area, const QString& text);
    void drawFrame(QPainter& painter, const QRect& area);

    void drawRfMeter(QPoint at, int32_t level);
    void drawAfMeter(QPoint at, int32_t level);
    void drawName(QPainter& painter, const PanelState& panel, const std::string& name);
    void drawFrequency(QPainter& painter, const PanelState& panel, int32_t khz);
    QRect placed(const PanelState& panel, const QRect& area) const {
        return area.translated(panel.origin);
    }

    CPanelImages images_;
    PanelFonts fonts_;
    int layoutMode_ = kLayoutLargeHorizontal;
    std::array<MatrixPair, kLayoutModeCount> matrix_{};
    int rfUnit_ = kRfUnitDbm;
    int fill_ = 1;
    int receiverCount_ = 0;
    MatrixExtent extent_;
    QSize contentSize_;
    QColor textColour_;
    QImage content_;
    QImage clean_;
    QImage strip_;
    std::array<PanelState, kMaxReceivers> panels_;
    bool drawn_ = false;
    int64_t passPixels_ = 0;
    int64_t passRows_ = 0;
    bool imageCreationFailed_ = false;
};

} // namespace tessaly
