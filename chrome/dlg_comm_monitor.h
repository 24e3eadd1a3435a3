#pragma once

#include <QDialog>

class QCheckBox;

namespace tessaly {

class CApListBox;
class CommTrace;

// The trace window of a monitor engine ("Comm Interval(n)" for receiver n), hidden until the
// engine asks for it (its trace's showRequested, on 2009). The "Trace" box switches the data
// trace; closing the window switches it off and hides the window, the box keeping its mark for
// the next showing.
class CDlgCommMonitor : public QDialog {
    Q_OBJECT

public:
    static constexpr int kTraceCheckId = 1092;
    static constexpr int kDataListId = 1096;
    static constexpr int kMessageListId = 1059;

    CDlgCommMonitor(CommTrace& trace, const QString& title, QWidget* parent = nullptr);

    CApListBox& dataList() { return *dataList_; }
    CApListBox& messageList() { return *messageList_; }
    QCheckBox& traceCheck() { return *traceCheck_; }

    void reject() override;

private:
    void onShowRequested();
    void onLineAdded(int listId, const QString& line);

    CommTrace& trace_;
    QCheckBox* traceCheck_;
    CApListBox* dataList_;
    CApListBox* messageList_;
};

} // namespace tessaly
