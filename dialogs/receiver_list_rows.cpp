#include "dialogs/receiver_list_rows.h"

#include "chrome/text_functions.h"
#include "comm/exchange_sequence.h"
#include "dialogs/dlg_input_ip.h"
#include "dialogs/receiver_list_edits.h"

#include <QStringList>

namespace tessaly {

namespace {

constexpr QStringView kDigits = u"0123456789";
constexpr QStringView kHexDigits = u"0123456789ABCDEF";
constexpr QStringView kNameCharacters =
    u" +-.0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ_abcdefghijklmnopqrstuvwxyz";

QString widestGroups(const QFont& font, QStringView characters, int length, int groups,
                     QChar separator) {
    return QStringList(groups, widestText(font, characters, length)).join(separator);
}

} // namespace

QString widestIpText(const QFont& font) {
    return widestGroups(font, kDigits, 3, 4, u'.');
}

QString widestMacText(const QFont& font) {
    return widestGroups(font, kHexDigits, 2, 6, u'-');
}

void insertReceiverColumns(CApListCtrl& list) {
    insertScaledColumns(list, kReceiverListColumns);
    const QFont font = list.font();
    for (int column = 0; column < static_cast<int>(kReceiverListColumns.size()); ++column) {
        list.fitColumnToTexts(column, {});
    }
    list.fitColumnToTexts(kColumnStatus, {QString::fromLatin1(kStatusSynchronize),
                                          QString::fromLatin1(kStatusNotFound),
                                          QString::fromLatin1(kStatusError)});
    list.fitColumnToTexts(kColumnName, {widestText(font, kNameCharacters, kNameMaxLength)});
    list.fitColumnToTexts(kColumnFrequency, {widestGroups(font, kDigits, 3, 2, u'.')});
    list.fitColumnToTexts(kColumnIp, {widestIpText(font)});
    list.fitColumnToTexts(kColumnMac, {widestMacText(font)});
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
