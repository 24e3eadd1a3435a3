#pragma once

#include <QDialog>

namespace tessaly {

class CApListBox;
class CommTrace;

// The trace window of a configuration engine ("Comm Config"). It lives on the GUI thread and
// follows the engine's trace by queued signals; it shows itself when the trace asks (the engine
// does at its start when comm/debug is on). Create it before starting the engine. Closing only
// hides it.
class CDlgCommConfig : public QDialog {
    Q_OBJECT

public:
    static constexpr int kTraceListId = 1059;

    CDlgCommConfig(CommTrace& trace, const QString& title, QWidget* parent = nullptr);

    CApListBox& traceList() { return *traceList_; }

    void reject() override;

private:
    void onLineAdded(int listId, const QString& line);

    CApListBox* traceList_;
};

} // namespace tessaly
