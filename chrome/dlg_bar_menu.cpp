#include "chrome/dlg_bar_menu.h"

#include "chrome/dlg_menu_file.h"
#include "chrome/dlg_menu_help.h"
#include "chrome/dlg_menu_view.h"
#include "chrome/menu_commands.h"
#include "chrome/shell_dlg_font.h"
#include "core/app_message.h"
#include "protocol/receiver_table.h"
#include "protocol/settings.h"
#include "resources/resource_ids.h"

#include <QGuiApplication>
#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>

#include <algorithm>

namespace tessaly {

namespace {
constexpr int kBarFontHeight = 13;
constexpr int kDefaultBarHeight = 70; // height of the bar background
constexpr QPoint kLampAt(85, 46);
constexpr QPoint kButtonAt(110, 39);
constexpr QPoint kMonitorLabelAt(20, 44);
constexpr int kFallbackDesktopWidth = 1920;
constexpr QSize kDefaultButtonSize(60, 28);
constexpr int kLogoMargin = 170;        // room the logo leaves for titles and monitor control
constexpr QPoint kLockBadgeAt(302, 39); // right of the alarm count
constexpr QSize kLockBadgeSize(96, 28);
const QColor kLockColour(255, 196, 40);
const QColor kHighlightTop(155, 155, 255);
const QColor kHighlightBottom(0, 0, 117);
const QRect kAlarmCountRect(184, 41, 110, 24);
constexpr int kAlarmCountFontHeight = 13;
const QColor kAlarmsOpenFill(220, 30, 30);
const QColor kNoAlarmsFrame(96, 104, 120);
const QColor kNoAlarmsText(150, 156, 168);

// A button face with its caption keyed over it (black is transparent in both).
ImageSurface composeFace(int faceId, int captionId) {
    ImageSurface face;
    ImageSurface caption;
    if (face.load(faceId) && caption.load(captionId)) {
        QPainter painter(&face.editableImage());
        caption.copyKeyedTo(painter, QPoint(0, 0), kKeyColourBlack);
    }
    return face;
}

// The bar's background under the lamp with the lamp keyed over it.
ImageSurface lampOverBar(const QImage& bar, int lampId) {
    ImageSurface lamp;
    ImageSurface composed;
    if (lamp.load(lampId) && !bar.isNull()) {
        composed.assign(bar.copy(QRect(kLampAt, lamp.size())));
        QPainter painter(&composed.editableImage());
        lamp.copyKeyedTo(painter, QPoint(0, 0), kKeyColourBlack);
    }
    return composed;
}

// A padlock and "LOCKED" in amber on a dark rounded plate, drawn once.
QImage drawLockBadge(const QFont& font) {
    QImage badge(kLockBadgeSize, QImage::Format_ARGB32_Premultiplied);
    badge.fill(Qt::transparent);
    QPainter painter(&badge);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(kLockColour, 1.5));
    painter.setBrush(QColor(40, 28, 0));
    painter.drawRoundedRect(
        QRectF(0.75, 0.75, kLockBadgeSize.width() - 1.5, kLockBadgeSize.height() - 1.5), 5, 5);
    // The padlock: a shackle arc over a filled body.
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(kLockColour, 2.2));
    painter.drawArc(QRectF(8, 5, 12, 12), 0, 180 * 16);
    painter.drawLine(QPointF(8, 11), QPointF(8, 14));
    painter.drawLine(QPointF(20, 11), QPointF(20, 14));
    painter.setPen(Qt::NoPen);
    painter.setBrush(kLockColour);
    painter.drawRoundedRect(QRectF(5, 13, 18, 11), 2, 2);
    painter.setPen(kLockColour);
    QFont bold = font;
    bold.setBold(true);
    painter.setFont(bold);
    painter.drawText(QRect(28, 0, kLockBadgeSize.width() - 32, kLockBadgeSize.height()),
                     Qt::AlignVCenter | Qt::AlignLeft, QStringLiteral("LOCKED"));
    return badge;
}

// Wide enough for a main window stretched across every screen.
int desktopWidth() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen != nullptr ? screen->virtualGeometry().width() : kFallbackDesktopWidth;
}
} // namespace

CDlgBarMenu::CDlgBarMenu(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);
    composeBar();

    popUps_[TitleFile] = new CDlgMenuFile(this);
    popUps_[TitleView] = new CDlgMenuView(this);
    popUps_[TitleHelp] = new CDlgMenuHelp(this);
    update();
}

CDlgBarMenu::~CDlgBarMenu() = default; // the pop-ups are children and go with the bar

void CDlgBarMenu::composeBar() {
    faceReady_ = composeFace(kPngButtonReady, kPngCaptionStart);
    faceUnavailable_ = composeFace(kPngButtonUnavailable, kPngCaptionStartGrey);
    faceRunning_ = composeFace(kPngButtonRunning, kPngCaptionStop);
    monitorLabel_.load(kPngMonitorLabel);

    ImageSurface tile;
    tile.load(kBmpBarBackground);
    const int height = tile.isEmpty() ? kDefaultBarHeight : tile.height();
    barPicture_ = QImage(desktopWidth(), height, QImage::Format_RGB32);
    barPicture_.fill(Qt::black);
    {
        QPainter painter(&barPicture_);
        for (int x = 0; !tile.isEmpty() && x < barPicture_.width(); x += tile.width()) {
            tile.copyTo(painter, QPoint(x, 0));
        }
    }
    logo_.load(kBmpBarLogo);
    setFixedHeight(height);

    const QSize buttonSize = faceReady_.isEmpty() ? kDefaultButtonSize : faceReady_.size();
    hits_[TitleFile] = {{9, 3, 54, 32}, QStringLiteral("File"), {}};
    hits_[TitleView] = {{54, 3, 99, 32}, QStringLiteral("View"), {}};
    hits_[TitleHelp] = {{99, 3, 144, 32}, QStringLiteral("Help"), {}};
    hits_[MonitorButton] = {{kButtonAt.x(), kButtonAt.y(), kButtonAt.x() + buttonSize.width(),
                             kButtonAt.y() + buttonSize.height()},
                            {},
                            {}};

    lampOnBar_ = lampOverBar(barPicture_, kPngLampGreen);
    lampOffBar_ = lampOverBar(barPicture_, kPngLampOff);

    font_ = shellDlgFont(kBarFontHeight);
    QPainter bar(&barPicture_);
    bar.setFont(font_);
    bar.setPen(Qt::white);
    for (int i = TitleFile; i <= TitleHelp; ++i) {
        HitArea& area = hits_[static_cast<size_t>(i)];
        const QRect local(0, 0, area.rect.width(), area.rect.height());
        area.picture = QImage(local.size(), QImage::Format_RGB32);
        QPainter highlight(&area.picture);
        QLinearGradient gradient(0, 0, 0, local.height());
        gradient.setColorAt(0, kHighlightTop);
        gradient.setColorAt(1, kHighlightBottom);
        highlight.fillRect(local, gradient);
        highlight.setFont(font_);
        highlight.setPen(Qt::white);
        const int flags = Qt::AlignCenter | Qt::TextSingleLine;
        highlight.drawText(local, flags, area.label);
        bar.drawText(local.translated(area.rect.left, area.rect.top), flags, area.label);
    }
    HitArea& button = hits_[MonitorButton];
    button.picture = barPicture_.copy(button.rect.left, button.rect.top, button.rect.width(),
                                      button.rect.height());
    bar.end();

    updateMonitorState(0, programReceiverTable().count);

    QPainter label(&barPicture_);
    monitorLabel_.copyKeyedTo(label, kMonitorLabelAt, kKeyColourBlack);
}

QSize CDlgBarMenu::sizeHint() const {
    return {barPicture_.width(), barPicture_.height()};
}

CDlgMenuFile* CDlgBarMenu::fileMenu() const {
    return static_cast<CDlgMenuFile*>(popUps_[0]);
}
CDlgMenuView* CDlgBarMenu::viewMenu() const {
    return static_cast<CDlgMenuView*>(popUps_[1]);
}
CDlgMenuHelp* CDlgBarMenu::helpMenu() const {
    return static_cast<CDlgMenuHelp*>(popUps_[2]);
}

QRect CDlgBarMenu::hitRect(int index) const {
    const MenuRect& r = hits_[static_cast<size_t>(index)].rect;
    return {r.left, r.top, r.width(), r.height()};
}

void CDlgBarMenu::updateMonitorState(int monitoring, int receiverCount) {
    const bool hasReceivers = receiverCount > 0;
    lampOn_ = hasReceivers && monitoring != 0;
    currentFace_ = !hasReceivers     ? &faceUnavailable_
                   : monitoring != 0 ? &faceRunning_
                                     : &faceReady_;

    QPainter painter(&barPicture_);
    (lampOn_ ? lampOnBar_ : lampOffBar_).copyTo(painter, kLampAt);
    const HitArea& button = hits_[MonitorButton];
    painter.drawImage(QPoint(button.rect.left, button.rect.top), button.picture);
    currentFace_->copyKeyedTo(painter, kButtonAt, kKeyColourBlack);
}

void CDlgBarMenu::setDisplayValues(int rfUnit, int /*layoutMode*/) {
    viewMenu()->updateRfItem(rfUnit);
}

void CDlgBarMenu::setAlarmCount(int count) {
    if (count != alarmCount_) {
        alarmCount_ = std::max(count, 0);
        update(kAlarmCountRect);
    }
}

QRect CDlgBarMenu::alarmCountRect() const {
    return kAlarmCountRect;
}

QString CDlgBarMenu::alarmCountText() const {
    if (alarmCount_ == 0) {
        return QStringLiteral("NO ALARMS");
    }
    return alarmCount_ == 1 ? QStringLiteral("1 ALARM")
                            : QStringLiteral("%1 ALARMS").arg(alarmCount_);
}

bool CDlgBarMenu::showsLogo(int clientWidth) const {
    return !logo_.isEmpty() && clientWidth > logo_.width() + kLogoMargin;
}

int CDlgBarMenu::hitTest(QPoint point) const {
    if (point.x() < 0 || point.y() < 0) {
        return -1;
    }
    for (int i = 0; i < HitCount; ++i) {
        if (hits_[static_cast<size_t>(i)].rect.contains(point)) {
            return i;
        }
    }
    return -1;
}

void CDlgBarMenu::openPopUp(int index) {
    const MenuRect& title = hits_[static_cast<size_t>(index)].rect;
    popUp(index)->popUpAt(mapToGlobal(QPoint(title.left, title.top)));
    openIndex_ = index;
}

void CDlgBarMenu::closeAllPopUps() {
    for (CDlgMenuBase* menu : popUps_) {
        menu->setShownFlag(false);
        menu->closeSubMenus();
        menu->hide();
    }
    openIndex_ = -1;
}

bool CDlgBarMenu::event(QEvent* event) {
    if (const AppMessage* message = AppMessage::from(event)) {
        if (message->code() == kCmdMenuClosed) {
            hoverIndex_ = -1;
            // A pop-up that closed because another title was clicked reports after the new one
            // opened; keep the new one's index.
            openIndex_ = -1;
            for (int i = 0; i < kPopUpCount; ++i) {
                if (popUp(i)->isShownFlag()) {
                    openIndex_ = i;
                }
            }
            update();
        } else {
            postAppMessage(target_, message->code(), message->value(), message->payload());
        }
        return true;
    }
    return QWidget::event(event);
}

QPoint CDlgBarMenu::lockBadgePosition() {
    return kLockBadgeAt;
}

void CDlgBarMenu::setShowLocked(bool locked) {
    showLocked_ = locked;
    if (lockBadge_.isNull()) {
        lockBadge_ = drawLockBadge(font_);
    }
    viewMenu()->updateLockItem(locked);
    update();
}

void CDlgBarMenu::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    painter.drawImage(QPoint(0, 0), barPicture_); // opaque RGB32, as the highlights
    if (showsLogo(width())) {
        logo_.copyTo(painter, QPoint(width() - logo_.width(), 0));
    }
    if (hoverIndex_ >= TitleFile && hoverIndex_ <= TitleHelp) {
        const HitArea& area = hits_[static_cast<size_t>(hoverIndex_)];
        painter.drawImage(QPoint(area.rect.left, area.rect.top), area.picture);
    }
    // Unacknowledged alarms: a red box with white text, readable without telling colours apart.
    QFont countFont = shellDlgFont(kAlarmCountFontHeight, kWeightBold);
    painter.setFont(countFont);
    if (alarmCount_ > 0) {
        painter.fillRect(kAlarmCountRect, kAlarmsOpenFill);
        painter.setPen(Qt::white);
    } else {
        painter.setPen(kNoAlarmsFrame);
        painter.drawRect(kAlarmCountRect.adjusted(0, 0, -1, -1));
        painter.setPen(kNoAlarmsText);
    }
    painter.drawText(kAlarmCountRect, Qt::AlignCenter | Qt::TextSingleLine, alarmCountText());
    if (showLocked_) {
        painter.drawImage(kLockBadgeAt, lockBadge_);
    }
}

void CDlgBarMenu::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    if (kAlarmCountRect.contains(event->position().toPoint())) {
        closeAllPopUps();
        postAppMessage(target_, kCmdAlarmJournal, 0);
        return;
    }
    const int hit = hitTest(event->position().toPoint());
    hoverIndex_ = hit;
    if (hit >= TitleFile && hit <= TitleHelp) {
        hoverIndex_ = -1;
        update();
        closeAllPopUps();
        openPopUp(hit);
    } else if (hit == MonitorButton) {
        if (programReceiverTable().count > 0) {
            postAppMessage(target_, kCmdMonitorStartStop, kSwitchToggle);
            hoverIndex_ = -1;
            openIndex_ = -1;
        }
    }
}

void CDlgBarMenu::mouseMoveEvent(QMouseEvent* event) {
    const int hit = hitTest(event->position().toPoint());
    if (hit == hoverIndex_) {
        return;
    }
    if (openIndex_ >= 0 && hit >= 0) {
        closeAllPopUps();
        if (hit <= TitleHelp) {
            openPopUp(hit);
        }
    }
    hoverIndex_ = hit;
    update();
}

void CDlgBarMenu::mouseReleaseEvent(QMouseEvent* event) {
    hoverIndex_ = hitTest(event->position().toPoint());
}

} // namespace tessaly
