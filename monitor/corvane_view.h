#pragma once

#include "monitor/monitor_control.h"
#include "monitor/monitor_engine_table.h"
#include "monitor/panel_actions.h"
#include "monitor/panel_renderer.h"
#include "monitor/view_file_actions.h"
#include "protocol/receiver_table.h"

#include <QAbstractScrollArea>
#include <QImage>
#include <QString>

#include <memory>
#include <optional>

class QLabel;

namespace tessaly {

class CDlgAlarmJournal;
class CDlgHistory;
class CDlgMenuPanel;

// Said once when the alarm journal cannot be written; monitoring goes on.
constexpr const char* kJournalFailedText = "The alarm journal cannot be written (%1). Alarms are "
                                           "still shown, but not recorded.";
constexpr const char* kShowEndTimeTitle = "Show End Time";

// The monitor view: the main frame's central window, to which the frame forwards the menu
// commands as AppMessage events (code, value, and for 3001/3002 the path as payload):
//   sent (handled before the frame goes on): 3001 open, 3002 save, 3003 receiver
//     configuration, 3008 upload, 3009 download;
//   posted (queued): 3021 layout mode, 3022 monitoring 0/1, 3023 RF unit 0/1, 3024 monitor
//     matrix, 3101 main window moved.
// After a save the frame reads the modified flag (protocol/program_flags.h): the view clears
// it only when the file was written, and shows "Error Saveing File." otherwise.
//
// Everything is drawn into offscreen images (CPanelRenderer); painting only copies them.
class CCorvaneView : public QAbstractScrollArea, private IMonitorHost {
    Q_OBJECT

public:
    // `engineFactory` empty: monitor engine threads on the program-wide tables. The panel
    // editors and the file commands' dialogs are the program's own unless others are given;
    // they, the view and its windows ask the operator through `prompts`.
    explicit CCorvaneView(QWidget* parent = nullptr, MonitorEngineFactory engineFactory = {},
                          PanelPngLoader imageLoader = loadPanelPng,
                          std::shared_ptr<IPanelEditors> panelEditors = nullptr,
                          std::shared_ptr<IViewFileDialogs> fileDialogs = nullptr,
                          std::shared_ptr<CUserPrompts> prompts = systemPrompts());
    ~CCorvaneView() override;

    // The first update, run once after the main window is shown; the application shows the
    // splash window around it.
    virtual void onInitialUpdate();

    // Opens an environment file as File, Open Environment does (also the road of a file named
    // on the command line). False when the operator gave the open up.
    bool openEnvironmentFile(const QString& path);

    CMonitorControl& control() { return *control_; }
    // Panel clicks and the Monitor Matrix Setting command (3024).
    CPanelActions& panelActions() { return *panelActions_; }
    const CPanelRenderer& renderer() const { return renderer_; }
    QPoint scrollPosition() const;
    // The yellow tooltip over the warning icons and the memo marks.
    const QLabel& tooltip() const;

    // The Alarm Journal window, raised, with `receiver`'s alarms selected (0: none).
    void showAlarmJournal(int receiver = 0);
    CDlgAlarmJournal* alarmJournal() const { return journalWindow_; }
    // The History window, raised, with `receiver` shown (0: as it was) and, with `atMs`, the
    // minutes around that time.
    void showHistory(int receiver = 0, std::optional<int64_t> atMs = std::nullopt);
    CDlgHistory* historyWindow() const { return historyWindow_; }
    // View, Show End Time: asks for the time, then setShowEnd().
    void editShowEndTime();
    // Minutes after midnight, unset: none. Kept in the current environment file's [show] end.
    void setShowEnd(std::optional<int> minutesOfDay);
    // The receiver whose panel (or alarm label) lies under a viewport point, 0: none.
    int panelAt(QPoint clientPoint) const;
    int alarmLabelAt(QPoint clientPoint) const;
    // A panel's pop-up menu, opened for `receiver` at a screen position.
    void openPanelMenu(int receiver, QPoint screenPos);
    CDlgMenuPanel* panelMenu() const { return panelMenu_; }

signals:
    // The number of unacknowledged alarms changed.
    void alarmCountChanged(int count);

protected:
    bool event(QEvent* event) override;
    bool viewportEvent(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;

    // One forwarded command. Codes whose work the view does not do are ignored. False when an
    // open or save was given up or failed, so the sender knows not to name the file.
    virtual bool onCommand(int code, int value, const QString& path);

private:
    // IMonitorHost
    void layoutBuilt() override;
    void invalidate() override;
    void scrollToOrigin() override;
    bool hasMainWindow() const override;
    bool mainWindowMaximised() const override;
    QRect mainWindowRect() const override;
    void placeMainWindow(const QRect& outer) override;
    void resizeMainWindow(QSize outer) override;
    PlatformMetrics platformMetrics() const override;
    void imageCreationFailed() override;

    QSize hiddenBeyondWorkArea() const;
    void updateScrollRanges();
    void paintBlocks(QPainter& painter, QSize client);
    void mouseMoved(QPoint clientPoint);
    void showTooltipText(const QString& text);
    void hideTooltip();
    void panelCommand(int code, int value);
    QPoint contentShift() const; // the scale strip before the panels, in content coordinates

    std::shared_ptr<CUserPrompts> prompts_;
    CPanelRenderer renderer_;
    std::unique_ptr<CMonitorControl> control_;
    QImage paintBuffer_;
    std::unique_ptr<CViewFileActions> fileActions_;
    std::unique_ptr<CPanelActions> panelActions_;
    QLabel* tooltip_ = nullptr;
    CDlgAlarmJournal* journalWindow_ = nullptr;
    CDlgHistory* historyWindow_ = nullptr;
    CDlgMenuPanel* panelMenu_ = nullptr;
    bool journalFailureSaid_ = false;
    bool historyFailureSaid_ = false;
};

} // namespace tessaly
