#include "remote/prometheus_text.h"

#include "show/alarm_types.h"

#include <QJsonObject>

#include <map>
#include <utility>

namespace tessaly::remote {

namespace {

QByteArray escapeLabel(const QString& value) {
    QByteArray out;
    for (const char c : value.toUtf8()) {
        if (c == '\\') {
            out += "\\\\";
        } else if (c == '"') {
            out += "\\\"";
        } else if (c == '\n') {
            out += "\\n";
        } else {
            out += c;
        }
    }
    return out;
}

QByteArray number(double value) {
    return QByteArray::number(value, 'g', 10);
}

struct Family {
    const char* name;
    const char* type;
    const char* help;
    QByteArray samples = {};
};

} // namespace

QByteArray prometheusText(const BoardState& board) {
    Family up{"tessaly_receiver_up", "gauge", "1 while the receiver's values are live, else 0"};
    Family rf{"tessaly_receiver_rf_dbm", "gauge", "RF level of one antenna in dBm, while live"};
    Family af{"tessaly_receiver_af_db", "gauge", "Audio level in dB, while live"};
    Family battery{"tessaly_receiver_battery_level", "gauge", "Battery level 0 to 4, while live"};
    Family rtt{"tessaly_receiver_poll_rtt_seconds", "gauge", "Round trip of the last poll"};
    Family reconnects{"tessaly_receiver_reconnects_total", "counter",
                      "Connections made again after a failure since monitoring started"};
    Family monitoring{"tessaly_monitoring", "gauge", "1 while monitoring runs"};
    Family alarms{"tessaly_alarms_active", "gauge", "Active alarms by kind and severity"};

    std::map<std::pair<QByteArray, QByteArray>, int> alarmCounts;
    for (int k = 0; k < show::kAlarmKindCount; ++k) {
        const auto kind = static_cast<show::AlarmKind>(k);
        alarmCounts[{show::alarmKindName(kind), show::severityName(show::alarmSeverity(kind))}] = 0;
    }

    for (const BoardStation& s : board.stations) {
        const QByteArray stationLabel =
            s.station.isEmpty() ? QByteArray() : "station=\"" + escapeLabel(s.station) + "\",";
        monitoring.samples +=
            QByteArray(monitoring.name) +
            (s.station.isEmpty() ? QByteArray() : "{" + stationLabel.chopped(1) + "}") + " " +
            (s.monitoring ? "1" : "0") + "\n";
        for (const QJsonValue& value : s.receivers) {
            const QJsonObject r = value.toObject();
            const QByteArray labels = stationLabel + "receiver=\"" +
                                      QByteArray::number(r["receiver"].toInt()) + "\",name=\"" +
                                      escapeLabel(r["name"].toString()) + "\"";
            const auto sample = [&](Family& family, const QByteArray& extra, double v) {
                family.samples +=
                    QByteArray(family.name) + "{" + labels + extra + "} " + number(v) + "\n";
            };
            sample(up, {}, r["state"].toString() == QLatin1String("live") ? 1 : 0);
            if (r["rf_a_dbm"].isDouble()) {
                sample(rf, ",antenna=\"A\"", r["rf_a_dbm"].toDouble());
            }
            if (r["rf_b_dbm"].isDouble()) {
                sample(rf, ",antenna=\"B\"", r["rf_b_dbm"].toDouble());
            }
            if (r["af_db"].isDouble()) {
                sample(af, {}, r["af_db"].toDouble());
            }
            if (r["battery"].isDouble()) {
                sample(battery, {}, r["battery"].toDouble());
            }
            if (r["rtt_ms"].isDouble()) {
                sample(rtt, {}, r["rtt_ms"].toDouble() / 1000.0);
            }
            sample(reconnects, {}, r["reconnects"].toDouble());
        }
        for (const QJsonValue& value : s.activeAlarms) {
            const QJsonObject a = value.toObject();
            ++alarmCounts[{a["kind"].toString().toUtf8(), a["severity"].toString().toUtf8()}];
        }
    }
    for (const auto& [key, count] : alarmCounts) {
        alarms.samples += QByteArray(alarms.name) + "{kind=\"" + escapeLabel(key.first) +
                          "\",severity=\"" + escapeLabel(key.second) + "\"} " +
                          QByteArray::number(count) + "\n";
    }

    QByteArray text;
    for (const Family* family :
         {&monitoring, &up, &rf, &af, &battery, &rtt, &reconnects, &alarms}) {
        text += QByteArray("# HELP ") + family->name + " " + family->help + "\n";
        text += QByteArray("# TYPE ") + family->name + " " + family->type + "\n";
        text += family->samples;
    }
    return text;
}

} // namespace tessaly::remote
