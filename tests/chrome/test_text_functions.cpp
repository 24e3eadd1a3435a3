#include "chrome/text_functions.h"

#include <gtest/gtest.h>

using namespace tessaly;

TEST(TextFunctions, KeepNumberCharactersKeepsDigitsAndDots) {
    EXPECT_EQ(keepNumberCharacters(QStringLiteral("710.125 MHz")), QStringLiteral("710.125"));
    EXPECT_EQ(keepNumberCharacters(QStringLiteral(" 192.168.0.1\t\r\n")),
              QStringLiteral("192.168.0.1"));
    EXPECT_EQ(keepNumberCharacters(QStringLiteral("-1,5")), QStringLiteral("15"));
}

TEST(TextFunctions, KeepNameCharactersKeepsTheNameFilterSet) {
    EXPECT_EQ(keepNameCharacters(QStringLiteral("Rx#1 (A)")), QStringLiteral("Rx1 A"));
    EXPECT_EQ(keepNameCharacters(QStringLiteral("Vox_L+R.2-b")), QStringLiteral("Vox_L+R.2-b"));
    // Letters outside A-Z are dropped, as typing them would be.
    EXPECT_EQ(keepNameCharacters(QStringLiteral("B\u00fchne\t1")), QStringLiteral("Bhne1"));
}

TEST(TextFunctions, ExpandTabsGivesFourBlanksPerTab) {
    EXPECT_EQ(expandTabs(QStringLiteral("a\tb")), QStringLiteral("a    b"));
    EXPECT_EQ(expandTabs(QStringLiteral("\t\tx\r\n")), QStringLiteral("        x\r\n"));
    EXPECT_EQ(expandTabs(QString()), QString());
}

TEST(TextFunctions, BytesAreUtf8WithLatin1Fallback) {
    EXPECT_EQ(textFromBytes("B\xc3\xbchne"), QStringLiteral("B\u00fchne"));
    // A single-byte code page file: not valid UTF-8, so read byte by byte.
    EXPECT_EQ(textFromBytes("B\xfchne"), QStringLiteral("B\u00fchne"));
    // A multi-byte sequence cut off at the end is not valid either.
    EXPECT_EQ(textFromBytes("ab\xc3"), QStringLiteral("ab\u00c3"));
    EXPECT_EQ(bytesFromText(QStringLiteral("B\u00fchne")), std::string("B\xc3\xbchne"));
    EXPECT_EQ(textFromBytes(bytesFromText(QStringLiteral("Mic \u00e9"))),
              QStringLiteral("Mic \u00e9"));
}
