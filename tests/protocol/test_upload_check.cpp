#include "protocol/upload_check.h"

#include <gtest/gtest.h>

using namespace tessaly;

namespace {

ReceiverRecord record(const std::string& name, const std::string& freqText) {
    ReceiverRecord r;
    r.name = name;
    r.setFrequencyText(freqText);
    return r;
}

} // namespace

TEST(UploadCheck, VerificationComparesWhatTheReceiverCanReport) {
    // Padding, characters a command cannot carry and the frequency's form are not mismatches.
    EXPECT_EQ(verificationText(record("  LEAD;1", "710.1250"), record("LEAD1", "710.125")),
              "Verified");
    EXPECT_EQ(verificationText(record("LEAD", "710.125"), record("SPARE", "710.125")),
              "Mismatch: receiver reports \"SPARE\"");
    EXPECT_EQ(verificationText(record("LEAD", "710.125"), record("LEAD", "712.500")),
              "Mismatch: receiver reports 712.500");
    EXPECT_EQ(verificationText(record("LEAD", "710.125"), record("", "0.000")),
              "Mismatch: receiver reports \"\" 0.000");
}

TEST(UploadCheck, RowsMarkUnreadReceiversAsChangingBoth) {
    ReceiverTable planned;
    planned.count = 3;
    ReceiverTable reported;
    for (int n = 1; n <= 3; ++n) {
        planned.byNumber(n) = record("RX" + std::to_string(n), "710.125");
        reported.byNumber(n) = record("RX" + std::to_string(n), n == 2 ? "711.000" : "710.125");
    }
    const std::vector<UploadCheckRow> rows = uploadCheckRows(planned, reported, {true, true});
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_FALSE(rows[0].changed());
    EXPECT_TRUE(rows[1].freqDiffers());
    EXPECT_FALSE(rows[1].nameDiffers());
    EXPECT_FALSE(rows[2].reported) << "no answer recorded for receiver 3";
    EXPECT_TRUE(rows[2].nameDiffers() && rows[2].freqDiffers());
    EXPECT_EQ(changeText("711.000", "710.125"), "711.000 -> 710.125");
    EXPECT_EQ(changeText("RX1", "RX1"), "RX1");
}
