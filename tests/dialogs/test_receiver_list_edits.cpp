// The receiver list editor's table work: reconciliation, duplicates, new frequencies, merging.

#include "dialogs/receiver_list_edits.h"
#include "protocol/bands.h"
#include "tests/dialogs/dialog_test_support.h"

using namespace tessaly;
using namespace tessaly::testing;

namespace {

ReceiverTable tableWith(std::initializer_list<std::pair<const char*, const char*>> receivers) {
    ReceiverTable table;
    for (const auto& [ip, mac] : receivers) {
        ReceiverRecord& record = table.records[static_cast<size_t>(table.count.load())];
        record.ip = ip;
        record.mac = mac;
        table.count = table.count + 1;
    }
    return table;
}

} // namespace

TEST(ReconcileTest, BringsAddressesInLineWithTheNeighbourTable) {
    ReceiverTable table = tableWith({
        {"10.0.0.1", "0A-54-53-00-00-01"}, // moved to 10.0.0.11
        {"10.0.0.2", "0A-54-53-00-00-02"}, // switched off
        {"10.0.0.3", ""},                  // no MAC yet, answers at its address
        {"10.0.0.4", ""},                  // no MAC, shares its address with the next
        {"10.0.0.4", ""},
        {"10.0.0.6", "0A-54-53-00-00-06"}, // found where it was
        {"10.0.0.8", "0A-54-53-00-00-07"}, // switched off; another receiver answers there now
    });
    table.byNumber(1).statusText = kStatusNotFound; // not found the last time
    const std::vector<NeighbourEntry> lan = {
        neighbour("10.0.0.11", "0A-54-53-00-00-01"),
        neighbour("10.0.0.3", "0A-54-53-00-00-03"),
        neighbour("10.0.0.6", "0A-54-53-00-00-06"),
        neighbour("10.0.0.16", "0A-54-53-00-00-06"), // after the own address: not taken
        neighbour("10.0.0.8", "0A-54-53-00-00-08"),
    };
    reconcileWithNeighbours(table, lan);

    EXPECT_EQ(table.byNumber(1).ip, "10.0.0.11");
    EXPECT_EQ(table.byNumber(1).lookupState, kLookupFound);
    EXPECT_EQ(table.byNumber(1).statusText, "");
    EXPECT_EQ(table.byNumber(2).ip, "10.0.0.2"); // kept: the operator decides
    EXPECT_EQ(table.byNumber(2).lookupState, kLookupNotFound);
    EXPECT_EQ(table.byNumber(2).statusText, kStatusNotFound);
    EXPECT_EQ(table.byNumber(7).ip, "");
    EXPECT_EQ(table.byNumber(7).statusText, kStatusNotFound);
    EXPECT_EQ(table.byNumber(3).ip, "10.0.0.3");
    EXPECT_EQ(table.byNumber(3).mac, "0A-54-53-00-00-03");
    EXPECT_EQ(table.byNumber(4).ip, "");         // the first of the pair gives its address up,
    EXPECT_EQ(table.byNumber(5).ip, "10.0.0.4"); // so the second no longer shares it
    EXPECT_EQ(table.byNumber(6).ip, "10.0.0.6");
    EXPECT_EQ(table.byNumber(6).statusText, "");
}

TEST(DuplicateIpTest, TellsTheLastSharedAddressAndIgnoresEmptyOnes) {
    EXPECT_EQ(duplicatedIp(tableWith({{"", ""}, {"", ""}, {"10.0.0.1", ""}})), "");
    EXPECT_EQ(duplicatedIp(tableWith(
                  {{"10.0.0.1", ""}, {"10.0.0.2", ""}, {"10.0.0.1", ""}, {"10.0.0.2", ""}})),
              "10.0.0.2");
}

TEST(NewReceiverFrequencyTest, FirstFreeChannelOfTheDefaultBandElseTheDefault) {
    ReceiverTable table;
    const std::vector<std::string> channels = channelTexts(kBandJpn);
    EXPECT_EQ(newReceiverFrequency(table, kBandJpn, "700.000"), channels[0]);
    for (size_t i = 0; i < channels.size(); ++i) {
        table.records[i].setFrequencyText(channels[i]);
    }
    table.count = 1;
    EXPECT_EQ(newReceiverFrequency(table, kBandJpn, "700.000"), channels[1]);
    table.count = static_cast<int>(channels.size());
    EXPECT_EQ(newReceiverFrequency(table, kBandJpn, "700.000"), "700.000");
}

TEST(MergeTest, KnownMacTakesTheAddressKnownAddressTakesTheMacOthersAreAppended) {
    ReceiverTable table = tableWith({{"10.0.0.1", "0A-54-53-00-00-01"}, {"10.0.0.2", ""}});
    const ReceiverTable found = tableWith({{"10.0.0.21", "0A-54-53-00-00-01"},
                                           {"10.0.0.2", "0A-54-53-00-00-02"},
                                           {"10.0.0.3", "0A-54-53-00-00-03"}});
    const MergeResult result = mergeFoundReceivers(table, found, 0, kBandJpn, "700.000");
    EXPECT_EQ(table.byNumber(1).ip, "10.0.0.21");
    EXPECT_EQ(table.byNumber(2).mac, "0A-54-53-00-00-02");
    ASSERT_EQ(table.count, 3);
    EXPECT_EQ(table.byNumber(3).ip, "10.0.0.3");
    EXPECT_EQ(table.byNumber(3).nameChanged, 1);
    EXPECT_EQ(table.byNumber(3).freqChanged, 1);
    EXPECT_FALSE(table.byNumber(3).freqText.empty());
    EXPECT_TRUE(result.appended);
    EXPECT_EQ(result.firstAppended, 3);
    EXPECT_EQ(result.lastTouchedRow, 2);

    // A full table takes no more.
    ReceiverTable full;
    full.count = kMaxReceivers;
    const MergeResult none =
        mergeFoundReceivers(full, tableWith({{"10.1.1.1", "AA"}}), 5, kBandJpn, "700.000");
    EXPECT_FALSE(none.appended);
    EXPECT_EQ(full.count, kMaxReceivers);
}

TEST(RecordMovesTest, InsertDeleteSwapAndDeleteAllKeepTheHeader) {
    ReceiverTable table = tableWith({{"a", ""}, {"b", ""}, {"c", ""}});
    ReceiverRecord inserted;
    inserted.ip = "x";
    insertRecord(table, 1, inserted);
    EXPECT_EQ(table.count, 4);
    EXPECT_EQ(table.byNumber(2).ip, "x");
    EXPECT_EQ(table.byNumber(4).ip, "c");
    deleteRecord(table, 0);
    EXPECT_EQ(table.count, 3);
    EXPECT_EQ(table.byNumber(1).ip, "x");
    swapRecords(table, 0, 2);
    EXPECT_EQ(table.byNumber(1).ip, "c");
    EXPECT_EQ(table.byNumber(3).ip, "x");

    table.answerTimeoutMs = 1500;
    table.pollIntervalMs = 80;
    table.portNumber = 6000;
    deleteAllRecords(table);
    EXPECT_EQ(table.count, 0);
    EXPECT_EQ(table.byNumber(1).ip, "");
    EXPECT_EQ(table.answerTimeoutMs, 1500);
    EXPECT_EQ(table.pollIntervalMs, 80);
    EXPECT_EQ(table.portNumber, 6000);
}
