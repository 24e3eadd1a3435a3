#pragma once

#include <QDialog>

class QCheckBox;

namespace tessaly {

class CApListBox;
class CCommThreadMonitor;

// "Comm Interval(n)": the trace window of the monitor engine of receiver n, hidden until the
// engine is asked for it (2009). The "Trace" box switches the data trace; closing the window
// switches it off and hides the window, the box keeping its mark for the next showing.
class CDlgCommMonitor : public QDialog {
    Q_OBJECT

public:
    static constexpr int kTraceCheckId = 1092;
    static constexpr int kDataListId = 1096;
    static constexpr int kMessageListId = 1059;

    explicit CDlgCommMonitor(CCommThreadMonitor& engine, QWidget* parent = nullptr);

    CApListBox& dataList() { return *dataList_; }
    CApListBox& messageList() { return *messageList_; }
    QCheckBox& traceCheck() { return *traceCheck_; }

    void reject() override;

private:
    void onShowRequested();
    void onLineAdded(int listId, const QString& line);

    CCommThreadMonitor& engine_;
    QCheckBox* traceCheck_;
    CApListBox* dataList_;
    CApListBox* messageList_;
};

} // namespace tessaly
