#include "protocol/frequency.h"
#include "protocol/receiver_table.h"

#include <gtest/gtest.h>

#include <clocale>

using namespace tessaly;

TEST(Frequency, ConvertsBothWaysOnTheChannelGrid) {
    EXPECT_EQ(textToKhz("946.125"), 946125);
    EXPECT_EQ(khzToText(946125), "946.125");
    EXPECT_EQ(textToKhz("704.1250"), 704125);
    EXPECT_EQ(textToKhz("710.125"), 710125);
    EXPECT_EQ(khzToText(710125), "710.125");
    EXPECT_EQ(textToKhz(""), 0);
    EXPECT_EQ(textToKhz("abc"), 0);
    EXPECT_EQ(textToKhz("  -1.5xyz"), -1500);
    EXPECT_EQ(textToKhz("1e300"), INT32_MAX);
}

TEST(Frequency, IgnoresTheProcessLocale) {
    // A decimal comma locale must not change files or command lines.
    if (std::setlocale(LC_ALL, "de_DE.UTF-8") == nullptr &&
        std::setlocale(LC_NUMERIC, "C.UTF-8") == nullptr) {
        GTEST_SKIP() << "no second locale installed";
    }
    EXPECT_EQ(khzToText(710125), "710.125");
    EXPECT_EQ(textToKhz("710.125"), 710125);
    EXPECT_EQ(formatFixed(710.125, 4), "710.1250");
    std::setlocale(LC_ALL, "C");
}

TEST(Frequency, RecognisesPlainDecimalsOnly) {
    EXPECT_TRUE(isPlainDecimal("710.125"));
    EXPECT_TRUE(isPlainDecimal("710"));
    EXPECT_FALSE(isPlainDecimal(""));
    EXPECT_FALSE(isPlainDecimal("."));
    EXPECT_FALSE(isPlainDecimal("710.1.2"));
    EXPECT_FALSE(isPlainDecimal("710;:SYST:REBOOT"));
    EXPECT_FALSE(isPlainDecimal("-710"));
}

TEST(ReceiverRecord, ResetGivesTheDocumentedValues) {
    ReceiverRecord record;
    record.name = "X";
    record.squelch = 3;
    record.commState = 1;
    record.reset();
    EXPECT_EQ(record.commState, -1);
    EXPECT_EQ(record.lineMic, 1);
    EXPECT_EQ(record.squelch, 20);
    EXPECT_EQ(record.rfPower, 1);
    EXPECT_EQ(record.dhcpServer, -1);
    EXPECT_EQ(record.ipSelect, -1);
    EXPECT_EQ(record.lowestFreqKhz, -1);
    EXPECT_EQ(record.highestFreqKhz, -1);
    EXPECT_EQ(record.band, -1);
    EXPECT_TRUE(record.name.empty());
    EXPECT_TRUE(record.ip.empty());
    EXPECT_EQ(record.colors[0], 0x00FF8000u);
    EXPECT_EQ(record.colors[3], 0x007F4000u);
}

TEST(ReceiverRecord, CopyRecomputesTheKhzValueFromTheText) {
    ReceiverRecord source;
    source.freqText = "710.125";
    source.freqKhz = 123;
    source.comment = "a\r\nb";
    source.rxKeyLockPin = 42;
    ReceiverRecord copy;
    copy.copyFrom(source);
    EXPECT_EQ(copy.freqKhz, 710125);
    EXPECT_EQ(copy.comment, "a\r\nb");
    EXPECT_EQ(copy.rxKeyLockPin, 42);
}

TEST(ReceiverTable, CopyCarriesAllSixtyRecordsAndTheHeader) {
    ReceiverTable source;
    source.count = 3;
    source.pollIntervalMs = 20;
    source.setMask = 0x3;
    source.getMask = 0x510DBC;
    source.records[10].name = "stale";
    source.records[59].ip = "10.0.0.60";
    ReceiverTable copy(source);
    EXPECT_EQ(copy.count, 3);
    EXPECT_EQ(copy.pollIntervalMs, 20);
    EXPECT_EQ(copy.setMask, 0x3u);
    EXPECT_EQ(copy.getMask, 0x510DBCu);
    EXPECT_EQ(copy.records[10].name, "stale");
    EXPECT_EQ(copy.byNumber(60).ip, "10.0.0.60");

    ReceiverTable assigned;
    assigned = source;
    EXPECT_EQ(assigned.records[10].name, "stale");
    assigned = assigned; // self-assignment must neither deadlock nor lose data
    EXPECT_EQ(assigned.count, 3);
}

TEST(ReceiverTable, ResetAndDefaultFrequency) {
    ReceiverTable table;
    table.count = 5;
    table.answerTimeoutMs = 1;
    table.records[0].name = "A";
    table.reset();
    EXPECT_EQ(table.count, 0);
    EXPECT_EQ(table.answerTimeoutMs, 3000);
    EXPECT_EQ(table.pollIntervalMs, 50);
    EXPECT_EQ(table.portNumber, 5025);
    EXPECT_TRUE(table.records[0].name.empty());
    table.fillDefaultFrequency("946.125");
    EXPECT_EQ(table.records[0].freqText, "946.125");
    EXPECT_EQ(table.records[59].freqKhz, 946125);
}

TEST(MonitorValueTable, ResetGivesTheDocumentedValues) {
    MonitorValueTable values;
    values.count = 4;
    values.byNumber(60).rfLevelA = -455;
    values.reset();
    EXPECT_EQ(values.count, 0);
    const MonitorValues& last = values.byNumber(60);
    EXPECT_EQ(last.rfLevelA, kNoLevel);
    EXPECT_EQ(last.rfLevelB, kNoLevel);
    EXPECT_EQ(last.afLevel, kNoLevel);
    EXPECT_EQ(last.freqKhz, -1);
    EXPECT_EQ(last.battery, -1);
    EXPECT_EQ(last.mute, -1);
    EXPECT_EQ(last.antennaSelect, -1);
}
