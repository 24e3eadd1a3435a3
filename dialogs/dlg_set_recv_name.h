#pragma once

#include "protocol/receiver_table.h"

#include <QDialog>
#include <QPoint>
#include <QString>

class QPushButton;

namespace tessaly {

class CKeyIn;

constexpr int kRecvNameEditId = 1058;
constexpr int kRecvNameMaxLength = 10;

// Where the name editor lies over the panel: the top-left corner in screen coordinates, the
// size of the panel's name area, and the pixel height of the edit's font.
struct NameEditorPlacement {
    QPoint anchor;
    int width = 0;
    int height = 0;
    int fontHeight = 0;
};

// The in-place name editor: a borderless window over a panel's name holding one name edit.
// Enter keeps the text, Escape or the right button throws it away, and leaving the editor for
// another window keeps it too. Only the first of these acts.
class CDlgSetRecvName : public QDialog {
    Q_OBJECT

public:
    CDlgSetRecvName(QWidget* parent, const NameEditorPlacement& placement, bool monitoring,
                    int receiverNumber, const ReceiverTable& tableCopy);

    // The dialog's copy of the table. After OK the record of the receiver number holds the new
    // name and a name-changed flag of 1; otherwise it is as it was given.
    const ReceiverTable& table() const { return table_; }
    int receiverNumber() const { return receiverNumber_; }
    bool monitoring() const { return monitoring_ != 0; }

    // 1 once Enter, Escape, the right button, Cancel or the loss of activation has acted.
    int closing() const { return closing_; }

    CKeyIn* edit() const { return edit_; }

public slots:
    void reject() override;

protected:
    bool event(QEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void commitAndClose(const QString& name);
    void cancelAndClose();
    void cleanPastedText();

    NameEditorPlacement placement_;
    int monitoring_;
    int receiverNumber_;
    ReceiverTable table_;
    QString editedName_;
    int closing_ = 0;

    CKeyIn* edit_ = nullptr;
    QPushButton* cancel_ = nullptr;
};

} // namespace tessaly
