#include "monitor/show_watch.h"

#include "comm/show_observation.h"
#include "monitor/monitor_engine_table.h"
#include "monitor/panel_renderer.h"

#include <QDate>
#include <QMetaObject>

#include <algorithm>

namespace tessaly {

namespace {

constexpr int64_t kMinuteMs = 60 * 1000;

// What a panel last drew, as far as an overlay on top of it cares.
bool sameDrawing(const PanelValueCache& a, const PanelValueCache& b) {
    return a.commState == b.commState && a.rfLevelA == b.rfLevelA && a.rfLevelB == b.rfLevelB &&
           a.afLevel == b.afLevel && a.battery == b.battery && a.mute == b.mute &&
           a.antennaSelect == b.antennaSelect && a.freqKhz == b.freqKhz && a.name == b.name;
}

} // namespace

CShowWatch::CShowWatch(ShowWatchOptions options, QObject* parent)
    : QObject(parent), options_(std::move(options)), model_(options_.settings), taker_(hub_) {
    battery_.fill(-1);
}

CShowWatch::~CShowWatch() = default;

show::ShowTime CShowWatch::now() const {
    return options_.clock ? options_.clock() : show::ShowTime::now();
}

void CShowWatch::ensureJournal() {
    if (journal_ || options_.journalOff) {
        return;
    }
    journal_ = std::make_unique<AlarmJournal>(options_.journal);
    journal_->setErrorHandler([this](const QString& text) {
        // Called on the journal's thread: the window hears of it on its own.
        QMetaObject::invokeMethod(
            this, [this, text] { emit journalFailed(text); }, Qt::QueuedConnection);
    });
}

QString CShowWatch::journalPath() const {
    const int64_t wallMs = now().wallMs;
    if (journal_) {
        return journal_->pathFor(wallMs);
    }
    if (!options_.journal.path.isEmpty()) {
        return options_.journal.path;
    }
    const QString directory =
        options_.journal.directory.isEmpty() ? journalDirectory() : options_.journal.directory;
    return dailyJournalPath(directory, QDateTime::fromMSecsSinceEpoch(wallMs).date());
}

void CShowWatch::flushEvents() {
    std::vector<show::AlarmEvent> events = model_.takeEvents();
    if (events.empty()) {
        return;
    }
    unpublished_.insert(unpublished_.end(), events.begin(), events.end());
    ensureJournal();
    if (journal_) {
        journal_->append(events);
    }
    emit alarmsChanged();
}

PanelShowState CShowWatch::panelStateOf(int receiver, int64_t steadyMs) const {
    const show::ReceiverShowState& rs = model_.receiver(receiver);
    PanelShowState state;
    if (rs.liveness == show::Liveness::Offline || rs.liveness == show::Liveness::NoData) {
        state.look =
            rs.liveness == show::Liveness::Offline ? PanelLook::Offline : PanelLook::NoData;
        state.age = QString::fromStdString(show::ageText(rs.dataAgeMs));
        state.staleBattery = battery_[static_cast<size_t>(receiver - 1)];
    }
    state.label = QString::fromStdString(rs.label.text);
    state.critical = rs.label.severity == show::Severity::Critical;
    const bool flashOn = (steadyMs / kAlarmFlashHalfPeriodMs) % 2 == 0;
    state.borderShown = rs.label.border && (!rs.label.flash || flashOn);
    return state;
}

bool CShowWatch::livePass(CPanelRenderer& renderer, const ReceiverTable& table,
                          const MonitorValueTable& values, const CMonitorEngineTable& engines) {
    static const MonitorEngineStatus kNoEngine; // reads as not running
    const show::ShowTime time = now();
    const int count = renderer.receiverCount();
    if (count != lastCount_) {
        lastCount_ = count;
        forgetDrawn();
    }

    // The snapshot: one observation per receiver in use, read once.
    snapshot_.clear();
    for (int n = 1; n <= count; ++n) {
        const IMonitorEngine* engine = engines.engine(n);
        const MonitorEngineStatus* status = engine != nullptr ? engine->status() : nullptr;
        snapshot_.push_back(observeReceiver(
            table, values, n, status != nullptr ? *status : kNoEngine, time.steadyMs));
    }
    model_.update(snapshot_, time);
    flushEvents();
    taker_.take(table, values, snapshot_, model_, std::move(unpublished_), time);
    unpublished_.clear();

    // What the panels draw: the snapshot's values while they are fresh, the idle meters and the
    // remembered battery level otherwise.
    for (int n = 1; n <= count; ++n) {
        const show::ReceiverObservation& o = snapshot_[static_cast<size_t>(n - 1)];
        const show::Liveness liveness = model_.receiver(n).liveness;
        MonitorValues& shown = shown_.byNumber(n);
        if (liveness == show::Liveness::Offline || liveness == show::Liveness::NoData) {
            shown.rfLevelA = kRfLevelMin;
            shown.rfLevelB = kRfLevelMin;
            shown.afLevel = kAfLevelMin;
            shown.mute = 0;
            shown.antennaSelect = -1;
            shown.battery = battery_[static_cast<size_t>(n - 1)];
            continue;
        }
        shown.rfLevelA = o.rfLevelA;
        shown.rfLevelB = o.rfLevelB;
        shown.afLevel = o.afLevel;
        shown.mute = o.mute;
        shown.battery = o.battery;
        shown.antennaSelect = values.byNumber(n).antennaSelect;
        if (liveness == show::Liveness::Live && o.battery >= 0) {
            battery_[static_cast<size_t>(n - 1)] = o.battery;
        }
    }

    // A panel whose overlay changed is put back to its plain form first, so that what the old
    // overlay covered is drawn again by the live update below.
    std::array<PanelValueCache, kMaxReceivers> before;
    for (int n = 1; n <= count; ++n) {
        const auto i = static_cast<size_t>(n - 1);
        const PanelShowState next = panelStateOf(n, time.steadyMs);
        if (next != panels_[i]) {
            if (drawn_[i]) {
                renderer.repaintPanel(table, n);
            }
            panels_[i] = next;
            drawn_[i] = false;
        }
        if (panels_[i].drawsAnything()) {
            before[i] = renderer.cache(n);
        }
    }

    bool drew = renderer.liveUpdate(table, shown_);

    for (int n = 1; n <= count; ++n) {
        const auto i = static_cast<size_t>(n - 1);
        const PanelShowState& state = panels_[i];
        if (!state.drawsAnything()) {
            continue;
        }
        if (drawn_[i] && sameDrawing(before[i], renderer.cache(n))) {
            continue; // nothing under the overlay changed
        }
        drawPanelShowOverlay(renderer.overlayTarget(), renderer.images(), renderer.layoutMode(),
                             renderer.panel(n).origin, renderer.panelSize(), state);
        drawn_[i] = true;
        drew = true;
    }
    return drew;
}

void CShowWatch::monitoringStopped() {
    const show::ShowTime time = now();
    model_.update({}, time);
    flushEvents();
    taker_.stopped(std::move(unpublished_), time);
    unpublished_.clear();
    forgetDrawn();
    battery_.fill(-1);
    shown_.reset();
}

void CShowWatch::forgetDrawn() {
    panels_.fill(PanelShowState{});
    drawn_.fill(false);
}

bool CShowWatch::acknowledge(uint64_t alarmId) {
    const bool done = model_.acknowledge(alarmId, now());
    flushEvents();
    return done;
}

int CShowWatch::acknowledgeAll(int receiver) {
    const int done = model_.acknowledgeAll(now(), receiver);
    flushEvents();
    return done;
}

void CShowWatch::silence(int receiver, std::optional<int> minutes) {
    const show::ShowTime time = now();
    std::optional<int64_t> until;
    if (minutes) {
        until = time.wallMs + int64_t{*minutes} * kMinuteMs;
    }
    model_.silence(receiver, until, time);
    flushEvents();
}

void CShowWatch::unsilence(int receiver) {
    model_.unsilence(receiver, now());
    flushEvents();
}

void CShowWatch::setShowEnd(std::optional<int> minutesOfDay) {
    showEndMinutes_ = minutesOfDay;
    if (minutesOfDay) {
        model_.setShowEnd(show::showEndWallMs(*minutesOfDay, now().wallMs));
    } else {
        model_.setShowEnd(std::nullopt);
    }
}

bool CShowWatch::hasUnacknowledged(int receiver) const {
    for (const show::AlarmRecord& alarm : model_.activeAlarms()) {
        if (alarm.receiver == receiver && !alarm.acknowledged()) {
            return true;
        }
    }
    return false;
}

QString CShowWatch::healthText(int receiver) const {
    return QString::fromStdString(show::healthText(model_.receiver(receiver).health));
}

QString CShowWatch::batteryText(int receiver) const {
    return QStringLiteral("battery: %1")
        .arg(QString::fromStdString(
            show::forecastText(model_.receiver(receiver).batteryRemainingMs)));
}

} // namespace tessaly
