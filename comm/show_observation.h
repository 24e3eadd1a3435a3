#pragma once

// The alarm model's input for one receiver, taken from the tables and its monitor engine's
// status. The snapshot taker (the view's monitor control, tessaly-cli's loop) calls it for
// every receiver in use at each refresh and passes the list to show::AlarmModel::update().

#include "comm/monitor_engine.h"
#include "protocol/receiver_table.h"
#include "show/alarm_model.h"

namespace tessaly {

// Takes the table's text lock for the name and frequency text.
show::ReceiverObservation observeReceiver(const ReceiverTable& table,
                                          const MonitorValueTable& values, int number,
                                          const MonitorEngineStatus& status, int64_t nowMs);

} // namespace tessaly
