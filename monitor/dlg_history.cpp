#include "monitor/dlg_history.h"

#include "chrome/user_prompts.h"
#include "history/history_csv.h"
#include "history/history_file.h"
#include "journal/alarm_journal.h"
#include "monitor/dlg_alarm_journal.h"
#include "monitor/history_chart_view.h"
#include "monitor/history_file_source.h"

#include <QCheckBox>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPainter>
#include <QPushButton>
#include <QSaveFile>
#include <QScrollArea>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace tessaly {

namespace {

const QSize kInitialSize(1400, 860);
constexpr int kReceiverListWidth = 190;
constexpr int64_t kMinSpanMs = 20 * 1000;          // zoomed in no further than 20 s across
constexpr int64_t kAroundAlarmMs = 10 * 60 * 1000; // opened for an alarm: ten minutes around it
// The view follows the recording while its end lies this close to the last second.
constexpr int64_t kFollowSlackMs = 5000;

QString timeText(int64_t wallMs) {
    return QDateTime::fromMSecsSinceEpoch(wallMs).toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

QString dbText(double value) {
    return QString::number(value, 'f', 1);
}

QString receiverText(const HistoryTrack& track) {
    return track.name.trimmed().isEmpty()
               ? QStringLiteral("Rx %1").arg(track.receiver)
               : QStringLiteral("Rx %1  %2").arg(track.receiver).arg(track.name.trimmed());
}

QString legendHtml() {
    QString html;
    const QString dashes[] = {
        QStringLiteral("\u2501\u2501\u2501"), QStringLiteral("\u2505\u2505\u2505"),
        QStringLiteral("\u2500\u2500\u2500"), QStringLiteral("\u2501\u2501\u2501")};
    for (int c = 0; c < kHistoryCurveCount; ++c) {
        const HistoryCurveStyle& style = historyCurveStyle(static_cast<HistoryCurve>(c));
        html += QStringLiteral("<span style='color:%1'><b>%2</b></span> %3 &nbsp;&nbsp; ")
                    .arg(style.colour.name(), dashes[c], QString::fromLatin1(style.name));
    }
    html += QStringLiteral("<span style='color:#c81e1e'>////</span> critical alarm &nbsp;&nbsp; "
                           "<span style='color:#d78c00'>\\\\\\\\</span> warning alarm, "
                           "named at the top");
    return html;
}

} // namespace

CDlgHistory::CDlgHistory(HistoryWindowOptions options, QWidget* parent,
                         std::shared_ptr<CUserPrompts> prompts)
    : QWidget(parent, Qt::Window), options_(std::move(options)), prompts_(std::move(prompts)) {
    setWindowTitle(QString::fromLatin1(kHistoryTitle));

    auto* open = new QPushButton(QStringLiteral("Open\u2026"), this);
    whole_ = new QPushButton(QStringLiteral("Whole show"), this);
    follow_ = new QCheckBox(QStringLiteral("Follow live"), this);
    follow_->setChecked(true);
    follow_->setToolTip(QStringLiteral("While the view shows the end of today's recording, "
                                       "it moves on with the new seconds"));
    auto* exportPng = new QPushButton(QStringLiteral("Export PNG"), this);
    auto* exportCsv = new QPushButton(QStringLiteral("Export CSV"), this);
    fileLabel_ = new QLabel(this);
    fileLabel_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    spanLabel_ = new QLabel(this);
    legend_ = new QLabel(legendHtml(), this);
    readout_ = new QLabel(this);
    readout_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    QFont mono(QStringLiteral("DejaVu Sans Mono"));
    mono.setPixelSize(12);
    readout_->setFont(mono);
    readout_->setMinimumHeight(QFontMetrics(mono).height() * 3);
    readout_->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    receiverList_ = new QListWidget(this);
    receiverList_->setFixedWidth(kReceiverListWidth);
    receiverList_->setToolTip(QStringLiteral("Tick the receivers to compare"));

    chartsBox_ = new QWidget;
    chartsLayout_ = new QVBoxLayout(chartsBox_);
    chartsLayout_->setContentsMargins(0, 0, 0, 0);
    chartsLayout_->setSpacing(2);
    scroll_ = new QScrollArea(this);
    scroll_->setWidgetResizable(true);
    scroll_->setWidget(chartsBox_);

    auto* bar = new QHBoxLayout;
    bar->addWidget(open);
    bar->addWidget(fileLabel_, 1);
    bar->addWidget(whole_);
    bar->addWidget(follow_);
    bar->addSpacing(16);
    bar->addWidget(exportPng);
    bar->addWidget(exportCsv);
    auto* left = new QVBoxLayout;
    left->addWidget(new QLabel(QStringLiteral("Receivers"), this));
    left->addWidget(receiverList_, 1);
    auto* middle = new QHBoxLayout;
    middle->addLayout(left);
    middle->addWidget(scroll_, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(bar);
    layout->addWidget(spanLabel_);
    layout->addWidget(legend_);
    layout->addLayout(middle, 1);
    layout->addWidget(readout_);
    resize(kInitialSize);

    connect(open, &QPushButton::clicked, this, &CDlgHistory::onOpen);
    connect(whole_, &QPushButton::clicked, this, &CDlgHistory::showWholeShow);
    connect(exportPng, &QPushButton::clicked, this, &CDlgHistory::onExportPng);
    connect(exportCsv, &QPushButton::clicked, this, &CDlgHistory::onExportCsv);
    connect(receiverList_, &QListWidget::itemChanged, this, [this] { rebuildCharts(); });
    liveTimer_.setInterval(options_.liveRefreshMs);
    connect(&liveTimer_, &QTimer::timeout, this, [this] {
        if (!isVisible() || !follow_->isChecked()) {
            return;
        }
        if (source_ == nullptr && show_.empty()) {
            // Opened before anything was recorded: take the file once the recorder made it.
            openFile(currentHistoryPath());
        } else if (show_.path == currentHistoryPath()) {
            refreshLive();
        }
    });
}

CDlgHistory::~CDlgHistory() = default;

QString CDlgHistory::currentHistoryPath() const {
    if (options_.recordedFile) {
        return options_.recordedFile();
    }
    if (!options_.historyFile.isEmpty()) {
        return options_.historyFile;
    }
    const QString directory =
        options_.historyDirectory.isEmpty() ? journalDirectory() : options_.historyDirectory;
    return history::dailyHistoryPath(directory, QDate::currentDate());
}

QString CDlgHistory::journalPathFor(QDate date) const {
    if (!options_.journalFile.isEmpty()) {
        return options_.journalFile;
    }
    return dailyJournalPath(
        options_.journalDirectory.isEmpty() ? journalDirectory() : options_.journalDirectory, date);
}

void CDlgHistory::showFor(int receiver, std::optional<int64_t> atMs) {
    if (!opened_) {
        opened_ = true;
        QString error;
        if (!openFile(currentHistoryPath(), &error)) {
            fileLabel_->setText(QStringLiteral("%1: %2").arg(
                QDir::toNativeSeparators(currentHistoryPath()), error));
        }
    }
    if (receiver > 0 && show_.tracks.count(receiver) != 0) {
        setReceiverShown(receiver, true);
    }
    if (atMs) {
        setVisibleRange(*atMs - kAroundAlarmMs / 2, *atMs + kAroundAlarmMs / 2);
    }
    QWidget::show();
    raise();
    activateWindow();
    liveTimer_.start();
}

bool CDlgHistory::openFile(const QString& path, QString* error) {
    auto source = std::make_unique<HistoryFileSource>();
    HistoryShow loaded;
    if (!source->open(path, loaded, error)) {
        return false;
    }
    if (!loaded.empty()) {
        const JournalReadResult journal =
            readJournal(journalPathFor(QDateTime::fromMSecsSinceEpoch(loaded.span().first).date()));
        loaded.alarms = alarmMarksFromJournal(journal.entries);
    }
    source_ = std::move(source);
    adoptShow(std::move(loaded));
    return true;
}

void CDlgHistory::setShow(HistoryShow show) {
    source_.reset();
    for (auto& [receiver, track] : show.tracks) {
        track.loaded = true;
    }
    adoptShow(std::move(show));
}

void CDlgHistory::adoptShow(HistoryShow show) {
    const std::vector<int> wasShown = shownReceivers();
    show_ = std::move(show);
    opened_ = true;
    fileLabel_->setText(QDir::toNativeSeparators(show_.path));
    rebuildReceiverList();
    // Keep the receivers that were shown; a fresh window shows the first few.
    bool any = false;
    for (int receiver : wasShown) {
        if (show_.tracks.count(receiver) != 0) {
            setReceiverShown(receiver, true);
            any = true;
        }
    }
    for (int i = 0; !any && i < receiverList_->count() && i < options_.shownAtOpen; ++i) {
        receiverList_->item(i)->setCheckState(Qt::Checked);
    }
    rebuildCharts();
    showWholeShow();
}

void CDlgHistory::rebuildReceiverList() {
    const QSignalBlocker block(receiverList_);
    receiverList_->clear();
    for (const auto& [receiver, track] : show_.tracks) {
        auto* item = new QListWidgetItem(receiverText(track), receiverList_);
        item->setData(Qt::UserRole, receiver);
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable);
        item->setCheckState(Qt::Unchecked);
    }
}

std::vector<int> CDlgHistory::receivers() const {
    std::vector<int> out;
    for (const auto& [receiver, track] : show_.tracks) {
        out.push_back(receiver);
    }
    return out;
}

std::vector<int> CDlgHistory::shownReceivers() const {
    std::vector<int> out;
    for (int i = 0; i < receiverList_->count(); ++i) {
        if (receiverList_->item(i)->checkState() == Qt::Checked) {
            out.push_back(receiverList_->item(i)->data(Qt::UserRole).toInt());
        }
    }
    return out;
}

void CDlgHistory::setReceiverShown(int receiver, bool shown) {
    for (int i = 0; i < receiverList_->count(); ++i) {
        QListWidgetItem* item = receiverList_->item(i);
        if (item->data(Qt::UserRole).toInt() == receiver) {
            item->setCheckState(shown ? Qt::Checked : Qt::Unchecked); // rebuilds the charts
            if (shown) {
                receiverList_->scrollToItem(item);
            }
        }
    }
}

void CDlgHistory::rebuildCharts() {
    const std::vector<int> shown = shownReceivers();
    // Reuse the chart views in order; their series pools stay.
    while (charts_.size() > shown.size()) {
        delete charts_.back();
        charts_.pop_back();
    }
    while (charts_.size() < shown.size()) {
        auto* chart = new CHistoryChartView(chartsBox_);
        chartsLayout_->addWidget(chart);
        connect(chart, &CHistoryChartView::zoomRequested, this, &CDlgHistory::zoom);
        connect(chart, &CHistoryChartView::panRequested, this, &CDlgHistory::pan);
        connect(chart, &CHistoryChartView::cursorMoved, this,
                [this](int64_t wallMs) { setCursorTime(wallMs); });
        charts_.push_back(chart);
    }
    for (size_t i = 0; i < shown.size(); ++i) {
        HistoryTrack& track = show_.tracks.at(shown[i]);
        if (source_ != nullptr && !source_->load(track)) {
            fileLabel_->setText(QStringLiteral("%1: Rx %2 could not be read")
                                    .arg(QDir::toNativeSeparators(show_.path))
                                    .arg(track.receiver));
        }
        std::vector<HistoryAlarmMark> marks;
        for (const HistoryAlarmMark& mark : show_.alarms) {
            if (mark.receiver == track.receiver) {
                marks.push_back(mark);
            }
        }
        charts_[i]->setTrack(&track, std::move(marks));
        charts_[i]->setRange(fromMs_, toMs_);
        charts_[i]->setCursorTime(cursorMs_);
    }
    setCursorTime(cursorMs_);
}

void CDlgHistory::setVisibleRange(int64_t fromMs, int64_t toMs) {
    const auto [first, last] = show_.span();
    const int64_t whole = std::max<int64_t>(last - first, kMinSpanMs);
    int64_t span = std::clamp<int64_t>(toMs - fromMs, kMinSpanMs, whole);
    // Kept within the show: a range past either end slides back in.
    fromMs = std::clamp<int64_t>(fromMs, first, std::max(first, first + whole - span));
    fromMs_ = fromMs;
    toMs_ = fromMs + span;
    applyRange();
}

void CDlgHistory::zoom(int64_t aroundMs, double factor) {
    const double span = double(toMs_ - fromMs_) * factor;
    const double share =
        toMs_ > fromMs_ ? double(aroundMs - fromMs_) / double(toMs_ - fromMs_) : 0.5;
    const int64_t from = aroundMs - int64_t(std::llround(span * share));
    setVisibleRange(from, from + int64_t(std::llround(span)));
}

void CDlgHistory::pan(int64_t deltaMs) {
    setVisibleRange(fromMs_ + deltaMs, toMs_ + deltaMs);
}

void CDlgHistory::showWholeShow() {
    const auto [first, last] = show_.span();
    setVisibleRange(first, last);
}

void CDlgHistory::applyRange() {
    for (CHistoryChartView* chart : charts_) {
        chart->setRange(fromMs_, toMs_);
    }
    updateSpanText();
}

void CDlgHistory::updateSpanText() {
    if (show_.empty()) {
        spanLabel_->setText(QStringLiteral("No seconds recorded in this file."));
        return;
    }
    const auto [first, last] = show_.span();
    spanLabel_->setText(QStringLiteral("Show %1 to %2 (%3 receivers, %4 alarms).  Shown: %5 to "
                                       "%6.  Wheel zooms, drag pans.")
                            .arg(timeText(first), timeText(last))
                            .arg(show_.tracks.size())
                            .arg(show_.alarms.size())
                            .arg(timeText(fromMs_), timeText(toMs_)));
}

void CDlgHistory::setCursorTime(std::optional<int64_t> wallMs) {
    cursorMs_ = wallMs;
    for (CHistoryChartView* chart : charts_) {
        chart->setCursorTime(wallMs);
    }
    readout_->setText(cursorText());
}

QString CDlgHistory::cursorText() const {
    if (!cursorMs_) {
        return QStringLiteral("Point at a chart to read its values.");
    }
    QStringList lines{timeText(*cursorMs_)};
    for (int receiver : shownReceivers()) {
        const HistoryTrack& track = show_.tracks.at(receiver);
        const HistorySecond* second = secondAt(track, *cursorMs_);
        QString line = QStringLiteral("Rx %1: ").arg(receiver, 2);
        if (second == nullptr) {
            line += QStringLiteral("not recorded");
        } else if (!second->live) {
            line += QStringLiteral("no data");
        } else {
            line += QStringLiteral("RF A %1..%2 dBm  RF B %3..%4 dBm  AF %5 dB  Battery %6%7")
                        .arg(dbText(second->rfAMin), dbText(second->rfAMax), dbText(second->rfBMin),
                             dbText(second->rfBMax), dbText(second->afMax))
                        .arg(second->battery < 0 ? QStringLiteral("-")
                                                 : QString::number(second->battery))
                        .arg(second->muted ? QStringLiteral("  muted") : QString());
        }
        for (const HistoryAlarmMark& mark : show_.alarms) {
            if (mark.receiver == receiver && mark.startMs <= *cursorMs_ &&
                (!mark.clearMs || *mark.clearMs >= *cursorMs_)) {
                line += QStringLiteral("  [%1]").arg(mark.label);
            }
        }
        lines << line;
    }
    return lines.join(QLatin1Char('\n'));
}

bool CDlgHistory::csvText(QByteArray& text) const {
    text = history::historyCsvHeader();
    for (int receiver : shownReceivers()) {
        const HistoryTrack& track = show_.tracks.at(receiver);
        std::vector<history::HistoryRow> rows;
        if (source_ != nullptr) {
            if (!source_->rows(receiver, fromMs_, toMs_, rows)) {
                return false;
            }
        } else {
            for (const HistorySecond& second : track.seconds) {
                if (second.wallMs >= fromMs_ && second.wallMs <= toMs_) {
                    rows.push_back(historyRow(second, receiver));
                }
            }
        }
        for (const history::HistoryRow& row : rows) {
            text += history::historyCsvLine(row, track.name);
        }
    }
    return true;
}

bool CDlgHistory::exportCsv(const QString& path, QString* error) const {
    QByteArray text;
    if (!csvText(text)) {
        if (error != nullptr) {
            *error = QStringLiteral("the history file could not be read");
        }
        return false;
    }
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(text) != text.size() || !file.commit()) {
        if (error != nullptr) {
            *error = file.errorString();
        }
        return false;
    }
    return true;
}

QImage CDlgHistory::chartsImage() const {
    return chartsBox_->grab().toImage();
}

bool CDlgHistory::exportPng(const QString& path, QString* error) const {
    // The image is written whole to a temporary and renamed, as the CSV is.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || !chartsImage().save(&file, "PNG") || !file.commit()) {
        if (error != nullptr) {
            *error = file.errorString().isEmpty() ? QStringLiteral("the image could not be written")
                                                  : file.errorString();
        }
        return false;
    }
    return true;
}

bool CDlgHistory::following() const {
    const auto [first, last] = show_.span();
    return follow_->isChecked() && toMs_ >= last - kFollowSlackMs;
}

bool CDlgHistory::refreshLive() {
    const bool follow = following();
    const auto [first, last] = show_.span();
    const size_t trackCount = show_.tracks.size();
    if (source_ == nullptr || !source_->readNew(show_)) {
        return false;
    }
    const auto [newFirst, newLast] = show_.span();
    if (newLast == last && trackCount == show_.tracks.size()) {
        return true;
    }
    const JournalReadResult journal =
        readJournal(journalPathFor(QDateTime::fromMSecsSinceEpoch(newFirst).date()));
    show_.alarms = alarmMarksFromJournal(journal.entries);
    if (trackCount != show_.tracks.size()) {
        const std::vector<int> shown = shownReceivers();
        rebuildReceiverList();
        for (int receiver : shown) {
            setReceiverShown(receiver, true);
        }
    }
    rebuildCharts();
    if (follow) {
        const int64_t span = toMs_ - fromMs_;
        setVisibleRange(newLast - span, newLast);
    } else {
        updateSpanText();
    }
    return true;
}

void CDlgHistory::say(const QString& text) {
    prompts_->messageBox(this, text, PromptButtons::Ok, PromptIcon::Exclamation);
}

void CDlgHistory::onOpen() {
    const QString path = prompts_->openFileName(this, QString::fromLatin1(kHistoryOpenTitle),
                                                QString::fromLatin1(kHistoryFileFilter));
    if (path.isEmpty()) {
        return;
    }
    QString error;
    if (!openFile(path, &error)) {
        say(QStringLiteral("Could not read %1: %2").arg(path, error));
    }
}

void CDlgHistory::onExportCsv() {
    const QString path =
        prompts_->saveFileName(this, QString::fromLatin1(kExportCsvTitle), QStringLiteral("csv"),
                               QString::fromLatin1(kCsvFileFilter));
    QString error;
    if (!path.isEmpty() && !exportCsv(path, &error)) {
        say(QStringLiteral("Could not write %1: %2").arg(path, error));
    }
}

void CDlgHistory::onExportPng() {
    const QString path =
        prompts_->saveFileName(this, QString::fromLatin1(kExportPngTitle), QStringLiteral("png"),
                               QString::fromLatin1(kPngFileFilter));
    QString error;
    if (!path.isEmpty() && !exportPng(path, &error)) {
        say(QStringLiteral("Could not write %1: %2").arg(path, error));
    }
}

} // namespace tessaly
