#include "monitor/panel_actions.h"

#include "chrome/ap_color_dialog.h"
#include "chrome/show_lock_prompts.h"
#include "chrome/text_functions.h"
#include "core/message_codes.h"
#include "dialogs/dlg_disp_receiver_inf.h"
#include "dialogs/dlg_set_comment.h"
#include "dialogs/dlg_set_freq.h"
#include "dialogs/dlg_set_recv_inf.h"
#include "dialogs/dlg_set_recv_name.h"
#include "dialogs/dlg_tool_set_matrix.h"
#include "monitor/monitor_control.h"
#include "monitor/monitor_layout.h"
#include "monitor/panel_renderer.h"
#include "protocol/program_flags.h"

#include <QDialog>
#include <QEventLoop>
#include <QGuiApplication>
#include <QPointer>
#include <QTimer>
#include <QWidget>

#include <algorithm>
#include <array>

namespace tessaly {

namespace {

constexpr int kReleasePollMs = 10;
constexpr int kReleaseWaitLimitMs = 5000;

std::optional<ReceiverRecord> runNameEditor(QWidget* parent, const PanelEditorPlacement& placement,
                                            bool monitoring, int receiverNumber,
                                            const ReceiverTable& copy) {
    const NameEditorPlacement at{placement.anchor, placement.width, placement.height,
                                 placement.fontHeight};
    CDlgSetRecvName dialog(parent, at, monitoring, receiverNumber, copy);
    if (dialog.exec() != QDialog::Accepted) {
        return std::nullopt;
    }
    return dialog.table().byNumber(receiverNumber);
}

std::optional<QString> runCommentDialog(QWidget* parent, int receiverNumber, const QString& comment,
                                        const QString& name) {
    CDlgSetComment dialog(parent, receiverNumber, comment, name);
    if (dialog.exec() != QDialog::Accepted) {
        return std::nullopt;
    }
    return dialog.comment();
}

// The frequency picker drops its channel list down as it opens, and a list that is down closes
// at the next button release. Opened from a button press, it must therefore wait for the release
// that ends that press, or the same click would close it again.
void waitForLeftButtonRelease() {
    if (!(QGuiApplication::mouseButtons() & Qt::LeftButton)) {
        return;
    }
    QEventLoop loop;
    QTimer giveUp;
    giveUp.setSingleShot(true);
    QObject::connect(&giveUp, &QTimer::timeout, &loop, &QEventLoop::quit);
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &loop, [&loop] {
        if (!(QGuiApplication::mouseButtons() & Qt::LeftButton)) {
            loop.quit();
        }
    });
    poll.start(kReleasePollMs);
    giveUp.start(kReleaseWaitLimitMs);
    loop.exec();
}

std::optional<ReceiverRecord> runFrequencyPicker(QWidget* parent, bool monitoring,
                                                 int receiverNumber, const ReceiverTable& copy,
                                                 const PanelEditorPlacement& placement,
                                                 const std::shared_ptr<CUserPrompts>& prompts) {
    const FreqPickerPlacement at{placement.anchor, placement.width, placement.height,
                                 placement.fontHeight, placement.variant};
    const QPointer<QWidget> owner(parent);
    waitForLeftButtonRelease();
    if (owner.isNull()) {
        return std::nullopt; // the window closed while the button was held
    }
    CDlgSetFreq dialog(parent, monitoring, receiverNumber, copy, at, prompts);
    if (dialog.exec() != QDialog::Accepted) {
        return std::nullopt;
    }
    return dialog.record();
}

std::optional<ReceiverRecord> runSettingsDialog(QWidget* parent, bool monitoring,
                                                int receiverNumber, const ReceiverTable& copy,
                                                const std::shared_ptr<CUserPrompts>& prompts) {
    CDlgSetRecvInf dialog(parent, monitoring, receiverNumber, copy, prompts);
    dialog.exec();
    // Apply may have stored the settings before a Cancel: the flag, not the result, tells.
    if (!dialog.accepted()) {
        return std::nullopt;
    }
    return dialog.record();
}

void runInformationDisplay(QWidget* parent, int receiverNumber, const ReceiverRecord& record) {
    CDlgDispReceiverInf dialog(parent, receiverNumber, record);
    dialog.exec();
}

void runMatrixDialog(QWidget* parent, DisplayState& display) {
    CDlgToolSetMatrix dialog(parent, display);
    dialog.exec();
}

std::optional<uint32_t> runColourDialog(QWidget* parent, uint32_t initialColour) {
    CApColorDialog dialog(initialColour, parent);
    if (dialog.exec() != QDialog::Accepted) {
        return std::nullopt;
    }
    return dialog.color();
}

// The clicks that change a receiver or its panel; the information display and the trace only
// show what is there.
bool opensEditor(PanelArea area, bool monitoring) {
    switch (area) {
    case PanelArea::Name:
    case PanelArea::Memo:
    case PanelArea::Frequency:
    case PanelArea::ColourTab:
        return true;
    case PanelArea::Meters:
        return !monitoring;
    default:
        return false;
    }
}

std::array<int, kLayoutModeCount> fillCounts(const DisplayState& display) {
    std::array<int, kLayoutModeCount> counts{};
    for (int mode = 0; mode < kLayoutModeCount; ++mode) {
        counts[static_cast<size_t>(mode)] = fillCount(mode, display.matrix);
    }
    return counts;
}

int widthOf(const HitRect& area) {
    return area.right - area.left;
}
int heightOf(const HitRect& area) {
    return area.bottom - area.top;
}

} // namespace

namespace {

class PanelEditorDialogs : public IPanelEditors {
public:
    explicit PanelEditorDialogs(std::shared_ptr<CUserPrompts> prompts)
        : prompts_(std::move(prompts)) {}

    std::optional<ReceiverRecord> editName(QWidget* parent, const PanelEditorPlacement& placement,
                                           bool monitoring, int receiverNumber,
                                           const ReceiverTable& copy) override {
        return runNameEditor(parent, placement, monitoring, receiverNumber, copy);
    }
    std::optional<QString> editComment(QWidget* parent, int receiverNumber, const QString& comment,
                                       const QString& name) override {
        return runCommentDialog(parent, receiverNumber, comment, name);
    }
    std::optional<ReceiverRecord> pickFrequency(QWidget* parent, bool monitoring,
                                                int receiverNumber, const ReceiverTable& copy,
                                                const PanelEditorPlacement& placement) override {
        return runFrequencyPicker(parent, monitoring, receiverNumber, copy, placement, prompts_);
    }
    std::optional<uint32_t> pickColour(QWidget* parent, uint32_t initialColour) override {
        return runColourDialog(parent, initialColour);
    }
    std::optional<ReceiverRecord> editSettings(QWidget* parent, bool monitoring, int receiverNumber,
                                               const ReceiverTable& copy) override {
        return runSettingsDialog(parent, monitoring, receiverNumber, copy, prompts_);
    }
    void showInformation(QWidget* parent, int receiverNumber,
                         const ReceiverRecord& record) override {
        runInformationDisplay(parent, receiverNumber, record);
    }
    void setMatrix(QWidget* parent, DisplayState& display) override {
        runMatrixDialog(parent, display);
    }

private:
    std::shared_ptr<CUserPrompts> prompts_;
};

} // namespace

std::shared_ptr<IPanelEditors> panelEditorDialogs(std::shared_ptr<CUserPrompts> prompts) {
    return std::make_shared<PanelEditorDialogs>(std::move(prompts));
}

PanelClick panelClickAt(const CPanelRenderer& renderer, QPoint clientPoint, QPoint scrollPosition,
                        bool monitoring, bool debug) {
    if (clientPoint.x() < 0 || clientPoint.y() < 0) {
        return {};
    }
    const QPoint point = clientPoint + scrollPosition;
    const int count = renderer.receiverCount();
    for (int number = 1; number <= count; ++number) {
        const PanelHitAreas& hit = renderer.panel(number).hit;
        PanelArea area = PanelArea::None;
        if (!monitoring && hit.name.contains(point)) {
            area = PanelArea::Name;
        } else if (hit.memo.contains(point)) {
            area = PanelArea::Memo;
        } else if (!monitoring && hit.frequency.contains(point)) {
            area = PanelArea::Frequency;
        } else if (hit.colourTab.contains(point)) {
            area = PanelArea::ColourTab;
        } else if (hit.meters.contains(point)) {
            area = PanelArea::Meters;
        } else if (debug && hit.battery.contains(point)) {
            area = PanelArea::Battery;
        }
        if (area != PanelArea::None) {
            return {number, area};
        }
    }
    return {};
}

CPanelActions::CPanelActions(QWidget& viewport, CMonitorControl& control,
                             ReceiverTable& programTable, DisplayState& display,
                             std::shared_ptr<IPanelEditors> editors,
                             std::shared_ptr<CUserPrompts> prompts)
    : viewport_(viewport), control_(control), table_(programTable), display_(display),
      prompts_(std::move(prompts)),
      editors_(editors ? std::move(editors) : panelEditorDialogs(prompts_)) {}

void CPanelActions::leftButtonDown(QPoint clientPoint, QPoint scrollPosition) {
    if (!control_.layoutReady()) {
        return;
    }
    const bool monitoring = control_.monitoring();
    const PanelClick click =
        panelClickAt(control_.renderer(), clientPoint, scrollPosition, monitoring, debug_);
    if (opensEditor(click.area, monitoring) &&
        refusedWhileLocked(*prompts_, &viewport_, QStringLiteral("Panel editing"))) {
        return;
    }
    switch (click.area) {
    case PanelArea::Name:
        editName(click.receiverNumber, scrollPosition);
        break;
    case PanelArea::Memo:
        editComment(click.receiverNumber);
        break;
    case PanelArea::Frequency:
        pickFrequency(click.receiverNumber, scrollPosition);
        break;
    case PanelArea::ColourTab:
        pickColour(click.receiverNumber);
        break;
    case PanelArea::Meters:
        if (monitoring) {
            showInformation(click.receiverNumber);
        } else {
            editSettings(click.receiverNumber);
        }
        break;
    case PanelArea::Battery:
        showEngineTrace(click.receiverNumber);
        break;
    case PanelArea::None:
        break;
    }
}

QPoint CPanelActions::anchorOf(int left, int top, QPoint scrollPosition) const {
    return viewport_.mapToGlobal(QPoint(left, top) - scrollPosition);
}

// A modal dialog spins the event loop; a table replaced meanwhile may no longer hold the
// receiver the dialog was opened for, and its result must not land in an unused record.
bool CPanelActions::stillShown(int receiverNumber) const {
    return receiverNumber >= 1 && receiverNumber <= table_.count &&
           receiverNumber <= control_.renderer().receiverCount();
}

void CPanelActions::editName(int receiverNumber, QPoint scrollPosition) {
    if (!editors_) {
        return;
    }
    const HitRect& area = control_.renderer().panel(receiverNumber).hit.name;
    PanelEditorPlacement placement;
    placement.anchor = anchorOf(area.left, area.top, scrollPosition);
    placement.width = widthOf(area);
    placement.height = std::max(heightOf(area), kNameEditorMinHeight);
    placement.fontHeight = kNameEditorFontHeight;
    const ReceiverTable copy(table_);
    const std::optional<ReceiverRecord> result =
        editors_->editName(&viewport_, placement, control_.monitoring(), receiverNumber, copy);
    if (!result || !stillShown(receiverNumber)) {
        return;
    }
    ReceiverRecord& record = table_.byNumber(receiverNumber);
    {
        // Under the lock an engine holds while it builds its connect-time command, and after
        // the text, so that an engine that sees the flag sends the new name.
        const auto lock = table_.lockTexts();
        record.name = result->name;
        record.nameChanged.publish(result->nameChanged.load());
    }
    programFlags().modified = 1;
    idleRedraw();
    invalidate();
}

void CPanelActions::editComment(int receiverNumber) {
    if (!editors_) {
        return;
    }
    const ReceiverRecord& record = table_.byNumber(receiverNumber);
    QString comment;
    QString name;
    {
        const auto lock = table_.lockTexts();
        comment = textFromBytes(record.comment);
        name = textFromBytes(record.name);
    }
    const std::optional<QString> edited =
        editors_->editComment(&viewport_, receiverNumber, comment, name);
    if (!edited || !stillShown(receiverNumber)) {
        return;
    }
    {
        const auto lock = table_.lockTexts();
        table_.byNumber(receiverNumber).comment = bytesFromText(*edited);
    }
    control_.renderer().drawMemoIcon(table_, receiverNumber);
    programFlags().modified = 1;
    invalidate();
}

void CPanelActions::pickFrequency(int receiverNumber, QPoint scrollPosition) {
    if (!editors_) {
        return;
    }
    const HitRect& area = control_.renderer().panel(receiverNumber).hit.frequency;
    PanelEditorPlacement placement;
    placement.anchor = anchorOf(area.left, area.top, scrollPosition);
    placement.width = widthOf(area);
    placement.height = heightOf(area);
    if (isVerticalMode(control_.layoutMode())) {
        placement.anchor.rx() -= kFreqPickerVerticalShiftLeft;
        placement.width += kFreqPickerVerticalExtraWidth;
        placement.height -= kFreqPickerVerticalLessHeight;
        placement.fontHeight = kFreqPickerFontHeightVertical;
        placement.variant = kFreqPickerVariantVertical;
    } else {
        placement.fontHeight = kFreqPickerFontHeightHorizontal;
        placement.variant = kFreqPickerVariantHorizontal;
    }
    const ReceiverTable copy(table_);
    const std::optional<ReceiverRecord> result =
        editors_->pickFrequency(&viewport_, control_.monitoring(), receiverNumber, copy, placement);
    if (!result || !stillShown(receiverNumber)) {
        return;
    }
    ReceiverRecord& record = table_.byNumber(receiverNumber);
    {
        const auto lock = table_.lockTexts();
        record.setFrequencyText(result->freqText);
        record.freqChanged.publish(result->freqChanged.load());
    }
    programFlags().modified = 1;
    idleRedraw();
    invalidate();
}

void CPanelActions::pickColour(int receiverNumber) {
    if (!editors_) {
        return;
    }
    const std::optional<uint32_t> picked =
        editors_->pickColour(&viewport_, table_.byNumber(receiverNumber).colors[0]);
    if (!picked || !stillShown(receiverNumber)) {
        return;
    }
    ReceiverRecord& record = table_.byNumber(receiverNumber);
    {
        const auto lock = table_.lockTexts();
        record.colors[0] = *picked;
        record.colors[3] = halfBrightness(*picked);
    }
    programFlags().modified = 1;
    // The texts keep the colour of the monitoring state they are shown in: white while
    // monitoring, silver while stopped.
    control_.buildLayout(control_.monitoring() ? kTextColourWhite : kTextColourSilver);
    control_.renderer().resetValueCaches();
    control_.renderer().drawMemoIcons(table_);
    control_.redraw();
    invalidate();
}

void CPanelActions::editSettings(int receiverNumber) {
    if (!editors_) {
        return;
    }
    const ReceiverTable copy(table_);
    const std::optional<ReceiverRecord> result =
        editors_->editSettings(&viewport_, control_.monitoring(), receiverNumber, copy);
    if (!result || !stillShown(receiverNumber)) {
        return;
    }
    ReceiverRecord& record = table_.byNumber(receiverNumber);
    {
        // An engine builds its connect-time command under this lock, so it sends either the old
        // settings or all of the new ones, never a mix, and cannot clear a flag set meanwhile.
        const auto lock = table_.lockTexts();
        record.afVolume = result->afVolume.load();
        record.lineMic = result->lineMic.load();
        record.antennaSwitch = result->antennaSwitch.load();
        record.rxKeyLock = result->rxKeyLock.load();
        record.rxKeyLockPin = result->rxKeyLockPin.load();
        record.squelch = result->squelch.load();
        record.rfPower = result->rfPower.load();
        record.micGain = result->micGain.load();
        record.txKeyLock = result->txKeyLock.load();
        record.batteryKind = result->batteryKind.load();
        // Last, so that an engine that sees the flag sends the new settings.
        record.rxtxChanged.publish(result->rxtxChanged.load());
    }
    programFlags().modified = 1;
}

void CPanelActions::showInformation(int receiverNumber) {
    if (!editors_) {
        return;
    }
    ReceiverRecord record;
    {
        const auto lock = table_.lockTexts();
        record = table_.byNumber(receiverNumber);
    }
    editors_->showInformation(&viewport_, receiverNumber, record);
}

void CPanelActions::showEngineTrace(int receiverNumber) {
    control_.postToEngine(receiverNumber, kEvMonitorShowTrace, 0);
}

void CPanelActions::monitorMatrix() {
    if (!editors_) {
        return;
    }
    const std::array<int, kLayoutModeCount> before = fillCounts(display_);
    editors_->setMatrix(&viewport_, display_);
    const std::array<int, kLayoutModeCount> after = fillCounts(display_);
    if (before == after) {
        return;
    }
    programFlags().modified = 1;
    const int current = control_.layoutMode();
    const bool currentChanged =
        before[static_cast<size_t>(current)] != after[static_cast<size_t>(current)];
    if (currentChanged) {
        // Kept for when the operator comes back to this mode; the fit below replaces it now.
        control_.rememberWindowRect();
    }
    for (int mode = 0; mode < kLayoutModeCount; ++mode) {
        if (before[static_cast<size_t>(mode)] != after[static_cast<size_t>(mode)]) {
            control_.setFitFlag(mode, kFitWindow);
        }
    }
    if (currentChanged) {
        control_.renderer().resetValueCaches();
        control_.buildLayout(control_.monitoring() ? kTextColourWhite : kTextColourSilver);
        control_.renderer().drawMemoIcons(table_);
        control_.redraw();
        invalidate();
    }
}

void CPanelActions::idleRedraw() {
    control_.renderer().idleRedraw(table_);
}

void CPanelActions::invalidate() {
    viewport_.update();
}

} // namespace tessaly
