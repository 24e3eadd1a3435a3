#include "monitor/corvane_view.h"

#include "history/history_recorder.h"

#include "chrome/dlg_menu_panel.h"
#include "chrome/menu_commands.h"
#include "chrome/user_prompts.h"
#include "core/app_message.h"
#include "core/message_codes.h"
#include "monitor/dlg_alarm_journal.h"
#include "monitor/dlg_history.h"
#include "protocol/environment_file.h"
#include "protocol/program_flags.h"
#include "protocol/settings.h"
#include "show/alarm_settings.h"

#include <QCheckBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QEvent>
#include <QFile>
#include <QGuiApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QResizeEvent>
#include <QScreen>
#include <QScrollBar>
#include <QTimeEdit>
#include <QVBoxLayout>

#include <algorithm>

namespace tessaly {

namespace {

// Qt has no drawing context to fail apart from the image, so only the second of the two texts
// can occur.
constexpr const char* kNotEnoughMemoryText = "Not Enough Memory(2)";
constexpr int kTooltipMaxWidth = 240;
constexpr int kTooltipFontPixels = 14;
constexpr QPoint kTooltipOffset(4, 20); // below the pointer, clear of its tip
constexpr int kLineStepsPerContent = 100;
constexpr int kScrollBarExtent = 14;

// Scroll bars in the slate greys of the menu bar, so that they do not glare beside the panels.
QString darkScrollBarStyle() {
    return QStringLiteral(
               "QScrollBar { background: #181B20; border: none; margin: 0; }"
               "QScrollBar:vertical { width: %1px; }"
               "QScrollBar:horizontal { height: %1px; }"
               "QScrollBar::handle { background: #3A404B; border: 1px solid #4A515E;"
               " border-radius: 4px; }"
               "QScrollBar::handle:hover { background: #4A515E; }"
               "QScrollBar::handle:pressed { background: #2C60D2; border-color: #2C60D2; }"
               "QScrollBar::handle:vertical { min-height: 24px; margin: 2px 2px; }"
               "QScrollBar::handle:horizontal { min-width: 24px; margin: 2px 2px; }"
               "QScrollBar::add-line, QScrollBar::sub-line { width: 0; height: 0; border: none; }"
               "QScrollBar::add-page, QScrollBar::sub-page { background: none; }")
        .arg(kScrollBarExtent);
}
constexpr int kDefaultRefreshMs = 100;

// Copies the part of `source` inside `sourceRect` to `at`, leaving what lies beyond the image
// untouched.
void copyBlock(QPainter& painter, QPoint at, const QImage& source, const QRect& sourceRect) {
    const QRect clipped = sourceRect & source.rect();
    if (clipped.isEmpty()) {
        return;
    }
    painter.drawImage(at + (clipped.topLeft() - sourceRect.topLeft()), source, clipped);
}

MonitorEngineFactory defaultEngineFactory() {
    // comm/debug is read when an engine is made, after the settings were loaded.
    return [](int receiverNumber) {
        return programMonitorEngineFactory(programSettings().commDebug != 0)(receiverNumber);
    };
}

MonitorControlOptions controlOptions() {
    const Settings& settings = programSettings();
    MonitorControlOptions options;
    options.refreshIntervalMs =
        settings.monitorIntervalMs > 0 ? settings.monitorIntervalMs : kDefaultRefreshMs;
    options.nameDev = settings.monitorNameDev;
    options.show.settings = show::readAlarmSettingsFile(settings.filePath());
    options.show.journal.path = QString::fromStdString(options.show.settings.journal);
    options.show.journal.station = QString::fromStdString(options.show.settings.station);
    const history::HistorySettings history = history::readHistorySettingsFile(settings.filePath());
    options.show.history.path = QString::fromStdString(history.file);
    options.show.history.keepDays = history.keepDays;
    options.show.history.station = options.show.journal.station;
    return options;
}
} // namespace

CCorvaneView::CCorvaneView(QWidget* parent, MonitorEngineFactory engineFactory,
                           PanelPngLoader imageLoader, std::shared_ptr<IPanelEditors> panelEditors,
                           std::shared_ptr<IViewFileDialogs> fileDialogs,
                           std::shared_ptr<CUserPrompts> prompts)
    : QAbstractScrollArea(parent), prompts_(std::move(prompts)), renderer_(std::move(imageLoader)) {
    setFrameShape(QFrame::NoFrame);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    // Painting covers every pixel itself: no background erase.
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    viewport()->setAttribute(Qt::WA_NoSystemBackground);
    viewport()->setMouseTracking(true);
    QPalette black = viewport()->palette();
    black.setColor(QPalette::Window, Qt::black);
    viewport()->setPalette(black);
    horizontalScrollBar()->setStyleSheet(darkScrollBarStyle());
    verticalScrollBar()->setStyleSheet(darkScrollBarStyle());
    auto* corner = new QWidget(this);
    QPalette slate = corner->palette();
    slate.setColor(QPalette::Window, QColor(0x18, 0x1B, 0x20));
    corner->setPalette(slate);
    corner->setAutoFillBackground(true);
    setCornerWidget(corner);

    control_ = std::make_unique<CMonitorControl>(
        renderer_, static_cast<IMonitorHost&>(*this), programReceiverTable(),
        programMonitorValues(), displayState(),
        engineFactory ? std::move(engineFactory) : defaultEngineFactory(), controlOptions());
    fileActions_ = std::make_unique<CViewFileActions>(
        *this, *control_, programReceiverTable(), displayState(), std::move(fileDialogs), prompts_);
    panelActions_ =
        std::make_unique<CPanelActions>(*viewport(), *control_, programReceiverTable(),
                                        displayState(), std::move(panelEditors), prompts_);

    tooltip_ = new QLabel(this, Qt::ToolTip | Qt::FramelessWindowHint);
    QFont tipFont(QStringLiteral("DejaVu Sans"));
    tipFont.setPixelSize(kTooltipFontPixels);
    tipFont.setWeight(QFont::Normal);
    tooltip_->setFont(tipFont);
    tooltip_->setStyleSheet(QStringLiteral(
        "QLabel { background-color: #FFFF00; color: #000000; border: 1px solid #000000; "
        "padding: 2px; }"));
    tooltip_->hide();

    CShowWatch& watch = control_->show();
    connect(&watch, &CShowWatch::alarmsChanged, this,
            [this] { emit alarmCountChanged(control_->show().unacknowledgedCount()); });
    connect(&watch, &CShowWatch::journalFailed, this, [this](const QString& text) {
        if (!journalFailureSaid_) {
            journalFailureSaid_ = true;
            prompts_->messageBox(this, QString::fromLatin1(kJournalFailedText).arg(text),
                                 PromptButtons::Ok, PromptIcon::Exclamation);
        }
    });
    connect(&watch, &CShowWatch::historyFailed, this, [this](const QString& text) {
        if (!historyFailureSaid_) {
            historyFailureSaid_ = true;
            prompts_->messageBox(this, text, PromptButtons::Ok, PromptIcon::Exclamation);
        }
    });
    panelMenu_ = new CDlgMenuPanel(this);
}

CCorvaneView::~CCorvaneView() {
    hideTooltip();
    control_.reset(); // stops and ends the engines
}

void CCorvaneView::onInitialUpdate() {
    const QScreen* screen = window()->screen();
    if (screen == nullptr) {
        screen = QGuiApplication::primaryScreen();
    }
    const QSize screenSize = screen != nullptr ? screen->size() : QSize(1920, 1080);
    fileActions_->initialUpdate(programSettings().defaultFreqText);
    panelActions_->setDebug(programSettings().commDebug != 0);
    control_->initialUpdate(screenSize);
    paintBuffer_ = QImage(screenSize, QImage::Format_RGB32);
    viewport()->update();
}

bool CCorvaneView::openEnvironmentFile(const QString& path) {
    return fileActions_->openEnvironment(path);
}

QPoint CCorvaneView::scrollPosition() const {
    return {horizontalScrollBar()->value(), verticalScrollBar()->value()};
}

bool CCorvaneView::event(QEvent* event) {
    if (const AppMessage* message = AppMessage::from(event)) {
        // sendAppMessage hands this result back to the frame.
        return onCommand(message->code(), static_cast<int>(message->value()), message->payload());
    }
    return QAbstractScrollArea::event(event);
}

bool CCorvaneView::onCommand(int code, int value, const QString& path) {
    bool done = true;
    if (code == kEvMainWindowMoved) {
        updateScrollRanges(); // more or less of the view may now lie beyond the work area
    }
    if (code == kCmdMonitorMatrix) {
        panelActions_->monitorMatrix();
    } else if (code == kCmdHistory) {
        showHistory(value);
    } else if (code >= kCmdAlarmJournal && code <= kCmdPanelUnsilence) {
        panelCommand(code, value);
    } else if (fileActions_->handleCommand(code, path, &done)) {
        // The show end travels with the environment file.
        if (done && code == kCmdOpenEnvironment) {
            const auto minutes = show::parseShowEnd(readShowEnd(path.toStdString()));
            control_->show().setShowEnd(minutes);
        } else if (done && code == kCmdSaveEnvironment && control_->show().showEnd()) {
            writeShowEnd(path.toStdString(), show::showEndText(*control_->show().showEnd()));
        }
    } else {
        control_->handleCommand(code, value);
    }
    return done;
}

void CCorvaneView::panelCommand(int code, int value) {
    const int receiver = panelMenu_ != nullptr ? panelMenu_->receiverNumber() : 0;
    CShowWatch& watch = control_->show();
    switch (code) {
    case kCmdAlarmJournal:
        showAlarmJournal(value);
        break;
    case kCmdShowEndTime:
        editShowEndTime();
        break;
    case kCmdPanelAcknowledge:
        if (receiver > 0) { // 0 would acknowledge every receiver's alarms
            watch.acknowledgeAll(receiver);
        }
        break;
    case kCmdPanelSilence:
        if (receiver > 0) {
            watch.silence(receiver, value > 0 ? std::optional<int>(value) : std::nullopt);
        }
        break;
    case kCmdPanelUnsilence:
        if (receiver > 0) {
            watch.unsilence(receiver);
        }
        break;
    default:
        break;
    }
    emit alarmCountChanged(watch.unacknowledgedCount());
}

void CCorvaneView::showAlarmJournal(int receiver) {
    if (journalWindow_ == nullptr) {
        journalWindow_ = new CDlgAlarmJournal(control_->show(), this, prompts_);
        connect(journalWindow_, &CDlgAlarmJournal::historyRequested, this,
                [this](int receiver, int64_t atMs) {
                    showHistory(receiver, atMs > 0 ? std::optional(atMs) : std::nullopt);
                });
    }
    journalWindow_->showFor(receiver);
}

void CCorvaneView::showHistory(int receiver, std::optional<int64_t> atMs) {
    if (historyWindow_ == nullptr) {
        HistoryWindowOptions options;
        // The file the show watch records into ([history] file= or today's), and the journal
        // whose alarms are marked.
        options.recordedFile = [this] { return control_->show().historyPath(); };
        options.journalFile = QString::fromStdString(
            show::readAlarmSettingsFile(programSettings().filePath()).journal);
        historyWindow_ = new CDlgHistory(options, this, prompts_);
    }
    historyWindow_->showFor(receiver, atMs);
}

void CCorvaneView::editShowEndTime() {
    QDialog dialog(this);
    dialog.setWindowTitle(QString::fromLatin1(kShowEndTimeTitle));
    auto* time = new QTimeEdit(&dialog);
    time->setDisplayFormat(QStringLiteral("HH:mm"));
    auto* none = new QCheckBox(QStringLiteral("No end time"), &dialog);
    const std::optional<int> current = control_->show().showEnd();
    time->setTime(current ? QTime(*current / 60, *current % 60) : QTime(23, 0));
    none->setChecked(!current);
    time->setEnabled(current.has_value());
    connect(none, &QCheckBox::toggled, time, [time](bool on) { time->setEnabled(!on); });
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    auto* layout = new QVBoxLayout(&dialog);
    layout->addWidget(new QLabel(QStringLiteral("Batteries should last until:"), &dialog));
    layout->addWidget(time);
    layout->addWidget(none);
    layout->addWidget(buttons);
    if (dialog.exec() != QDialog::Accepted) {
        return;
    }
    setShowEnd(none->isChecked()
                   ? std::nullopt
                   : std::optional<int>(time->time().hour() * 60 + time->time().minute()));
}

void CCorvaneView::setShowEnd(std::optional<int> minutesOfDay) {
    control_->show().setShowEnd(minutesOfDay);
    const std::string& path = currentEnvironmentPath();
    if (!path.empty()) {
        writeShowEnd(path, minutesOfDay ? show::showEndText(*minutesOfDay) : std::string());
    } else {
        programFlags().modified = 1; // kept on the next save
    }
}

QPoint CCorvaneView::contentShift() const {
    if (renderer_.layoutMode() == kLayoutLargeVertical) {
        return {renderer_.stripSize().width(), 0};
    }
    if (renderer_.layoutMode() == kLayoutLargeHorizontal) {
        return {0, renderer_.stripSize().height()};
    }
    return {};
}

int CCorvaneView::panelAt(QPoint clientPoint) const {
    if (!control_->layoutReady()) {
        return 0;
    }
    const QPoint point = clientPoint + scrollPosition() - contentShift();
    for (int n = 1; n <= renderer_.receiverCount(); ++n) {
        if (QRect(renderer_.panel(n).origin, renderer_.panelSize()).contains(point)) {
            return n;
        }
    }
    return 0;
}

int CCorvaneView::alarmLabelAt(QPoint clientPoint) const {
    const int n = panelAt(clientPoint);
    if (n == 0 || control_->show().panelState(n).label.isEmpty()) {
        return 0;
    }
    const QPoint point = clientPoint + scrollPosition() - contentShift();
    const QRect label =
        panelLabelRect(renderer_.layoutMode()).translated(renderer_.panel(n).origin);
    return label.contains(point) ? n : 0;
}

void CCorvaneView::openPanelMenu(int receiver, QPoint screenPos) {
    if (receiver == 0) {
        return;
    }
    const CShowWatch& watch = control_->show();
    panelMenu_->setReceiverNumber(receiver);
    panelMenu_->updateStates(watch.hasUnacknowledged(receiver),
                             watch.model().receiver(receiver).silenced);
    panelMenu_->popUpAt(screenPos);
}

bool CCorvaneView::viewportEvent(QEvent* event) {
    switch (event->type()) {
    case QEvent::MouseMove:
        mouseMoved(static_cast<QMouseEvent*>(event)->position().toPoint());
        break;
    case QEvent::Leave:
        tooltip_->hide();
        break;
    case QEvent::MouseButtonPress: {
        const auto* press = static_cast<QMouseEvent*>(event);
        const QPoint at = press->position().toPoint();
        if (press->button() == Qt::RightButton) {
            openPanelMenu(panelAt(at), viewport()->mapToGlobal(at));
            break;
        }
        if (press->button() == Qt::LeftButton && alarmLabelAt(at) != 0) {
            showAlarmJournal(alarmLabelAt(at));
            break;
        }
        if (press->button() == Qt::LeftButton) {
            panelActions_->leftButtonDown(press->position().toPoint(), scrollPosition());
        }
        break;
    }
    default:
        break;
    }
    return QAbstractScrollArea::viewportEvent(event);
}

void CCorvaneView::mouseMoved(QPoint clientPoint) {
    const TooltipChange change = control_->mouseMoved(clientPoint, scrollPosition());
    if (change.kind == TooltipChange::Hide) {
        hideTooltip();
    } else if (change.kind == TooltipChange::Show) {
        showTooltipText(change.text);
        tooltip_->move(viewport()->mapToGlobal(clientPoint) + kTooltipOffset);
        tooltip_->show();
        tooltip_->raise();
    }
}

void CCorvaneView::showTooltipText(const QString& text) {
    // One line when the text fits, wrapped at the maximum width otherwise. The label measures
    // itself, so its border, padding and indent are part of the width it asks for.
    tooltip_->setWordWrap(false);
    tooltip_->setMinimumSize(0, 0);
    tooltip_->setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    tooltip_->setText(text);
    const QSize oneLine = tooltip_->sizeHint();
    if (oneLine.width() <= kTooltipMaxWidth) {
        tooltip_->setFixedSize(oneLine);
        return;
    }
    tooltip_->setWordWrap(true);
    tooltip_->setFixedWidth(kTooltipMaxWidth);
    tooltip_->setFixedHeight(tooltip_->heightForWidth(kTooltipMaxWidth));
}

const QLabel& CCorvaneView::tooltip() const {
    return *tooltip_;
}

void CCorvaneView::hideTooltip() {
    if (tooltip_ != nullptr) {
        tooltip_->hide();
        tooltip_->clear();
    }
}

void CCorvaneView::paintBlocks(QPainter& painter, QSize client) {
    const QPoint scroll = scrollPosition();
    const QImage& content = renderer_.contentImage();
    const QImage& strip = renderer_.stripImage();
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    switch (renderer_.layoutMode()) {
    case kLayoutLargeVertical: {
        // The strip scrolls only vertically.
        const int stripWidth = renderer_.stripSize().width();
        copyBlock(painter, {0, 0}, strip, QRect(0, scroll.y(), stripWidth, client.height()));
        copyBlock(painter, {stripWidth, 0}, content,
                  QRect(scroll, QSize(client.width() - stripWidth, client.height())));
        break;
    }
    case kLayoutLargeHorizontal: {
        // The strip scrolls only horizontally.
        const int stripHeight = renderer_.stripSize().height();
        copyBlock(painter, {0, 0}, strip, QRect(scroll.x(), 0, client.width(), stripHeight));
        copyBlock(painter, {0, stripHeight}, content,
                  QRect(scroll, QSize(client.width(), client.height() - stripHeight)));
        break;
    }
    default:
        copyBlock(painter, {0, 0}, content, QRect(scroll, client));
        break;
    }
}

void CCorvaneView::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(viewport());
    const QSize client = viewport()->size();
    if (!control_->layoutReady() || renderer_.contentImage().isNull()) {
        painter.fillRect(QRect(QPoint(), client), Qt::black);
        return;
    }
    // A wide layout's content image is at least screen-sized: straight copies cover the window.
    // Narrow layouts (and a window larger than the screen) leave part of the window beyond the
    // content image, which the buffer makes black.
    const QPoint scroll = scrollPosition();
    QSize covered = renderer_.contentImage().size() - QSize(scroll.x(), scroll.y());
    if (renderer_.layoutMode() == kLayoutLargeVertical) {
        covered.rwidth() += renderer_.stripSize().width();
    } else if (renderer_.layoutMode() == kLayoutLargeHorizontal) {
        covered.rheight() += renderer_.stripSize().height();
    }
    if (renderer_.wide() && covered.width() >= client.width() &&
        covered.height() >= client.height()) {
        paintBlocks(painter, client);
        return;
    }
    if (paintBuffer_.width() < client.width() || paintBuffer_.height() < client.height()) {
        paintBuffer_ = QImage(client.expandedTo(paintBuffer_.size()), QImage::Format_RGB32);
    }
    {
        QPainter buffer(&paintBuffer_);
        buffer.fillRect(QRect(QPoint(), client), Qt::black);
        paintBlocks(buffer, client);
    }
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.drawImage(QPoint(0, 0), paintBuffer_, QRect(QPoint(), client));
}

void CCorvaneView::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    updateScrollRanges();
    if (control_->initialised() && event->size().width() != 0 && event->size().height() != 0) {
        control_->rememberWindowRect();
    }
}

void CCorvaneView::scrollContentsBy(int /*dx*/, int /*dy*/) {
    viewport()->update();
}

QSize CCorvaneView::hiddenBeyondWorkArea() const {
    const QScreen* screen = window()->screen();
    if (!hasMainWindow() || screen == nullptr || !window()->isVisible()) {
        return {};
    }
    const QRect work = screen->availableGeometry();
    const QRect shown(viewport()->mapToGlobal(QPoint(0, 0)), viewport()->size());
    return {std::max(0, shown.right() - work.right()), std::max(0, shown.bottom() - work.bottom())};
}

void CCorvaneView::updateScrollRanges() {
    const QSize content = renderer_.contentSize();
    // A window fitted to the work area's height but placed below its top reaches past it: the
    // scroll range grows by what cannot be seen, so that the last panel can be shown whole.
    const QSize page = viewport()->size() - hiddenBeyondWorkArea();
    QScrollBar* horizontal = horizontalScrollBar();
    QScrollBar* vertical = verticalScrollBar();
    horizontal->setRange(0, std::max(0, content.width() - page.width()));
    horizontal->setPageStep(std::max(1, page.width()));
    horizontal->setSingleStep(std::max(1, content.width() / kLineStepsPerContent));
    vertical->setRange(0, std::max(0, content.height() - page.height()));
    vertical->setPageStep(std::max(1, page.height()));
    vertical->setSingleStep(std::max(1, content.height() / kLineStepsPerContent));
}

void CCorvaneView::imageCreationFailed() {
    prompts_->messageBox(this, QString::fromLatin1(kNotEnoughMemoryText), PromptButtons::Ok,
                         PromptIcon::Exclamation);
}

void CCorvaneView::layoutBuilt() {
    updateScrollRanges();
    viewport()->update();
}

void CCorvaneView::invalidate() {
    viewport()->update();
}

void CCorvaneView::scrollToOrigin() {
    horizontalScrollBar()->setValue(0);
    verticalScrollBar()->setValue(0);
}

bool CCorvaneView::hasMainWindow() const {
    const QWidget* main = window();
    return main != nullptr && main != this;
}

bool CCorvaneView::mainWindowMaximised() const {
    return window()->isMaximized();
}

QRect CCorvaneView::mainWindowRect() const {
    return window()->frameGeometry();
}

void CCorvaneView::placeMainWindow(const QRect& outer) {
    QWidget* main = window();
    const QSize frame = main->frameGeometry().size() - main->size();
    main->move(outer.topLeft());
    main->resize((outer.size() - frame).expandedTo(QSize(1, 1)));
}

void CCorvaneView::resizeMainWindow(QSize outer) {
    QWidget* main = window();
    const QSize frame = main->frameGeometry().size() - main->size();
    main->resize((outer - frame).expandedTo(QSize(1, 1)));
}

PlatformMetrics CCorvaneView::platformMetrics() const {
    const QWidget* main = window();
    const QRect outer = main->frameGeometry();
    const QRect inner = main->geometry();
    PlatformMetrics metrics;
    metrics.sizingFrameWidth = std::max(0, inner.left() - outer.left());
    metrics.sizingFrameHeight = std::max(0, outer.bottom() - inner.bottom());
    metrics.captionHeight = std::max(0, inner.top() - outer.top() - metrics.sizingFrameHeight);
    metrics.verticalScrollBarWidth = verticalScrollBar()->sizeHint().width();
    metrics.horizontalScrollBarHeight = horizontalScrollBar()->sizeHint().height();
    const QScreen* screen = main->screen();
    if (screen != nullptr) {
        metrics.dpiY = static_cast<int>(screen->logicalDotsPerInchY());
        metrics.screen = screen->size();
        metrics.workArea = screen->availableGeometry().size();
    }
    return metrics;
}

} // namespace tessaly
