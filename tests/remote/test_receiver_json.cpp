#include "comm/show_snapshot_taker.h"
#include "remote/receiver_json.h"

#include <gtest/gtest.h>

using namespace tessaly;

namespace {

// Two receivers on a fake clock; receiver 1 answers until told otherwise, receiver 2 answers
// but its RF of antenna B was never polled.
struct Rig {
    Rig() {
        table.count = 2;
        values.count = 2;
        for (int n = 1; n <= 2; ++n) {
            table.byNumber(n).name = "Mic " + std::to_string(n);
            table.byNumber(n).setFrequencyText("60" + std::to_string(n) + ".500");
            table.byNumber(n).comment = "line\r\nnext";
            MonitorValues& v = values.byNumber(n);
            v.rfLevelA = -615;
            v.rfLevelB = n == 2 ? kNoLevel : -700;
            v.afLevel = -180;
            v.battery = 3;
            v.mute = 0;
            v.antennaSelect = 1;
        }
        table.byNumber(1).colors[0] = 0x00FF8000; // blue-ish in the table's BGR order
    }
    show::ShowSnapshotPtr refresh() {
        now = now.plus(100);
        std::vector<show::ReceiverObservation> observations;
        for (int n = 1; n <= 2; ++n) {
            show::ReceiverObservation o;
            o.receiver = n;
            o.name = table.byNumber(n).name;
            o.freqText = table.byNumber(n).freqText;
            o.link = {true, connected[n - 1], lastAnswer[n - 1], 100, 3000};
            if (connected[n - 1]) {
                lastAnswer[n - 1] = o.link.lastAnswerMs = now.steadyMs;
            }
            const MonitorValues& v = values.byNumber(n);
            o.rfLevelA = v.rfLevelA;
            o.rfLevelB = v.rfLevelB;
            o.afLevel = v.afLevel;
            o.battery = v.battery;
            o.mute = v.mute;
            observations.push_back(o);
        }
        model.update(observations, now);
        taker.take(table, values, observations, model, model.takeEvents(), now);
        return hub.latest();
    }

    ReceiverTable table;
    MonitorValueTable values;
    show::AlarmModel model;
    show::SnapshotHub hub;
    ShowSnapshotTaker taker{hub, 100};
    show::ShowTime now{1'000'000, 1'700'000'000'000};
    bool connected[2] = {true, true};
    int64_t lastAnswer[2] = {show::kNever, show::kNever};
};

} // namespace

TEST(ReceiverJson, LiveValuesAreShownOnlyWhileLiveAndTheLastOnesCarryTheirAge) {
    Rig rig;
    rig.refresh();
    const QJsonObject live = remote::receiverJson(rig.refresh()->receivers[0]);
    EXPECT_EQ(live["state"].toString(), "live");
    EXPECT_EQ(live["receiver"].toInt(), 1);
    EXPECT_EQ(live["name"].toString(), "Mic 1");
    EXPECT_EQ(live["frequency"].toString(), "601.500");
    EXPECT_DOUBLE_EQ(live["rf_a_dbm"].toDouble(), -61.5);
    EXPECT_DOUBLE_EQ(live["af_db"].toDouble(), -18.0);
    EXPECT_EQ(live["battery"].toInt(), 3);
    EXPECT_EQ(live["antenna"].toString(), "B");
    EXPECT_EQ(live["mute"], QJsonValue(false));
    EXPECT_EQ(live["age_ms"].toInt(), 0);
    EXPECT_EQ(live["comment"].toString(), "line\r\nnext");
    EXPECT_EQ(live["colour"].toString(), "#0080ff");
    EXPECT_TRUE(live["last"].isNull());
    EXPECT_TRUE(live["alarms"].toArray().isEmpty());

    // Live but never polled: null, not a placeholder level.
    const QJsonObject unpolled = remote::receiverJson(rig.hub.latest()->receivers[1]);
    EXPECT_EQ(unpolled["state"].toString(), "live");
    EXPECT_TRUE(unpolled["rf_b_dbm"].isNull());

    // The connection drops; the engine's table still holds the old levels.
    rig.connected[0] = false;
    rig.values.byNumber(1).rfLevelA = -900;
    for (int i = 0; i < 20; ++i) {
        rig.refresh();
    }
    const QJsonObject stale = remote::receiverJson(rig.hub.latest()->receivers[0]);
    EXPECT_EQ(stale["state"].toString(), "offline");
    for (const char* key : {"rf_a_dbm", "rf_b_dbm", "af_db", "battery", "antenna", "mute"}) {
        EXPECT_TRUE(stale[key].isNull()) << key;
    }
    EXPECT_EQ(stale["age_ms"].toInt(), 2000);
    const QJsonObject last = stale["last"].toObject();
    EXPECT_DOUBLE_EQ(last["rf_a_dbm"].toDouble(), -61.5) << "the last live value, not -90.0";
    EXPECT_EQ(last["age_ms"].toInt(), 2000);
    EXPECT_EQ(last["antenna"].toString(), "B");
}

TEST(ReceiverJson, ActiveAlarmsAreListedByKindAndAStopPublishesNoReceivers) {
    Rig rig;
    rig.connected[0] = false; // never connects: the offline alarm starts after its delay
    for (int i = 0; i < 200; ++i) {
        rig.refresh();
    }
    const show::ShowSnapshotPtr snapshot = rig.hub.latest();
    ASSERT_TRUE(snapshot->monitoring);
    ASSERT_FALSE(snapshot->activeAlarms.empty());
    const QJsonArray array = remote::receiversJson(*snapshot);
    ASSERT_EQ(array.size(), 2);
    EXPECT_EQ(array[0].toObject()["alarms"].toArray().first().toString(), "offline");
    EXPECT_TRUE(array[0].toObject()["age_ms"].isNull()) << "never answered";
    EXPECT_TRUE(array[0].toObject()["last"].isNull());

    const uint64_t before = snapshot->sequence;
    rig.taker.stopped({}, rig.now);
    EXPECT_FALSE(rig.hub.latest()->monitoring);
    EXPECT_EQ(rig.hub.latest()->sequence, before + 1);
    EXPECT_TRUE(remote::receiversJson(*rig.hub.latest()).isEmpty());
}
