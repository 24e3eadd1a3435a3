#include "remote/receiver_json.h"

#include "journal/alarm_journal.h"
#include "protocol/receiver_table.h"
#include "show/alarm_types.h"
#include "show/liveness.h"

namespace tessaly::remote {

namespace {

QJsonValue tenths(int32_t value) {
    if (value == kNoLevel) {
        return QJsonValue::Null;
    }
    return value / 10.0;
}

QJsonValue battery(int32_t level) {
    return level >= 0 && level <= 4 ? QJsonValue(level) : QJsonValue::Null;
}

QJsonValue antenna(int32_t antenna) {
    if (antenna == 0) {
        return QStringLiteral("A");
    }
    if (antenna == 1) {
        return QStringLiteral("B");
    }
    return QJsonValue::Null;
}

QJsonValue mute(int32_t mute) {
    return mute == 0 || mute == 1 ? QJsonValue(mute == 1) : QJsonValue::Null;
}

QJsonValue ageMs(int64_t age) {
    return age < 0 ? QJsonValue::Null : QJsonValue(static_cast<qint64>(age));
}

void putValues(QJsonObject& object, int32_t rfA, int32_t rfB, int32_t af, int32_t batteryLevel,
               int32_t antennaInUse, int32_t muted) {
    object.insert("rf_a_dbm", tenths(rfA));
    object.insert("rf_b_dbm", tenths(rfB));
    object.insert("af_db", tenths(af));
    object.insert("battery", battery(batteryLevel));
    object.insert("antenna", antenna(antennaInUse));
    object.insert("mute", mute(muted));
}

void putNull(QJsonObject& object) {
    for (const char* key : {"rf_a_dbm", "rf_b_dbm", "af_db", "battery", "antenna", "mute"}) {
        object.insert(QLatin1String(key), QJsonValue::Null);
    }
}

} // namespace

QString colourText(uint32_t rgb) {
    return QStringLiteral("#%1").arg(rgb & 0xFFFFFFu, 6, 16, QLatin1Char('0'));
}

QJsonObject receiverJson(const show::ReceiverSnapshot& r) {
    const show::ReceiverObservation& o = r.observation;
    const bool live = r.state.liveness == show::Liveness::Live;
    QJsonObject object{
        {"receiver", o.receiver},
        {"name", QString::fromStdString(o.name)},
        {"frequency", QString::fromStdString(o.freqText)},
    };
    if (live) {
        putValues(object, o.rfLevelA, o.rfLevelB, o.afLevel, o.battery, r.antenna, o.mute);
    } else {
        putNull(object);
    }
    object.insert("state", QLatin1String(show::livenessName(r.state.liveness)));
    object.insert("age_ms", ageMs(r.state.dataAgeMs));
    QJsonArray alarms;
    for (show::AlarmKind kind : r.activeAlarms) {
        alarms.append(QLatin1String(show::alarmKindName(kind)));
    }
    object.insert("alarms", alarms);
    const show::PanelAlarmLabel& label = r.state.label;
    object.insert("label",
                  QJsonObject{{"text", QString::fromStdString(label.text)},
                              {"border", label.border},
                              {"flash", label.flash},
                              {"severity", QLatin1String(show::severityName(label.severity))}});
    object.insert("comment", QString::fromStdString(r.comment));
    object.insert("colour", colourText(r.colour));
    const int32_t rtt = r.state.health.roundTripLastMs;
    object.insert("rtt_ms", rtt < 0 ? QJsonValue::Null : QJsonValue(rtt));
    object.insert("reconnects", r.state.health.reconnects);
    if (!live && r.lastLive && r.state.dataAgeMs >= 0) {
        const show::LastLiveValues& v = *r.lastLive;
        QJsonObject last;
        putValues(last, v.rfLevelA, v.rfLevelB, v.afLevel, v.battery, v.antenna, v.mute);
        last.insert("age_ms", ageMs(r.state.dataAgeMs));
        object.insert("last", last);
    } else {
        object.insert("last", QJsonValue::Null);
    }
    return object;
}

QJsonObject alarmJson(const show::AlarmRecord& a) {
    const auto optionalNumber = [](const std::optional<double>& v) {
        return v ? QJsonValue(*v) : QJsonValue(QJsonValue::Null);
    };
    return QJsonObject{
        {"id", static_cast<qint64>(a.id)},
        {"receiver", a.receiver},
        {"name", QString::fromStdString(a.name)},
        {"frequency", QString::fromStdString(a.freqText)},
        {"kind", QLatin1String(show::alarmKindName(a.kind))},
        {"severity", QLatin1String(show::severityName(a.severity))},
        {"since", journalTimeText(a.startWallMs)},
        {"acknowledged", a.acknowledged()},
        {"flapping", a.flapping},
        {"value", optionalNumber(a.startValue)},
        {"worst", optionalNumber(a.worstValue)},
    };
}

QJsonArray receiversJson(const show::ShowSnapshot& snapshot) {
    QJsonArray array;
    for (const show::ReceiverSnapshot& r : snapshot.receivers) {
        array.append(receiverJson(r));
    }
    return array;
}

} // namespace tessaly::remote
