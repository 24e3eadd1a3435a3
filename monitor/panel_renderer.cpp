#include "monitor/panel_renderer.h"

#include "chrome/shell_dlg_font.h"
#include "chrome/text_functions.h"
#include "protocol/frequency.h"

#include <QFontMetrics>
#include <QLinearGradient>
#include <QPainter>

#include <algorithm>
#include <cmath>
#include <limits>
#include <optional>

namespace tessaly {

namespace {

constexpr QRgb kKeyRed = 0xFFFF0000;
constexpr QRgb kKeyBlack = 0xFF000000;
constexpr QRgb kKeyWhite = 0xFFFFFFFF;
const QColor kWhiteText(0xFF, 0xFF, 0xFF);
const QColor kSilverText(0xC0, 0xC0, 0xC0);

constexpr int kRfSpan = kRfLevelMax - kRfLevelMin; // 400
// The AF meter is two linear pieces: -40 dB to -10 dB fills the finely segmented part,
// -10 dB to +19 dB the rest.
constexpr int kAfKnee = 300;
constexpr int kAfUpperSpan = kAfLevelMax - kAfLevelMin - kAfKnee; // 290
constexpr int kAfCoarseLargeVertical = 173;
constexpr int kAfCoarseSmallVertical = 74;
constexpr int kAfFineLargeHorizontal = 88;
constexpr int kAfFineSmallHorizontal = 60;

constexpr int kFrameExtraTop = 2;
constexpr int kFrameCorner = 7;
constexpr QPoint kMhzOffset(27, 13);

// Colour tab bands of the horizontal modes: (top, bottom) of the upper and lower gradient.
constexpr int kTabBandWidth = 13;
constexpr int kTabUpperBottomLarge = 69;
constexpr int kTabLowerTopLarge = 72;
constexpr int kTabUpperBottomSmall = 57;
constexpr int kTabLowerTopSmall = 59;

constexpr QPoint kSmallVerticalRfCaption(18, 132);
constexpr QPoint kSmallVerticalAfCaption(64, 132);
constexpr QPoint kStripUnitCaption(4, 155);
constexpr QPoint kLargeHorizontalUnitCaption(316, 12);

// Scale labels of the Large Vertical panel.
constexpr int kVerticalDbmX = 46;
constexpr std::array<int, 5> kVerticalRfLabelY = {25, 78, 136, 194, 248}; // -50 ... -90
constexpr int kVerticalMwFirstY = 28;
constexpr int kVerticalMwX = 41;
constexpr int kVerticalExponentX = 54;
constexpr int kExponentRaise = 3;
constexpr std::array<int, 9> kVerticalAfValues = {19, 10, 6, 0, -6, -10, -20, -30, -40};
constexpr std::array<int, 9> kVerticalAfY = {309, 343, 367, 403, 439, 463, 485, 505, 525};
constexpr std::array<int, 5> kVerticalAfXByLength = {0, 42, 36, 30, 19};

// Scale labels of the Large Horizontal panel.
constexpr int kHorizontalRfY = 50;
constexpr std::array<int, 5> kHorizontalDbmX = {164, 232, 312, 392, 467}; // -90 ... -50
constexpr std::array<int, 5> kHorizontalMwX = {161, 238, 318, 398, 461};
constexpr int kHorizontalExponentDx = 12;
constexpr int kHorizontalExponentY = 47;
constexpr int kHorizontalAfY = 35;
constexpr std::array<int, 9> kHorizontalAfValues = {-40, -30, -20, -10, -6, 0, 6, 10, 19};
constexpr std::array<int, 9> kHorizontalAfX = {518, 540, 565, 595, 630, 684, 726, 755, 806};

constexpr int kDbmPerDecade = 10;
constexpr int kStrongestDbm = -50;

QRgb panelKey(int layoutMode) {
    return isVerticalMode(layoutMode) ? kKeyRed : kKeyBlack;
}

// GDI-style text placement: the given point is the top-left corner of the text cell.
void drawTextAt(QPainter& painter, QPoint at, const QString& text) {
    painter.drawText(QRect(at, QSize(1000, 200)), Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine,
                     text);
}

QString frequencyText(int layoutMode, int32_t khz) {
    const QString number = QString::fromStdString(khzToText(khz));
    return isVerticalMode(layoutMode) ? number : QStringLiteral("%1 MHz").arg(number);
}

void fillGradient(QPainter& painter, const QRect& area, const QColor& top, const QColor& bottom) {
    if (area.isEmpty()) {
        return;
    }
    // Sampled at pixel centres, so the first row is exactly the top colour, the last the bottom.
    QLinearGradient gradient(QPointF(0, area.top() + 0.5), QPointF(0, area.bottom() + 0.5));
    gradient.setColorAt(0.0, top);
    gradient.setColorAt(1.0, bottom);
    painter.fillRect(area, gradient);
}

} // namespace

// Opens a painter on the content image only when a pass actually draws something, so that a
// pass over unchanged panels costs no painter set-up.
class CPanelRenderer::LazyPainter {
public:
    explicit LazyPainter(QImage& target) : target_(target) {}
    QPainter& get() {
        if (!painter_) {
            painter_.emplace(&target_);
        }
        return *painter_;
    }
    bool used() const { return painter_.has_value(); }

private:
    QImage& target_;
    std::optional<QPainter> painter_;
};

int rfLitPixels(int32_t level, int length) {
    const int32_t clamped = std::clamp(level, kRfLevelMin, kRfLevelMax);
    const int d = clamped - kRfLevelMin;
    return std::clamp(length * d / kRfSpan, 0, length);
}

int afLitPixels(int layoutMode, int32_t level, int length) {
    const int v = std::clamp(level, kAfLevelMin, kAfLevelMax) - kAfLevelMin;
    double lit = 0.0;
    if (isVerticalMode(layoutMode)) {
        const int fine = length - (layoutMode == kLayoutSmallVertical ? kAfCoarseSmallVertical
                                                                      : kAfCoarseLargeVertical);
        lit = v <= kAfKnee
                  ? static_cast<double>(fine) / kAfKnee * v
                  : static_cast<double>(length - fine) * (v - kAfKnee) / kAfUpperSpan + fine;
    } else {
        const int fine =
            layoutMode == kLayoutSmallHorizontal ? kAfFineSmallHorizontal : kAfFineLargeHorizontal;
        lit = v <= kAfKnee
                  ? static_cast<double>(fine) / kAfKnee * v
                  : static_cast<double>(length - fine) / kAfUpperSpan * (v - kAfKnee) + 0.5 + fine;
    }
    return std::clamp(static_cast<int>(std::trunc(lit)), 0, length);
}

QString scaleLabelText(int value) {
    if (value >= 19) {
        return QStringLiteral("PEAK");
    }
    if (value > 0) {
        return QStringLiteral("+%1").arg(value);
    }
    return QString::number(value);
}

QColor colourFromRef(uint32_t colourRef) {
    return QColor(static_cast<int>(colourRef & 0xFF), static_cast<int>((colourRef >> 8) & 0xFF),
                  static_cast<int>((colourRef >> 16) & 0xFF));
}

uint32_t halfBrightness(uint32_t colourRef) {
    return (colourRef >> 1) & 0x007F7F7F;
}

CPanelRenderer::CPanelRenderer(PanelPngLoader loader) : images_(std::move(loader)) {
    textColour_ = kWhiteText;
}

bool CPanelRenderer::imagesUsable() const {
    return !imageCreationFailed_;
}

QSize CPanelRenderer::stripSize() const {
    if (!hasScaleStrip(layoutMode_)) {
        return {0, 0};
    }
    return images_.size(kSlotStrip);
}

void CPanelRenderer::buildLayout(const LayoutRequest& request, const ReceiverTable& table) {
    layoutMode_ = std::clamp(request.layoutMode, 0, kLayoutModeCount - 1);
    matrix_ = request.matrix;
    rfUnit_ = request.rfUnit;
    textColour_ = request.textColourFlag == kTextColourWhite ? kWhiteText : kSilverText;

    images_.load(layoutMode_);
    fonts_ = panelFonts(layoutMode_);

    fill_ = fillCount(layoutMode_, matrix_);
    receiverCount_ = std::clamp(static_cast<int>(table.count), 0, kMaxReceivers);
    extent_ = matrixExtent(layoutMode_, fill_, receiverCount_);
    const QSize panel = panelSize();

    if (hasScaleStrip(layoutMode_) && images_.has(kSlotBackground)) {
        writeScaleLabels(images_.image(kSlotBackground), request.textColourFlag);
    }

    const QSize imageSize = contentImageSize(layoutMode_, fill_, extent_, panel, request.screen);
    content_ = QImage(imageSize, QImage::Format_RGB32);
    content_.fill(Qt::black);
    if (hasScaleStrip(layoutMode_)) {
        buildStrip(imageSize, request.screen);
    } else {
        strip_ = QImage();
    }

    if (!content_.isNull()) {
        QPainter painter(&content_);
        for (int number = 1; number <= receiverCount_; ++number) {
            drawStaticPanel(painter, table.byNumber(number),
                            panelOrigin(layoutMode_, fill_, panel, number));
        }
    }
    clean_ = content_.copy();
    // An image of no pixels (a narrow layout without receivers) is empty, not a failure.
    const auto failed = [](const QImage& image, QSize wanted) {
        return image.isNull() && !wanted.isEmpty();
    };
    imageCreationFailed_ = failed(content_, imageSize) || failed(clean_, imageSize) ||
                           (hasScaleStrip(layoutMode_) && strip_.isNull() && !imageSize.isEmpty());

    HitImageSizes sizes;
    sizes.colourTab = images_.size(kSlotColourTab);
    sizes.lamp = images_.size(kSlotLampRed);
    sizes.afMeter = images_.size(kSlotAfLit);
    sizes.battery = images_.size(kSlotBattery0);
    sizes.warning = images_.size(kSlotWarning);
    sizes.memo = images_.size(kSlotMemoPresent);
    for (int number = 1; number <= kMaxReceivers; ++number) {
        PanelState& state = panels_[static_cast<size_t>(number - 1)];
        state.origin = panelOrigin(layoutMode_, fill_, panel, number);
        state.hit = panelHitAreas(layoutMode_, state.origin, sizes, stripSize());
    }
    contentSize_ = tessaly::contentSize(layoutMode_, extent_, receiverCount_, panel, stripSize());
}

void CPanelRenderer::writeScaleLabels(QImage& background, int textColourFlag) {
    QPainter painter(&background);
    painter.setPen(textColourFlag == kTextColourWhite ? kWhiteText : kSilverText);
    painter.setFont(fonts_.scale);
    const bool milliwatts = rfUnit_ == kRfUnitMw;
    const QString ten = QStringLiteral("10");

    if (layoutMode_ == kLayoutLargeVertical) {
        for (size_t i = 0; i < kVerticalRfLabelY.size(); ++i) {
            const int dbm = kStrongestDbm - static_cast<int>(i) * kDbmPerDecade;
            const int y = kVerticalRfLabelY[i];
            if (!milliwatts) {
                drawTextAt(painter, QPoint(kVerticalDbmX, y), scaleLabelText(dbm));
                continue;
            }
            const int tenY = i == 0 ? kVerticalMwFirstY : y;
            drawTextAt(painter, QPoint(kVerticalMwX, tenY), ten);
            painter.setFont(fonts_.scaleExponent);
            drawTextAt(painter, QPoint(kVerticalExponentX, tenY - kExponentRaise),
                       scaleLabelText(dbm / kDbmPerDecade));
            painter.setFont(fonts_.scale);
        }
        for (size_t i = 0; i < kVerticalAfValues.size(); ++i) {
            const QString text = scaleLabelText(kVerticalAfValues[i]);
            const auto length =
                std::min<size_t>(static_cast<size_t>(text.size()), kVerticalAfXByLength.size() - 1);
            drawTextAt(painter, QPoint(kVerticalAfXByLength[length], kVerticalAfY[i]), text);
        }
        return;
    }

    // Large Horizontal
    for (size_t i = 0; i < kHorizontalDbmX.size(); ++i) {
        const int dbm =
            kStrongestDbm - static_cast<int>(kHorizontalDbmX.size() - 1 - i) * kDbmPerDecade;
        if (!milliwatts) {
            drawTextAt(painter, QPoint(kHorizontalDbmX[i], kHorizontalRfY), scaleLabelText(dbm));
            continue;
        }
        drawTextAt(painter, QPoint(kHorizontalMwX[i], kHorizontalRfY), ten);
        painter.setFont(fonts_.scaleExponent);
        drawTextAt(painter, QPoint(kHorizontalMwX[i] + kHorizontalExponentDx, kHorizontalExponentY),
                   scaleLabelText(dbm / kDbmPerDecade));
        painter.setFont(fonts_.scale);
    }
    for (size_t i = 0; i < kHorizontalAfValues.size(); ++i) {
        drawTextAt(painter, QPoint(kHorizontalAfX[i], kHorizontalAfY),
                   scaleLabelText(kHorizontalAfValues[i]));
    }
    drawTextAt(painter, kLargeHorizontalUnitCaption,
               milliwatts ? QStringLiteral("mW") : QStringLiteral("dBm"));
}

void CPanelRenderer::buildStrip(QSize contentImage, QSize screen) {
    QImage tile = images_.image(kSlotStrip);
    const QSize tileSize = images_.size(kSlotStrip);
    if (layoutMode_ == kLayoutLargeVertical) {
        strip_ = QImage(tileSize.width(), contentImage.height(), QImage::Format_RGB32);
        strip_.fill(Qt::black);
        if (tile.isNull()) {
            return;
        }
        {
            QPainter caption(&tile);
            caption.setPen(kWhiteText);
            caption.setFont(fonts_.scale);
            drawTextAt(caption, kStripUnitCaption,
                       rfUnit_ == kRfUnitMw ? QStringLiteral("mW") : QStringLiteral("dBm"));
        }
        QPainter painter(&strip_);
        painter.setCompositionMode(QPainter::CompositionMode_Source);
        const int copies = std::max(extent_.rows, 1);
        for (int i = 0; i < copies; ++i) {
            painter.drawImage(QPoint(0, i * tileSize.height()), tile);
        }
        return;
    }

    strip_ = QImage(contentImage.width(), tileSize.height(), QImage::Format_RGB32);
    strip_.fill(Qt::black);
    QPainter painter(&strip_);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    const int copies = std::max(extent_.columns, 1);
    if (!tile.isNull()) {
        for (int i = 0; i < copies; ++i) {
            painter.drawImage(QPoint(i * tileSize.width(), 0), tile);
        }
    }
    const int tiled = copies * tileSize.width();
    const QImage& filler = images_.image(kSlotStripFiller);
    const int fillerWidth = images_.size(kSlotStripFiller).width();
    if (tiled < screen.width() && !filler.isNull() && fillerWidth > 0) {
        const int fillers = (screen.width() - tiled + fillerWidth - 1) / fillerWidth;
        for (int i = 0; i < fillers; ++i) {
            painter.drawImage(QPoint(tiled + i * fillerWidth, 0), filler);
        }
    }
}

void CPanelRenderer::drawStaticPanel(QPainter& painter, const ReceiverRecord& record,
                                     QPoint origin) {
    copyKeyed(painter, origin, kSlotBackground, panelKey(layoutMode_));
    drawColourTab(painter, record, origin);
    if (layoutMode_ == kLayoutSmallVertical) {
        painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
        painter.setPen(textColour_);
        painter.setFont(fonts_.frequency);
        drawTextAt(painter, origin + kSmallVerticalRfCaption, QStringLiteral("RF"));
        drawTextAt(painter, origin + kSmallVerticalAfCaption, QStringLiteral("AF"));
    }
}

void CPanelRenderer::drawColourTab(QPainter& painter, const ReceiverRecord& record, QPoint origin) {
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    const auto colour = [&record](size_t i) { return colourFromRef(record.colors[i]); };
    if (isVerticalMode(layoutMode_)) {
        const QRect tab(origin + panelElementPositions(layoutMode_).colourTab,
                        images_.size(kSlotColourTab));
        fillGradient(painter, tab, colour(0), colour(3));
        copyKeyed(painter, tab.topLeft(), kSlotColourTab, kKeyWhite);
        return;
    }
    const bool large = layoutMode_ == kLayoutLargeHorizontal;
    const int upperBottom = large ? kTabUpperBottomLarge : kTabUpperBottomSmall;
    const int lowerTop = large ? kTabLowerTopLarge : kTabLowerTopSmall;
    const int tabHeight = images_.size(kSlotColourTab).height();
    fillGradient(painter, QRect(origin.x(), origin.y(), kTabBandWidth, upperBottom), colour(0),
                 colour(1));
    fillGradient(painter,
                 QRect(origin.x(), origin.y() + lowerTop, kTabBandWidth, tabHeight - 1 - lowerTop),
                 colour(2), colour(3));
}

void CPanelRenderer::copyImage(QPoint at, int slot) {
    if (images_.has(slot)) {
        blitOpaque(content_, at, images_.image(slot), images_.image(slot).rect());
        countDrawn(images_.image(slot).size());
        drawn_ = true;
    }
}

void CPanelRenderer::copyImagePart(QPoint at, int slot, const QRect& part) {
    if (images_.has(slot) && !part.isEmpty()) {
        blitOpaque(content_, at, images_.image(slot), part);
        countDrawn(part.size());
        drawn_ = true;
    }
}

void CPanelRenderer::copyKeyed(QPainter& painter, QPoint at, int slot, QRgb key) {
    if (!images_.has(slot)) {
        return;
    }
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    painter.drawImage(at, images_.keyed(slot, key));
    countDrawn(images_.size(slot));
}

void CPanelRenderer::restore(const QRect& area) {
    blitOpaque(content_, area.topLeft(), clean_, area);
    countDrawn(area.size());
    drawn_ = true;
}

void CPanelRenderer::drawAreaText(QPainter& painter, const QRect& area, const QString& text) {
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    painter.setClipRect(area);
    painter.drawText(area, Qt::AlignRight | Qt::AlignTop | Qt::TextSingleLine, text);
    painter.setClipping(false);
}

void CPanelRenderer::drawFrame(QPainter& painter, const QRect& area) {
    // The frame runs from (left - 2, top - 2) to (right + 2, bottom + 1), right and bottom
    // exclusive, with right and bottom the area's far edges.
    const int top = area.top() - (layoutMode_ == kLayoutSmallHorizontal ? 1 : kFrameExtraTop);
    const int left = area.left() - 2;
    const int right = area.left() + area.width() + 2;
    const int bottom = area.top() + area.height() + 1;
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(kSilverText, 1));
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.drawRoundedRect(QRect(left, top, right - left - 1, bottom - top - 1),
                            kFrameCorner / 2.0, kFrameCorner / 2.0);
}

void CPanelRenderer::resetValueCaches() {
    for (PanelState& state : panels_) {
        state.cache.reset();
    }
}

void CPanelRenderer::repaintPanel(const ReceiverTable& table, int receiverNumber) {
    if (receiverNumber < 1 || receiverNumber > receiverCount_ || content_.isNull()) {
        return;
    }
    PanelState& state = panels_[static_cast<size_t>(receiverNumber - 1)];
    restore(QRect(state.origin, panelSize()));
    state.cache.reset();
    // No record holds this state, so the warning icon is decided again on the next pass.
    state.cache.commState = std::numeric_limits<int32_t>::min();
    drawMemoIcon(table, receiverNumber);
}

void CPanelRenderer::drawMemoIcons(const ReceiverTable& table) {
    for (int number = 1; number <= receiverCount_; ++number) {
        drawMemoIcon(table, number);
    }
}

void CPanelRenderer::drawMemoIcon(const ReceiverTable& table, int receiverNumber) {
    if (receiverNumber < 1 || receiverNumber > receiverCount_ || content_.isNull()) {
        return;
    }
    const PanelState& state = panel(receiverNumber);
    const QPoint at = state.origin + panelElementPositions(layoutMode_).memo;
    QPainter painter(&content_);
    if (table.byNumber(receiverNumber).comment.empty()) {
        restore(QRect(at, images_.size(kSlotMemoAbsent)));
        copyKeyed(painter, at, kSlotMemoAbsent, kKeyBlack);
    } else {
        copyImage(at, kSlotMemoPresent);
    }
}

void CPanelRenderer::drawRfMeter(QPoint at, int32_t level) {
    const QSize size = images_.size(kSlotRfLit);
    if (isVerticalMode(layoutMode_)) {
        const int lit = rfLitPixels(level, size.height());
        copyImage(at, kSlotRfLit);
        copyImagePart(at, kSlotRfDark, QRect(0, 0, size.width(), size.height() - lit));
    } else {
        const int lit = rfLitPixels(level, size.width());
        copyImage(at, kSlotRfDark);
        copyImagePart(at, kSlotRfLit, QRect(0, 0, lit, size.height()));
    }
}

void CPanelRenderer::drawAfMeter(QPoint at, int32_t level) {
    const QSize size = images_.size(kSlotAfLit);
    if (isVerticalMode(layoutMode_)) {
        const int lit = afLitPixels(layoutMode_, level, size.height());
        copyImage(at, kSlotAfLit);
        copyImagePart(at, kSlotAfDark, QRect(0, 0, size.width(), size.height() - lit));
    } else {
        const int lit = afLitPixels(layoutMode_, level, size.width());
        copyImage(at, kSlotAfDark);
        copyImagePart(at, kSlotAfLit, QRect(0, 0, lit, size.height()));
    }
}

void CPanelRenderer::drawName(QPainter& painter, const PanelState& panel, const std::string& name) {
    const QRect area = placed(panel, panelElementPositions(layoutMode_).nameArea);
    const QString text = textFromBytes(name);
    // Ten wide capitals overrun the narrow name area of the vertical panels. A smaller font
    // keeps the baseline of the others.
    const QFont fitted = fontFittingWhole(fonts_.name, text, area.width());
    const int drop = QFontMetrics(fonts_.name).ascent() - QFontMetrics(fitted).ascent();
    painter.setFont(fitted);
    restore(area);
    drawAreaText(painter, area.adjusted(0, drop, 0, 0), text);
}

void CPanelRenderer::drawFrequency(QPainter& painter, const PanelState& panel, int32_t khz) {
    const QRect area = placed(panel, panelElementPositions(layoutMode_).frequencyArea);
    painter.setFont(fonts_.frequency);
    restore(area);
    drawAreaText(painter, area, frequencyText(layoutMode_, khz));
    if (isVerticalMode(layoutMode_)) {
        painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
        drawTextAt(painter, area.topLeft() + kMhzOffset, QStringLiteral("MHz"));
    }
}

void CPanelRenderer::idleRedraw(const ReceiverTable& table) {
    if (content_.isNull()) {
        return;
    }
    const PanelElementPositions& at = panelElementPositions(layoutMode_);
    QPainter painter(&content_);
    painter.setPen(kSilverText);
    for (int number = 1; number <= receiverCount_; ++number) {
        PanelState& state = panels_[static_cast<size_t>(number - 1)];
        const ReceiverRecord& record = table.byNumber(number);
        const QPoint o = state.origin;
        copyImage(o + at.rfMeterA, kSlotRfDark);
        copyImage(o + at.rfMeterB, kSlotRfDark);
        copyImage(o + at.antennaLampA, kSlotLampOff);
        copyImage(o + at.antennaLampB, kSlotLampOff);
        copyImage(o + at.afMeter, kSlotAfDark);
        copyImage(o + at.peakLamp, kSlotLampOff);

        state.cache.name = record.name.substr(0, kCachedNameLimit);
        painter.setPen(kSilverText);
        drawName(painter, state, state.cache.name);
        drawFrame(painter, placed(state, at.nameArea));

        state.cache.freqKhz = record.freqKhz;
        painter.setPen(kSilverText);
        drawFrequency(painter, state, state.cache.freqKhz);
        drawFrame(painter, placed(state, at.frequencyArea));
    }
    textColour_ = kWhiteText;
}

bool CPanelRenderer::liveUpdate(const ReceiverTable& table, const MonitorValueTable& values) {
    if (content_.isNull()) {
        return false;
    }
    const PanelElementPositions& at = panelElementPositions(layoutMode_);
    drawn_ = false;
    passPixels_ = 0;
    passRows_ = 0;
    LazyPainter lazy(content_);
    const auto paint = [&lazy, this]() -> QPainter& {
        QPainter& painter = lazy.get();
        painter.setPen(textColour_);
        return painter;
    };

    for (int number = 1; number <= receiverCount_; ++number) {
        PanelState& state = panels_[static_cast<size_t>(number - 1)];
        PanelValueCache& cache = state.cache;
        const ReceiverRecord& record = table.byNumber(number);
        const MonitorValues& m = values.byNumber(number);
        const QPoint o = state.origin;

        const int32_t commState = record.commState;
        const int32_t mute = m.mute;
        if (commState != cache.commState || mute != cache.mute) {
            cache.commState = commState;
            if (commState == kCommOk && mute != 1) {
                restore(QRect(o + at.warning, images_.size(kSlotWarning)));
            } else {
                copyKeyed(paint(), o + at.warning, kSlotWarning, kKeyBlack);
            }
        }

        bool antennaChanged = false;
        const int32_t antenna = m.antennaSelect;
        if (antenna != cache.antennaSelect) {
            cache.antennaSelect = antenna;
            antennaChanged = true;
            if (antenna == 0) {
                copyImage(o + at.antennaLampA, kSlotLampGreen);
                copyImage(o + at.antennaLampB, kSlotLampOff);
            } else if (antenna == 1) {
                copyImage(o + at.antennaLampB, kSlotLampGreen);
                copyImage(o + at.antennaLampA, kSlotLampOff);
            }
        }

        const int32_t rfA = m.rfLevelA;
        if (rfA != cache.rfLevelA || antennaChanged) {
            cache.rfLevelA = rfA;
            drawRfMeter(o + at.rfMeterA, rfA);
        }
        const int32_t rfB = m.rfLevelB;
        if (rfB != cache.rfLevelB || antennaChanged) {
            cache.rfLevelB = rfB;
            drawRfMeter(o + at.rfMeterB, rfB);
        }

        if (mute != cache.mute) {
            cache.mute = mute;
            if (mute == 1) {
                if (cache.afLevel != kAfLevelMin) {
                    copyImage(o + at.afMeter, kSlotAfDark);
                    copyImage(o + at.peakLamp, kSlotLampOff);
                    cache.afLevel = kAfLevelMin;
                }
                cache.battery = -1;
                restore(QRect(o + at.battery, images_.size(kSlotBattery0)));
            }
        }

        if (cache.mute == 0) {
            const int32_t af = m.afLevel;
            if (af != cache.afLevel) {
                cache.afLevel = af;
                drawAfMeter(o + at.afMeter, af);
                copyImage(o + at.peakLamp, af < kAfPeakLevel ? kSlotLampOff : kSlotLampRed);
            }
        }

        if (record.name.compare(0, kCachedNameLimit, cache.name) != 0) {
            cache.name = record.name.substr(0, kCachedNameLimit);
            drawName(paint(), state, cache.name);
        }

        const int32_t khz = record.freqKhz;
        if (khz != cache.freqKhz) {
            cache.freqKhz = khz;
            drawFrequency(paint(), state, khz);
        }

        if (cache.mute == 0) {
            const int32_t battery = m.battery;
            if (battery != cache.battery) {
                cache.battery = battery;
                if (battery >= 0 && battery < kBatteryLevels) {
                    copyImage(o + at.battery, kSlotBattery0 + battery);
                }
            }
        }
    }
    return drawn_ || lazy.used();
}

} // namespace tessaly
