#pragma once

// The board in the Prometheus text exposition format (version 0.0.4), for GET /metrics.
// Values that are not live are left out rather than written as a number: a scrape then shows
// a gap, never a level that was not measured. tessaly_receiver_up says which receivers are live.

#include "remote/board_source.h"

#include <QByteArray>

namespace tessaly::remote {

inline constexpr char kPrometheusContentType[] = "text/plain; version=0.0.4; charset=utf-8";

QByteArray prometheusText(const BoardState& board);

} // namespace tessaly::remote
