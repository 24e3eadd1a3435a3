#include "sim/fault.h"

#include <gtest/gtest.h>

using namespace tessaly::sim;

TEST(Fault, ParsesModesWithAndWithoutValues) {
    Fault fault;
    std::string error;
    ASSERT_TRUE(parseFault("late:1500", fault, error));
    EXPECT_EQ(fault, makeFault(FaultKind::Late, 1500));
    ASSERT_TRUE(parseFault("late", fault, error));
    EXPECT_EQ(fault, makeFault(FaultKind::Late, kDefaultLateMs));
    ASSERT_TRUE(parseFault("large-block", fault, error));
    EXPECT_EQ(fault.parameter, kDefaultLargeBlockBytes);
    ASSERT_TRUE(parseFault("ignore-set", fault, error));
    EXPECT_EQ(fault.kind, FaultKind::IgnoreSet);
    ASSERT_TRUE(parseFault("refuse", fault, error));
    EXPECT_EQ(fault.kind, FaultKind::Refuse);
    EXPECT_EQ(faultText(makeFault(FaultKind::LongLine)), "long-line:300");

    for (const char* bad :
         {"refuse:3", "late:", "late:-1", "late:12x", "nonsense", "", "late:99999999999"}) {
        fault = makeFault(FaultKind::Garbage);
        EXPECT_FALSE(parseFault(bad, fault, error)) << bad;
        EXPECT_FALSE(error.empty());
        EXPECT_EQ(fault.kind, FaultKind::Garbage) << "a failed parse leaves the fault alone";
    }
}

TEST(Fault, AssignmentNamesReceiversByListsAndRanges) {
    FaultAssignment assignment;
    std::string error;
    ASSERT_TRUE(parseFaultAssignment("2-4,7=late:500", assignment, error)) << error;
    EXPECT_EQ(assignment.numbers, (std::vector<int>{2, 3, 4, 7}));
    EXPECT_EQ(assignment.fault, makeFault(FaultKind::Late, 500));

    ASSERT_TRUE(parseFaultAssignment("garbage", assignment, error));
    EXPECT_TRUE(assignment.numbers.empty()) << "no numbers means every receiver";

    for (const char* bad :
         {"=refuse", "0=refuse", "4-2=refuse", "a=refuse", "3=", "3=boom", "1-100000=silent"}) {
        EXPECT_FALSE(parseFaultAssignment(bad, assignment, error)) << bad;
    }
}
