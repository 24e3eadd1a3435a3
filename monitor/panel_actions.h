#pragma once

#include "chrome/user_prompts.h"
#include "protocol/receiver_table.h"
#include "protocol/settings.h"

#include <QPoint>
#include <QString>

#include <cstdint>
#include <memory>
#include <optional>

class QWidget;

namespace tessaly {

class CMonitorControl;
class CPanelRenderer;

// In-place editors over a panel.
constexpr int kNameEditorMinHeight = 18;
constexpr int kNameEditorFontHeight = 12;
constexpr int kFreqPickerFontHeightHorizontal = 13;
constexpr int kFreqPickerFontHeightVertical = 12;
// The vertical panels' frequency area is narrow: the picker reaches past it to the left and
// right and sits a little higher, over the "MHz" line.
constexpr int kFreqPickerVerticalShiftLeft = 8;
constexpr int kFreqPickerVerticalExtraWidth = 32;
constexpr int kFreqPickerVerticalLessHeight = 8;

// Where an in-place editor lies: the top-left corner in screen coordinates, its size, the
// pixel height of its font and (frequency picker only) the placement variant: 0 horizontal
// layouts, 1 vertical ones.
struct PanelEditorPlacement {
    QPoint anchor;
    int width = 0;
    int height = 0;
    int fontHeight = 0;
    int variant = 0;
};

// The dialogs a panel click or the Monitor Matrix command opens. Each runs modally and returns
// what the operator accepted, or nothing. Tests give their own to answer without dialogs.
class IPanelEditors {
public:
    virtual ~IPanelEditors() = default;

    // The record of `receiverNumber` from the editor's table copy: new name, name-changed flag.
    virtual std::optional<ReceiverRecord> editName(QWidget* parent,
                                                   const PanelEditorPlacement& placement,
                                                   bool monitoring, int receiverNumber,
                                                   const ReceiverTable& copy) = 0;
    // The edited comment, lines separated by "\r\n".
    virtual std::optional<QString> editComment(QWidget* parent, int receiverNumber,
                                               const QString& comment, const QString& name) = 0;
    // The record with the chosen frequency text and the frequency-changed flag.
    virtual std::optional<ReceiverRecord> pickFrequency(QWidget* parent, bool monitoring,
                                                        int receiverNumber,
                                                        const ReceiverTable& copy,
                                                        const PanelEditorPlacement& placement) = 0;
    // The picked colour (0x00BBGGRR).
    virtual std::optional<uint32_t> pickColour(QWidget* parent, uint32_t initialColour) = 0;
    // The record with the edited RX/TX settings and their changed flag, when anything changed.
    virtual std::optional<ReceiverRecord> editSettings(QWidget* parent, bool monitoring,
                                                       int receiverNumber,
                                                       const ReceiverTable& copy) = 0;
    // Read-only: nothing comes back.
    virtual void showInformation(QWidget* parent, int receiverNumber,
                                 const ReceiverRecord& record) = 0;
    // Rewrites the display state's matrix pairs on OK.
    virtual void setMatrix(QWidget* parent, DisplayState& display) = 0;
};

// The real dialogs, asking the operator through `prompts`.
std::shared_ptr<IPanelEditors>
panelEditorDialogs(std::shared_ptr<CUserPrompts> prompts = systemPrompts());

// The areas of a panel that a click acts on.
enum class PanelArea { None, Name, Memo, Frequency, ColourTab, Meters, Battery };

struct PanelClick {
    int receiverNumber = 0; // 0: nothing acts
    PanelArea area = PanelArea::None;
};

// Which panel area acts on a left click at `clientPoint`: the panels are tried in order, the
// first one whose acting area holds the point wins (edges included). While monitoring only the
// memo, colour tab, meter and (with comm/debug) battery areas act; while stopped also the name
// and frequency areas.
PanelClick panelClickAt(const CPanelRenderer& renderer, QPoint clientPoint, QPoint scrollPosition,
                        bool monitoring, bool debug);

// What the operator does directly on the panels: clicks that open the editors of a receiver,
// and the Monitor Matrix Setting command (3024). Accepted results go into the program-wide
// receiver table or the display state and set the modified flag.
class CPanelActions {
public:
    // `viewport` is the window the panels are painted in: the editors' parent, and the window
    // whose client coordinates clicks arrive in. `editors` null: the real ones, on the same
    // prompts, which also say what the show lock refuses.
    CPanelActions(QWidget& viewport, CMonitorControl& control, ReceiverTable& programTable,
                  DisplayState& display, std::shared_ptr<IPanelEditors> editors = nullptr,
                  std::shared_ptr<CUserPrompts> prompts = systemPrompts());

    // comm/debug: a click on a battery icon shows that receiver's engine trace.
    void setDebug(bool debug) { debug_ = debug; }

    // Left button down at a point of the viewport.
    void leftButtonDown(QPoint clientPoint, QPoint scrollPosition);

    // 3024.
    void monitorMatrix();

private:
    QPoint anchorOf(int left, int top, QPoint scrollPosition) const;
    bool stillShown(int receiverNumber) const;

    void editName(int receiverNumber, QPoint scrollPosition);
    void editComment(int receiverNumber);
    void pickFrequency(int receiverNumber, QPoint scrollPosition);
    void pickColour(int receiverNumber);
    void editSettings(int receiverNumber);
    void showInformation(int receiverNumber);
    void showEngineTrace(int receiverNumber);

    void idleRedraw();
    void invalidate();

    QWidget& viewport_;
    CMonitorControl& control_;
    ReceiverTable& table_;
    DisplayState& display_;
    std::shared_ptr<CUserPrompts> prompts_;
    std::shared_ptr<IPanelEditors> editors_;
    bool debug_ = false;
};

} // namespace tessaly
