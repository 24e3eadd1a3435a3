#pragma once

#include <QDialog>

namespace tessaly {

class CApListBox;
class CCommThreadConfig;

// "Comm Config": the trace window of a configuration engine. It lives on the GUI thread and
// follows the engine's trace by queued signals; it shows itself at the engine's start when
// comm/debug is on. Create it before starting the engine. Closing only hides it.
class CDlgCommConfig : public QDialog {
    Q_OBJECT

public:
    static constexpr int kTraceListId = 1059;

    explicit CDlgCommConfig(CCommThreadConfig& engine, QWidget* parent = nullptr);

    CApListBox& traceList() { return *traceList_; }

    void reject() override;

private:
    void onLineAdded(int listId, const QString& line);

    CApListBox* traceList_;
};

} // namespace tessaly
