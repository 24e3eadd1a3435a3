#include "chrome/dlg_menu_base.h"

#include "chrome/menu_commands.h"
#include "chrome/row_run_region.h"
#include "chrome/shell_dlg_font.h"
#include "core/app_message.h"
#include "resources/resource_ids.h"

#include <QKeyEvent>
#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>

namespace tessaly {

namespace {
constexpr int kMenuFontHeight = 13;
constexpr int kLabelIndent = 10;
constexpr int kArrowRightGap = 14;
constexpr int kArrowTop = 8;
const QColor kHighlightTop(155, 155, 255);
const QColor kHighlightBottom(0, 0, 117);
const QColor kEnabledText(255, 255, 255);
const QColor kDisabledText(128, 128, 128);
} // namespace

CDlgMenuBase::CDlgMenuBase(QWidget* owner, int backgroundPngId)
    : QWidget(owner, Qt::Tool | Qt::FramelessWindowHint | Qt::NoDropShadowWindowHint) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_NoSystemBackground);
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);

    background_.load(backgroundPngId);
    arrow_.load(kPngSubMenuArrow);
    composed_ = background_.image().copy();
    font_ = shellDlgFont(kMenuFontHeight);

    if (!composed_.isNull()) {
        setMask(rowRunRegion(composed_, kKeyColourMenuOutside));
        regionReady_ = 1;
        setFixedSize(composed_.size());
    }
}

CDlgMenuBase::~CDlgMenuBase() {
    clearMask();
}

void CDlgMenuBase::setTitle(const QString& title, MenuRect rect) {
    title_ = title;
    titleRect_ = rect;
}

MenuItem& CDlgMenuBase::addItem(MenuRect rect, const QString& label, int command, int argument) {
    MenuItem added;
    added.rect = rect;
    added.label = label;
    added.command = command;
    added.argument = argument;
    items_.push_back(added);
    return items_.back();
}

int CDlgMenuBase::hitTest(QPoint point) const {
    if (point.x() < 0 || point.y() < 0) {
        return -1;
    }
    for (size_t i = 0; i < items_.size(); ++i) {
        if (items_[i].enabled != 0 && items_[i].rect.contains(point)) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

void CDlgMenuBase::setHoverIndex(int index) {
    if (hoverIndex_ != index) {
        hoverIndex_ = index;
        update();
    }
}

void CDlgMenuBase::drawItemHighlight(MenuItem& menuItem) const {
    const int width = std::max(menuItem.rect.width(), 1);
    const int height = std::max(menuItem.rect.height(), 1);
    menuItem.highlight = QImage(width, height, QImage::Format_RGB32);
    QPainter painter(&menuItem.highlight);
    QLinearGradient gradient(0, 0, 0, height);
    gradient.setColorAt(0, kHighlightTop);
    gradient.setColorAt(1, kHighlightBottom);
    painter.fillRect(menuItem.highlight.rect(), gradient);
    painter.setFont(fontFitting(font_, menuItem.label, width - kLabelIndent));
    painter.setPen(menuItem.enabled != 0 ? kEnabledText : kDisabledText);
    painter.drawText(QRect(kLabelIndent, 0, width - kLabelIndent, height),
                     Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, menuItem.label);
    if (menuItem.hasSubMenu()) {
        arrow_.copyKeyedTo(painter, QPoint(width - arrow_.width() - kArrowRightGap, kArrowTop),
                           kKeyColourBlack);
    }
}

void CDlgMenuBase::redraw() {
    if (background_.isEmpty()) {
        return;
    }
    composed_ = background_.image().copy();
    QPainter painter(&composed_);
    painter.setFont(font_);
    painter.setPen(kEnabledText);
    painter.drawText(
        QRect(titleRect_.left, titleRect_.top, titleRect_.width(), titleRect_.height()),
        Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, title_);
    for (MenuItem& menuItem : items_) {
        drawItemHighlight(menuItem);
        const MenuRect& r = menuItem.rect;
        painter.setFont(fontFitting(font_, menuItem.label, r.width() - kLabelIndent));
        painter.setPen(menuItem.enabled != 0 ? kEnabledText : kDisabledText);
        painter.drawText(QRect(r.left + kLabelIndent, r.top, r.width() - kLabelIndent, r.height()),
                         Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, menuItem.label);
        if (menuItem.hasSubMenu()) {
            arrow_.copyKeyedTo(painter,
                               QPoint(r.right - arrow_.width() - kArrowRightGap, r.top + kArrowTop),
                               kKeyColourBlack);
        }
    }
    update();
}

void CDlgMenuBase::closeSubMenus() {
    for (MenuItem& menuItem : items_) {
        if (menuItem.subMenu != nullptr) {
            menuItem.subMenu->setShownFlag(false);
            menuItem.subMenu->hoverIndex_ = -1;
            menuItem.subMenu->closeSubMenus();
            menuItem.subMenu->hide();
        }
    }
}

bool CDlgMenuBase::anySubMenuShown() const {
    for (const MenuItem& menuItem : items_) {
        if (menuItem.subMenu != nullptr && menuItem.subMenu->isShownFlag()) {
            return true;
        }
    }
    return false;
}

void CDlgMenuBase::popUpAt(QPoint screenPos) {
    move(screenPos);
    setShownFlag(true);
    show();
    raise();
    activateWindow();
    setFocus(Qt::ActiveWindowFocusReason); // so that Escape reaches the menu
}

void CDlgMenuBase::postToOwner(int code, int value) {
    postAppMessage(parentWidget(), code, value);
}

void CDlgMenuBase::closeMenu(bool notify) {
    setShownFlag(false);
    closeSubMenus();
    hide();
    if (notify) {
        postToOwner(kCmdMenuClosed, hoverIndex_);
    }
}

bool CDlgMenuBase::updateHover(int hit) {
    if (hit == hoverIndex_) {
        return false;
    }
    hoverIndex_ = hit;
    update();
    return true;
}

void CDlgMenuBase::onMouseMove(int hit) {
    updateHover(hit);
}

void CDlgMenuBase::onLeftButtonUp(int hit) {
    hoverIndex_ = hit;
    if (hit < 0 || item(hit).hasSubMenu()) {
        return;
    }
    const MenuItem& chosen = item(hit);
    if (chosen.command != 0) {
        postToOwner(chosen.command, chosen.argument);
    }
    closeMenu(true);
}

void CDlgMenuBase::onActivationChange(bool active) {
    if (!active && isShownFlag()) {
        closeMenu(true);
        hoverIndex_ = -1;
    }
}

void CDlgMenuBase::onCancel() {
    closeMenu(false);
}

bool CDlgMenuBase::onMessage(int /*code*/, int /*value*/) {
    return false;
}

bool CDlgMenuBase::event(QEvent* event) {
    if (const AppMessage* message = AppMessage::from(event)) {
        onMessage(message->code(), static_cast<int>(message->value()));
        return true;
    }
    return QWidget::event(event);
}

void CDlgMenuBase::paintEvent(QPaintEvent* /*event*/) {
    if (regionReady_ == 0) {
        return;
    }
    // Both pictures are opaque (RGB32): drawing them is a plain copy.
    QPainter painter(this);
    painter.drawImage(QPoint(0, 0), composed_);
    if (hoverIndex_ >= 0 && hoverIndex_ < static_cast<int>(items_.size())) {
        const MenuItem& hovered = item(hoverIndex_);
        painter.drawImage(QPoint(hovered.rect.left, hovered.rect.top), hovered.highlight);
    }
}

void CDlgMenuBase::mouseMoveEvent(QMouseEvent* event) {
    onMouseMove(hitTest(event->position().toPoint()));
}

void CDlgMenuBase::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        onLeftButtonUp(hitTest(event->position().toPoint()));
    }
}

void CDlgMenuBase::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        onCancel();
        return;
    }
    QWidget::keyPressEvent(event);
}

void CDlgMenuBase::changeEvent(QEvent* event) {
    if (event->type() == QEvent::ActivationChange) {
        onActivationChange(isActiveWindow());
    }
    QWidget::changeEvent(event);
}

} // namespace tessaly
