#include "dialogs/receiver_list_rows.h"

#include "chrome/text_functions.h"

namespace tessaly {

void insertReceiverColumns(CApListCtrl& list) {
    insertScaledColumns(list, kReceiverListColumns);
}

int appendReceiverRow(CApListCtrl& list, int number) {
    const int row = list.insertItem(list.itemCount(), QString::number(number));
    list.setItemData(row, number);
    return row;
}

void fillReceiverRow(CApListCtrl& list, int row, const ReceiverRecord& record) {
    list.setItemText(row, kColumnNumber, QString::number(row + 1));
    list.setItemData(row, row + 1);
    list.setItemText(row, kColumnStatus, textFromBytes(record.statusText));
    list.setItemText(row, kColumnName, textFromBytes(record.name));
    list.setItemText(row, kColumnFrequency, textFromBytes(record.freqText));
    list.setItemText(row, kColumnIp, textFromBytes(record.ip));
    list.setItemText(row, kColumnMac, textFromBytes(record.mac));
    list.setItemText(row, kColumnComment, textFromBytes(record.systemInfo));
}

void fillReceiverList(CApListCtrl& list, const ReceiverTable& table) {
    list.deleteAllItems();
    const int count = table.count;
    for (int number = 1; number <= count; ++number) {
        const int row = appendReceiverRow(list, number);
        fillReceiverRow(list, row, table.byNumber(number));
    }
}

void setRowToolTip(CApListCtrl& list, int row, const QString& text) {
    for (int column = 0; column < list.columnCount(); ++column) {
        if (list.item(row, column) == nullptr) {
            list.setItemText(row, column, QString()); // makes the cell
        }
        if (QTableWidgetItem* cell = list.item(row, column)) {
            cell->setToolTip(text);
        }
    }
}

} // namespace tessaly
