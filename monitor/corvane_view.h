#pragma once

#include <QString>
#include <QWidget>

namespace tessaly {

// The monitor view: the main frame's central window, to which the frame forwards the menu
// commands as AppMessage events (code, value, and for 3001/3002 the path as payload):
//   sent (handled before the frame goes on): 3001 open, 3002 save, 3003 receiver
//     configuration, 3008 upload, 3009 download;
//   posted (queued): 3021 layout mode, 3022 monitoring 0/1, 3023 RF unit 0/1, 3024 monitor
//     matrix, 3101 main window moved.
// After a save the frame reads the modified flag (protocol/program_flags.h): the view clears
// it only when the file was written, and shows "Error Saveing File." otherwise.
class CCorvaneView : public QWidget {
    Q_OBJECT

public:
    explicit CCorvaneView(QWidget* parent = nullptr);
    ~CCorvaneView() override;

    // The first update, run once after the main window is shown; the application shows the
    // splash window around it.
    virtual void onInitialUpdate();

protected:
    bool event(QEvent* event) override;

    // One forwarded command. Codes whose work the view does not do (yet) are ignored.
    virtual void onCommand(int code, int value, const QString& path);
};

} // namespace tessaly
