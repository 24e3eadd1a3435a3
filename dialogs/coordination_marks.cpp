#include "dialogs/coordination_marks.h"

#include "chrome/ap_list_ctrl.h"
#include "chrome/comb_color.h"
#include "dialogs/receiver_list_rows.h"
#include "protocol/receiver_table.h"

#include <QBrush>
#include <QColor>

namespace tessaly {

QString conflictReasons(const ConflictReport& report, const std::vector<Carrier>& carriers,
                        int receiver) {
    QStringList lines;
    int more = 0;
    for (const Conflict& conflict : report.conflicts) {
        if (!conflict.involves(receiver)) {
            continue;
        }
        if (lines.size() < kMaxReasonLines) {
            lines << QString::fromStdString(describeConflict(conflict, carriers));
        } else {
            ++more;
        }
    }
    if (more > 0) {
        lines << QStringLiteral("… and %1 more").arg(more);
    }
    return lines.join(QLatin1Char('\n'));
}

ConflictReport markReceiverConflicts(CApListCtrl& list, const ReceiverTable& table,
                                     const CoordinationThresholds& thresholds) {
    const std::vector<Carrier> carriers = carriersOf(table);
    ConflictReport report = findConflicts(carriers, thresholds);
    const QBrush mark{QColor(kConflictRowTint)};
    for (int row = 0; row < list.itemCount(); ++row) {
        const QString reasons = conflictReasons(report, carriers, row + 1);
        if (list.item(row, kColumnNumber) == nullptr ||
            list.item(row, kColumnFrequency) == nullptr) {
            continue;
        }
        // The name cell keeps the row's own tooltip (an exchange's detail), if any.
        const QTableWidgetItem* name = list.item(row, kColumnName);
        const QString rowTip = name != nullptr ? name->toolTip() : QString();
        for (const int column : {kColumnNumber, kColumnFrequency}) {
            list.item(row, column)->setToolTip(reasons.isEmpty() ? rowTip : reasons);
        }
        for (int column = 0; column < list.columnCount(); ++column) {
            if (QTableWidgetItem* cell = list.item(row, column)) {
                cell->setBackground(reasons.isEmpty() ? QBrush() : mark);
            }
        }
    }
    return report;
}

void markChannelConflicts(CCombColor& combo, const ReceiverTable& table, int ownNumber,
                          const CoordinationThresholds& thresholds) {
    const std::vector<Carrier> carriers = carriersOf(table);
    std::vector<uint32_t> colors = combo.colors();
    colors.resize(static_cast<size_t>(combo.count()), kFreeChannelColor);
    for (int index = 0; index < combo.count(); ++index) {
        const int32_t khz = combo.itemData(index).toInt();
        const ConflictReport report = conflictsOfCandidate(carriers, ownNumber, khz, thresholds);
        std::vector<Carrier> plan = carriers;
        std::erase_if(plan, [&](const Carrier& c) { return c.receiver == ownNumber; });
        plan.push_back({ownNumber, khz});
        const QString reasons = conflictReasons(report, plan, ownNumber);
        combo.setItemData(index, reasons.isEmpty() ? QVariant() : QVariant(reasons),
                          Qt::ToolTipRole);
        if (!reasons.isEmpty() && colors[static_cast<size_t>(index)] == kFreeChannelColor) {
            colors[static_cast<size_t>(index)] = kConflictChannelColor;
        }
    }
    combo.setColors(std::move(colors));
}

} // namespace tessaly
