#pragma once

#include "chrome/dlg_menu_base.h"
#include "chrome/image_png.h"

#include <QFont>
#include <QImage>
#include <QPointer>
#include <QWidget>

#include <array>

namespace tessaly {

class CDlgMenuFile;
class CDlgMenuView;
class CDlgMenuHelp;

// The skinned menu bar across the top of the main window: the File, View and Help titles that
// open the pop-up menus, and the monitor lamp with its Start/Stop button. Every command of the
// pop-ups, and the button's, goes to the target window (the main frame).
class CDlgBarMenu : public QWidget {
    Q_OBJECT

public:
    enum HitIndex { TitleFile, TitleView, TitleHelp, MonitorButton, HitCount };
    static constexpr int kPopUpCount = 3;

    explicit CDlgBarMenu(QWidget* parent = nullptr);
    ~CDlgBarMenu() override;

    void setTarget(QObject* target) { target_ = target; }
    QObject* target() const { return target_; }

    // Lamp and button for the monitoring flag and the number of receivers in the table.
    void updateMonitorState(int monitoring, int receiverCount);
    // The show lock: a padlock and "LOCKED" beside the monitor button; the View menu's item
    // follows.
    void setShowLocked(bool locked);
    bool showLocked() const { return showLocked_; }
    static QPoint lockBadgePosition();

    // The RF unit and layout mode in use; the View menu's RF item follows the unit.
    void setDisplayValues(int rfUnit, int layoutMode);

    int hitTest(QPoint point) const;
    int hoverIndex() const { return hoverIndex_; }
    int openIndex() const { return openIndex_; }
    void openPopUp(int index);
    void closeAllPopUps();

    // The number of unacknowledged alarms, shown right of the monitor button; a click on it
    // posts kCmdAlarmJournal to the target window.
    void setAlarmCount(int count);
    int alarmCount() const { return alarmCount_; }
    QRect alarmCountRect() const;
    QString alarmCountText() const;

    // The logo needs room beside the titles and the monitor control.
    bool showsLogo(int clientWidth) const;

    CDlgMenuFile* fileMenu() const;
    CDlgMenuView* viewMenu() const;
    CDlgMenuHelp* helpMenu() const;
    CDlgMenuBase* popUp(int index) const { return popUps_[static_cast<size_t>(index)]; }
    const QImage& barPicture() const { return barPicture_; }
    // The face the button shows now, composed with its caption.
    const QImage& buttonFace() const { return currentFace_->image(); }
    bool lampOn() const { return lampOn_; }
    QRect hitRect(int index) const;

    QSize sizeHint() const override;

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    struct HitArea {
        MenuRect rect;
        QString label;
        QImage picture; // highlight, or the background saved under the button
    };

    void composeBar();

    QPointer<QObject> target_;
    ImageSurface faceReady_, faceUnavailable_, faceRunning_; // captions composed in
    ImageSurface lampOnBar_, lampOffBar_;                    // lamps composed over the bar
    ImageSurface monitorLabel_;
    QImage barPicture_;
    ImageSurface logo_;
    QFont font_;
    std::array<HitArea, HitCount> hits_;
    const ImageSurface* currentFace_ = &faceUnavailable_;
    bool lampOn_ = false;
    bool showLocked_ = false;
    QImage lockBadge_;
    int hoverIndex_ = -1;
    int openIndex_ = -1;
    int alarmCount_ = 0;
    std::array<CDlgMenuBase*, kPopUpCount> popUps_{};
};

} // namespace tessaly
