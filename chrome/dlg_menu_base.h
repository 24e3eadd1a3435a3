#pragma once

#include "chrome/image_png.h"

#include <QImage>
#include <QRect>
#include <QString>
#include <QTimer>
#include <QWidget>

#include <memory>
#include <vector>

namespace tessaly {

class CDlgMenuBase;

// Item rectangles are given as the skins were measured: left, top, right, bottom, inclusive for
// the hit test. Pictures and highlights are (right - left) x (bottom - top).
struct MenuRect {
    int left = 0, top = 0, right = 0, bottom = 0;
    bool contains(QPoint p) const {
        return p.x() >= left && p.x() <= right && p.y() >= top && p.y() <= bottom;
    }
    int width() const { return right - left; }
    int height() const { return bottom - top; }
};

struct MenuItem {
    MenuRect rect;
    QString label;
    int enabled = 1;
    int command = 0; // 0 posts nothing
    int argument = 0;
    QImage highlight;
    CDlgMenuBase* subMenu = nullptr; // owned through Qt parenthood
    bool hasSubMenu() const { return subMenu != nullptr; }
};

// A skinned pop-up menu: a frameless window cut out of its background picture, drawing its own
// items and posting the chosen command to the window that owns it. Subclasses fill in the title
// and items in their constructors and may replace the mouse, activation and message handlers.
class CDlgMenuBase : public QWidget {
    Q_OBJECT

public:
    CDlgMenuBase(QWidget* owner, int backgroundPngId);
    ~CDlgMenuBase() override;

    int hitTest(QPoint point) const;
    int hoverIndex() const { return hoverIndex_; }
    void setHoverIndex(int index);
    bool isShownFlag() const { return shown_ != 0; }
    void setShownFlag(bool shown) { shown_ = shown ? 1 : 0; }

    // Hides every open sub-menu below this one.
    void closeSubMenus();
    bool anySubMenuShown() const;

    // Shows the menu with its top left corner at `screenPos` and activates it.
    void popUpAt(QPoint screenPos);

    const std::vector<MenuItem>& items() const { return items_; }
    const QImage& composedPicture() const { return composed_; }
    const QImage& background() const { return background_.image(); }
    bool regionReady() const { return regionReady_ != 0; }

protected:
    void setTitle(const QString& title, MenuRect rect);
    MenuItem& addItem(MenuRect rect, const QString& label, int command, int argument = 0);
    MenuItem& item(int index) { return items_[static_cast<size_t>(index)]; }
    // Redraws the composed picture and the highlights, then repaints.
    void redraw();

    // Closing as the pop-ups do it: not shown, sub-menus closed, hidden; `notify` posts 3000
    // with the hover index to the owner.
    void closeMenu(bool notify);
    void postToOwner(int code, int value);

    virtual void onMouseMove(int hit);
    virtual void onLeftButtonUp(int hit);
    virtual void onActivationChange(bool active);
    virtual void onCancel();
    // Notifications from sub-menus; true when handled.
    virtual bool onMessage(int code, int value);

    // Common hover update; true when the hover index changed.
    bool updateHover(int hit);

    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void drawItemHighlight(MenuItem& menuItem) const;

    int shown_ = 0;
    int regionReady_ = 0;
    int hoverIndex_ = -1;
    QString title_;
    MenuRect titleRect_;
    std::vector<MenuItem> items_;
    ImageSurface background_;
    ImageSurface arrow_; // black is transparent
    QImage composed_;
    QFont font_;
};

} // namespace tessaly
