#pragma once

#include "dialogs/dlg_config_recv.h"
#include "tests/support/fake_neighbour_finder.h"
#include "tests/support/message_recorder.h"
#include "tests/support/scripted_prompts.h"
#include "tests/support/simulated_receivers.h"

#include <QHeaderView>
#include <QTableWidget>

#include <functional>
#include <gtest/gtest.h>

namespace tessaly::testing {

// The receiver list editor's dialogs, answered by the hooks the test sets; an unset hook is a
// cancelled dialog.
struct ScriptedConfigDialogs : IConfigRecvDialogs {
    std::function<bool(int mode, int number, const ReceiverTable& table, ReceiverRecord& record)>
        input;
    std::function<bool(ReceiverTable& found)> search;
    std::function<bool(const ReceiverTable& table, int selectedNumber, PlanProposal& proposal)>
        coordinate;

    bool inputAddress(QWidget*, int mode, int number, const ReceiverTable& table,
                      ReceiverRecord& record) override {
        return input && input(mode, number, table, record);
    }
    bool searchReceivers(QWidget*, ReceiverTable& found) override {
        return search && search(found);
    }
    bool proposeChannels(QWidget*, const ReceiverTable& table, int selectedNumber,
                         PlanProposal& proposal) override {
        return coordinate && coordinate(table, selectedNumber, proposal);
    }
};

// Every column of the list is at least as wide as its title and its rows need.
inline void expectColumnsShowWhole(const QTableWidget& list) {
    const QAbstractItemView& view = list; // sizeHintForColumn is public here
    for (int column = 0; column < list.columnCount(); ++column) {
        EXPECT_GE(list.columnWidth(column), view.sizeHintForColumn(column)) << column;
        EXPECT_GE(list.columnWidth(column), list.horizontalHeader()->sectionSizeHint(column))
            << column;
    }
}

} // namespace tessaly::testing
