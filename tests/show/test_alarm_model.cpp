#include "protocol/ini_file.h"
#include "show/alarm_model.h"
#include "show/same_frequency.h"

#include <gtest/gtest.h>

#include <functional>

using namespace tessaly::show;

namespace {

// A stage of receivers that answer every poll, driven refresh by refresh on a fake clock.
class Stage {
public:
    explicit Stage(AlarmSettings settings = {}, int count = 2) : model(settings) {
        for (int n = 1; n <= count; ++n) {
            ReceiverObservation o;
            o.receiver = n;
            o.name = "Mic " + std::to_string(n);
            o.freqText = std::to_string(600 + n) + ".000";
            o.freqKhz = (600 + n) * 1000;
            o.link = {true, true, kNever, 100, 3000};
            o.rfLevelA = o.rfLevelB = -600;
            o.afLevel = -200;
            o.battery = 4;
            o.mute = 0;
            rx.push_back(o);
        }
    }
    // Advances the clock by `ms` in refreshes of 100 ms; answering receivers answer each one.
    void run(int64_t ms) {
        for (int64_t done = 0; done < ms; done += 100) {
            now = now.plus(100);
            for (auto& o : rx) {
                if (o.link.connected && answering[o.receiver]) {
                    o.link.lastAnswerMs = now.steadyMs;
                }
            }
            model.update(rx, now);
            drain();
        }
    }
    void drain() {
        auto batch = model.takeEvents();
        events.insert(events.end(), batch.begin(), batch.end());
    }
    int count(AlarmEventType type, AlarmKind kind, int receiver = 1) const {
        int n = 0;
        for (const auto& e : events) {
            n += (e.type == type && e.kind == kind && e.receiver == receiver) ? 1 : 0;
        }
        return n;
    }
    ReceiverObservation& r(int n) { return rx[n - 1]; }

    AlarmModel model;
    std::vector<ReceiverObservation> rx;
    std::map<int, bool> answering{{1, true}, {2, true}, {3, true}};
    ShowTime now{1'000'000, 1'700'000'000'000};
    std::vector<AlarmEvent> events;
};

struct KindCase {
    const char* name;
    AlarmKind kind;
    const char* label;
    std::function<void(Stage&)> provoke;
    int64_t needsMs; // the condition must last this long before the alarm starts
};

class EveryKind : public ::testing::TestWithParam<KindCase> {};

TEST_P(EveryKind, StartsAfterItsDelayLabelsFlashesAndClearsAfterHold) {
    const KindCase& c = GetParam();
    AlarmSettings settings;
    settings.muted = true;
    Stage stage(settings);
    stage.run(1000);
    ASSERT_TRUE(stage.events.empty());
    c.provoke(stage);
    if (c.needsMs > 200) {
        stage.run(c.needsMs - 200);
        EXPECT_EQ(stage.count(AlarmEventType::Start, c.kind), 0) << "started early";
    }
    stage.run(400);
    ASSERT_EQ(stage.count(AlarmEventType::Start, c.kind), 1);
    const auto& label = stage.model.label(1);
    EXPECT_EQ(label.text, c.label);
    EXPECT_TRUE(label.border);
    EXPECT_TRUE(label.flash);
    EXPECT_EQ(label.severity, alarmSeverity(c.kind));
    EXPECT_EQ(stage.model.unacknowledgedCount(), stage.model.activeAlarms().size());

    EXPECT_EQ(stage.model.acknowledgeAll(stage.now), stage.model.activeAlarms().size());
    stage.drain();
    EXPECT_FALSE(stage.model.label(1).flash);
    EXPECT_TRUE(stage.model.label(1).border);
    EXPECT_EQ(stage.count(AlarmEventType::Ack, c.kind), 1);
}

const std::vector<KindCase> kKindCases{
    {"offline", AlarmKind::Offline, "OFFLINE", [](Stage& s) { s.r(1).link.connected = false; },
     3000},
    {"nodata", AlarmKind::Offline, "NO DATA", [](Stage& s) { s.answering[1] = false; }, 3000},
    {"batterylow", AlarmKind::BatteryLow, "BATT LOW", [](Stage& s) { s.r(1).battery = 1; }, 0},
    {"batterycritical", AlarmKind::BatteryCritical, "BATT 0", [](Stage& s) { s.r(1).battery = 0; },
     0},
    {"rfloss", AlarmKind::RfLoss, "RF LOST",
     [](Stage& s) { s.r(1).rfLevelA = s.r(1).rfLevelB = -860; }, 1000},
    {"clip", AlarmKind::Clip, "CLIP", [](Stage& s) { s.r(1).clipRun = 3; }, 0},
    {"muted", AlarmKind::Muted, "MUTED", [](Stage& s) { s.r(1).mute = 1; }, 0},
    {"samefreq", AlarmKind::FrequencyConflict, "SAME FREQ",
     [](Stage& s) { s.r(2).freqKhz = s.r(1).freqKhz; }, 0},
};
INSTANTIATE_TEST_SUITE_P(Kinds, EveryKind, ::testing::ValuesIn(kKindCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(AlarmModel, MildConditionsDoNotAlarm) {
    Stage stage; // muted alarms are off by default
    stage.r(1).mute = 1;
    stage.r(1).battery = 2;
    stage.r(1).rfLevelA = -900; // one antenna low is diversity at work
    stage.r(1).clipRun = 2;
    stage.run(5000);
    EXPECT_TRUE(stage.events.empty());
    EXPECT_EQ(stage.model.label(1), PanelAlarmLabel{});
}

TEST(AlarmModel, ConditionBackWithinHoldContinuesTheAlarm) {
    Stage stage;
    stage.r(1).battery = 1;
    stage.run(500);
    stage.r(1).battery = 2;
    stage.run(4000);
    stage.r(1).battery = 1;
    stage.run(500);
    EXPECT_EQ(stage.count(AlarmEventType::Start, AlarmKind::BatteryLow), 1);
    EXPECT_EQ(stage.count(AlarmEventType::Clear, AlarmKind::BatteryLow), 0);

    stage.r(1).battery = 3;
    const int64_t clearedAt = stage.now.wallMs + 100;
    stage.run(5200);
    ASSERT_EQ(stage.count(AlarmEventType::Clear, AlarmKind::BatteryLow), 1);
    EXPECT_EQ(stage.events.back().wallMs, clearedAt); // when the condition went, not the hold
    EXPECT_EQ(stage.model.label(1).text, "");
    ASSERT_EQ(stage.model.history().size(), 1u);
    EXPECT_EQ(*stage.model.history()[0].worstValue, 1);
}

TEST(AlarmModel, OfflineReceiverRaisesOnlyOfflineAndStaysOfflineThroughReconnects) {
    Stage stage;
    stage.run(500);
    stage.r(1).link.connected = false;
    stage.r(1).battery = 0; // stale values must not alarm
    stage.r(1).rfLevelA = stage.r(1).rfLevelB = -900;
    stage.run(3000);
    EXPECT_EQ(stage.model.receiver(1).liveness, Liveness::Offline);
    // A reconnect without answers (a receiver that never answers) keeps it offline.
    stage.answering[1] = false;
    stage.r(1).link.connected = true;
    stage.run(2000);
    EXPECT_EQ(stage.model.receiver(1).liveness, Liveness::Offline);
    EXPECT_EQ(stage.model.label(1).text, "OFFLINE");
    EXPECT_EQ(stage.events.size(), 1u);
    EXPECT_EQ(stage.count(AlarmEventType::Start, AlarmKind::Offline), 1);
    EXPECT_GE(stage.model.receiver(1).dataAgeMs, 5000);

    stage.answering[1] = true;
    stage.run(100);
    EXPECT_EQ(stage.model.receiver(1).liveness, Liveness::Live);
    EXPECT_EQ(stage.count(AlarmEventType::Start, AlarmKind::BatteryCritical), 1);
}

TEST(AlarmModel, AcknowledgementHoldsButAWorseBatteryAlarmsAgain) {
    Stage stage;
    stage.r(1).battery = 1;
    stage.run(200);
    stage.model.acknowledgeAll(stage.now);
    stage.run(2000);
    EXPECT_FALSE(stage.model.label(1).flash);
    stage.r(1).battery = 0;
    stage.run(200);
    EXPECT_TRUE(stage.model.label(1).flash);
    EXPECT_EQ(stage.model.label(1).text, "BATT 0");
    EXPECT_EQ(stage.model.unacknowledgedCount(), 1);
    EXPECT_FALSE(stage.model.acknowledge(999, stage.now));
}

TEST(AlarmModel, FlappingConditionBecomesOneAlarm) {
    Stage stage;
    for (int i = 0; i < 6; ++i) {
        stage.r(1).clipRun = 3;
        stage.run(300);
        stage.r(1).clipRun = 0;
        stage.run(6000); // longer than the hold: each return would be a new alarm
    }
    EXPECT_EQ(stage.count(AlarmEventType::Start, AlarmKind::Clip), 5);
    EXPECT_EQ(stage.count(AlarmEventType::Flapping, AlarmKind::Clip), 1);
    EXPECT_EQ(stage.model.label(1).text, "FLAPPING");
    stage.run(61000);
    EXPECT_EQ(stage.count(AlarmEventType::Clear, AlarmKind::Clip), 5);
    EXPECT_TRUE(stage.model.activeAlarms().empty());
}

TEST(AlarmModel, SilenceClearsHoldsBackAndEndsByItself) {
    Stage stage;
    stage.r(2).battery = 0;
    stage.run(200);
    stage.model.silence(2, stage.now.wallMs + 10'000, stage.now);
    stage.run(5000);
    EXPECT_EQ(stage.model.label(2).text, "SILENCED");
    EXPECT_FALSE(stage.model.label(2).border);
    EXPECT_TRUE(stage.model.activeAlarms().empty());
    stage.run(5100);
    EXPECT_FALSE(stage.model.receiver(2).silenced);
    EXPECT_EQ(stage.count(AlarmEventType::Start, AlarmKind::BatteryCritical, 2), 2);
    std::vector<AlarmEventType> silences;
    for (const auto& e : stage.events) {
        if (!e.kind) {
            silences.push_back(e.type);
        }
    }
    EXPECT_EQ(silences, (std::vector{AlarmEventType::Silence, AlarmEventType::Unsilence}));
}

TEST(AlarmModel, StoppedOrRemovedReceiverClearsItsAlarms) {
    Stage stage;
    stage.r(1).battery = 0;
    stage.r(2).battery = 0;
    stage.run(200);
    stage.r(1).link.running = false;
    stage.rx.pop_back();
    stage.run(100);
    EXPECT_TRUE(stage.model.activeAlarms().empty());
    EXPECT_EQ(stage.model.receiver(1).liveness, Liveness::Stopped);
    EXPECT_FALSE(stage.model.receiver(2).inUse);
}

TEST(AlarmModel, BatteryForecastShortOfTheShowEndWarns) {
    Stage stage;
    stage.model.setShowEnd(stage.now.wallMs + 3 * 3600 * 1000LL);
    for (int level = 4; level >= 2; --level) {
        stage.r(1).battery = level;
        stage.run(10 * 60 * 1000);
    }
    // Ten minutes a level: about 20 minutes left at level 2, far short of three hours.
    EXPECT_EQ(forecastText(stage.model.receiver(1).batteryRemainingMs), "about 10 min left");
    EXPECT_EQ(stage.count(AlarmEventType::Start, AlarmKind::BatteryForecast), 1);
    EXPECT_EQ(stage.model.label(1).text, "BATT < END");
    // Receiver 2 kept level 4 for half an hour: a guess from no step at all does not alarm.
    EXPECT_EQ(stage.count(AlarmEventType::Start, AlarmKind::BatteryForecast, 2), 0);
    EXPECT_EQ(forecastText(stage.model.receiver(2).batteryRemainingMs), "about 2 h left");
}

TEST(Liveness, FreshUntilPollPlusTimeoutThenNoDataThenOffline) {
    LivenessTracker t;
    LivenessInput in{true, true, 1000, 100, 3000};
    EXPECT_EQ(t.update(in, 1000), Liveness::Live);
    EXPECT_EQ(t.update(in, 4099), Liveness::Live);
    EXPECT_EQ(t.update(in, 4100), Liveness::NoData);
    in.connected = false;
    EXPECT_EQ(t.update(in, 4200), Liveness::Offline);
    in.connected = true;
    EXPECT_EQ(t.update(in, 4300), Liveness::Offline);
    in.lastAnswerMs = 4350;
    EXPECT_EQ(t.update(in, 4400), Liveness::Live);
    EXPECT_EQ(ageText(t.dataAgeMs(4400 + 185'000)), "3 min");
    in.running = false;
    EXPECT_EQ(t.update(in, 5000), Liveness::Stopped);
}

TEST(BatteryForecast, UnknownUntilTwoStepsOrTenMinutes) {
    BatteryForecaster f;
    f.observe(4, 0);
    f.observe(3, 60'000);
    EXPECT_FALSE(f.remainingMs(61'000));
    f.observe(2, 180'000); // two minutes a level
    EXPECT_EQ(f.remainingMs(180'000), 240'000);
    f.observe(4, 200'000); // a fresh battery starts over
    EXPECT_FALSE(f.remainingMs(300'000));
    EXPECT_EQ(f.remainingMs(200'000 + 600'000), 4 * 600'000);
    EXPECT_EQ(forecastText(100 * 60'000), "about 1 h 40 min left");
    EXPECT_EQ(forecastText(std::nullopt), "unknown");
}

TEST(ShowEnd, ParsesOnlyTimesOfDay) {
    EXPECT_EQ(parseShowEnd("22:30"), 22 * 60 + 30);
    EXPECT_EQ(parseShowEnd("7:05"), 7 * 60 + 5);
    for (const char* bad : {"24:00", "7:5", "+7:30", "12:60", "", "1230", "12:30x"}) {
        EXPECT_FALSE(parseShowEnd(bad)) << bad;
    }
    EXPECT_EQ(showEndText(7 * 60 + 5), "07:05");
}

TEST(ConnectionHealth, WorstRoundTripOfTheLastMinute) {
    RoundTripWindow w;
    w.add(1'000, 40);
    w.add(1'500, 90);
    w.add(30'000, 10);
    EXPECT_EQ(w.worst(30'000), 90);
    EXPECT_EQ(w.worst(61'000), 10);
    EXPECT_EQ(w.worst(200'000), -1);
}

TEST(SameFrequency, PartnersAreTheLowestOtherReceiver) {
    EXPECT_EQ(sameFrequencyPartners({500, 600, 500, 0, 0, 500}),
              (std::vector<int>{3, 0, 1, 0, 0, 1}));
}

class HostileSetting : public ::testing::TestWithParam<const char*> {};

TEST_P(HostileSetting, KeepsTheDefaults) {
    std::string text = "[alarm]\n";
    for (const char* key : {"offline_s", "battery_low", "rf_low_dbm", "rf_low_s", "clip_polls",
                            "muted", "hold_s", "flap_count", "flap_window_s"}) {
        text += std::string(key) + "=" + GetParam() + "\n";
    }
    EXPECT_EQ(readAlarmSettings(tessaly::IniFile::fromText(text)), AlarmSettings{});
}
INSTANTIATE_TEST_SUITE_P(Values, HostileSetting,
                         ::testing::Values("", "abc", "-99999", "99999999999", "3x", "0x10",
                                           "1.5"));

TEST(AlarmSettings, ReadsEveryKey) {
    const auto s = readAlarmSettings(tessaly::IniFile::fromText(
        "[ALARM]\noffline_s=5\nbattery_low=2\nrf_low_dbm=-90\nrf_low_s=2\nclip_polls=4\nmuted=1\n"
        "hold_s=0\nflap_count=3\nflap_window_s=30\nstation=FOH\njournal=/tmp/j.jsonl\n"));
    EXPECT_EQ(s, (AlarmSettings{5, 2, -90, 2, 4, true, 0, 3, 30, "FOH", "/tmp/j.jsonl"}));
}

} // namespace
