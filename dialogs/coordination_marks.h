#pragma once

#include "show/coordination.h"

#include <QString>

namespace tessaly {

class CApListCtrl;
class CCombColor;
class ReceiverTable;

// A channel that is free but would clash with other receivers (spacing or intermodulation).
constexpr uint32_t kConflictChannelColor = 0x000060D0; // orange, 0x00BBGGRR
// The background of a receiver's row while it is in a conflict (an RGB value): light orange,
// which leaves the columns their width and the texts their colour.
constexpr unsigned kConflictRowTint = 0xFFD9A8;
// Lines of reasons in one tooltip; more are summed up in a last line.
constexpr int kMaxReasonLines = 8;

// The reasons of the conflicts that involve `receiver`, one a line, at most kMaxReasonLines.
QString conflictReasons(const ConflictReport& report, const std::vector<Carrier>& carriers,
                        int receiver);

// Marks the rows of the receiver list whose receivers are in a conflict: the row is tinted and
// the tooltips of its number and frequency give the reasons. Returns the conflicts of the
// table.
ConflictReport markReceiverConflicts(CApListCtrl& list, const ReceiverTable& table,
                                     const CoordinationThresholds& thresholds);

// After the channel combo fill: every channel that is not used by another receiver but would
// clash with them is drawn in kConflictChannelColor; used and clashing channels carry the
// reasons in their tooltip.
void markChannelConflicts(CCombColor& combo, const ReceiverTable& table, int ownNumber,
                          const CoordinationThresholds& thresholds);

} // namespace tessaly
