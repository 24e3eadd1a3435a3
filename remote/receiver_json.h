#pragma once

// The JSON object of one receiver, written here once for the remote API, its stream, the
// broker's retained topics and anything else that speaks JSON about a receiver:
//
//   {"receiver":3,"name":"Vox 3","frequency":"606.500","rf_a_dbm":-61.5,"rf_b_dbm":-70.0,
//    "af_db":-18.0,"battery":3,"antenna":"A","mute":false,"state":"live","age_ms":40,
//    "alarms":["rf-loss"],"comment":"…","colour":"#ff8000","rtt_ms":4,"reconnects":0,
//    "last":null}
//
// The live values (rf_a_dbm, rf_b_dbm, af_db, battery, antenna, mute) are null unless state is
// "live", and null whenever nothing was polled: no number ever stands for "unknown". A receiver
// that is not live carries the values of its last live refresh under "last", with their age:
//   "last":{"rf_a_dbm":-61.5,…,"age_ms":12000}; "last" is null while live or when it never was.
// age_ms is the age of the last good answer, null when none came since Start.

#include "show/show_snapshot.h"

#include <QJsonArray>
#include <QJsonObject>

namespace tessaly::remote {

QJsonObject receiverJson(const show::ReceiverSnapshot& receiver);

// One object per receiver of the snapshot, in its order (empty while monitoring is stopped).
QJsonArray receiversJson(const show::ShowSnapshot& snapshot);

// One active alarm: {"id":7,"receiver":3,"name":"Vox 3","frequency":"606.500","kind":"rf-loss",
//  "severity":"critical","since":"2026-12-09T21:04:05.123+01:00","acknowledged":false,
//  "flapping":false,"value":-91.5,"worst":-95.0}
QJsonObject alarmJson(const show::AlarmRecord& alarm);

// "#rrggbb" of a 0x00RRGGBB colour.
QString colourText(uint32_t rgb);

} // namespace tessaly::remote
