#pragma once

#include "chrome/ap_list_ctrl.h"
#include "protocol/receiver_table.h"

#include <array>

namespace tessaly {

// The receiver list of the configuration and progress dialogs: one row per receiver.
constexpr int kColumnNumber = 0;
constexpr int kColumnStatus = 1;
constexpr int kColumnName = 2;
constexpr int kColumnFrequency = 3;
constexpr int kColumnIp = 4;
constexpr int kColumnMac = 5;
constexpr int kColumnComment = 6;

constexpr std::array<ListColumn, 7> kReceiverListColumns{{
    {"No", 30},
    {"Synchronize", 80},
    {"Receiver Name", 90},
    {"Frequency", 70},
    {"IP ADDRESS", 100},
    {"MAC ADDRESS", 110},
    {"Comment", 320},
}};

// Inserts the seven columns with their widths scaled for the list's screen, and widened where
// the list's font needs it to show a status, a ten-character name or an address whole.
void insertReceiverColumns(CApListCtrl& list);

// The widest IPv4 and MAC address texts ("0A-54-53-00-00-01") in a font, to size columns by.
QString widestIpText(const QFont& font);
QString widestMacText(const QFont& font);

// Appends the row of receiver number `number` ("%d" in column 0, item data the number).
int appendReceiverRow(CApListCtrl& list, int number);

// Writes all seven columns of `row` from the record.
void fillReceiverRow(CApListCtrl& list, int row, const ReceiverRecord& record);

// Empties the list and adds one full row per receiver of the table.
void fillReceiverList(CApListCtrl& list, const ReceiverTable& table);

// A tooltip on every cell of the row; an empty text removes it.
void setRowToolTip(CApListCtrl& list, int row, const QString& text);

} // namespace tessaly
