#include "sim/control_channel.h"
#include "sim/simulator.h"

#include <gtest/gtest.h>

using namespace tessaly::sim;

namespace {

struct LineCase {
    const char* line;
    const char* answer; // "ok" or the start of the error
};

class ControlLine : public ::testing::TestWithParam<LineCase> {};

TEST_P(ControlLine, ParsesOrRefusesTheWholeLine) {
    ControlCommand command;
    std::string error;
    const bool ok = parseControlLine(GetParam().line, 8, command, error);
    const std::string expected = GetParam().answer;
    EXPECT_EQ(ok, expected == "ok") << error;
    if (!ok) {
        EXPECT_EQ(error.rfind(expected, 0), 0u) << error;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Lines, ControlLine,
    ::testing::Values(LineCase{"3 battery 0", "ok"}, LineCase{"2,5-7 drain 30\r", "ok"},
                      LineCase{"all rf -90.5 -88", "ok"}, LineCase{"1 rf live", "ok"},
                      LineCase{"1  af   19", "ok"}, LineCase{"1 af live", "ok"},
                      LineCase{"8 mute 1", "ok"}, LineCase{"1 fault late:200", "ok"},
                      LineCase{"all fault none", "ok"}, LineCase{"4 down", "ok"},
                      LineCase{"4 up", "ok"}, LineCase{"", "expected RX"},
                      LineCase{"3", "expected RX"}, LineCase{"9 battery 1", "no receiver 9"},
                      LineCase{"0 battery 1", "bad receiver"}, LineCase{"5-2 up", "bad receiver"},
                      LineCase{"1 battery 5", "usage"}, LineCase{"1 battery 2x", "usage"},
                      LineCase{"1 drain -1", "usage"}, LineCase{"1 rf -90", "usage"},
                      LineCase{"1 rf nan nan", "usage"}, LineCase{"1 af loud", "usage"},
                      LineCase{"1 mute 2", "usage"}, LineCase{"1 up now", "usage"},
                      LineCase{"1 fault melt", "unknown fault"},
                      LineCase{"1 volume 3", "unknown key"}));

TEST(ControlChannel, AppliesGoodLinesAndABadLineChangesNothing) {
    Simulator simulator;
    SimulatorOptions options;
    options.count = 3;
    options.port = 0;
    ASSERT_TRUE(simulator.start(options));
    ControlChannel control(simulator);

    EXPECT_EQ(control.handleLine("2,3 battery 1"), "ok");
    EXPECT_EQ(control.handleLine("all rf -91 -92.5"), "ok");
    EXPECT_EQ(control.handleLine("1 af 19"), "ok");
    EXPECT_EQ(control.handleLine("3 mute 1"), "ok");
    EXPECT_EQ(control.handleLine("1,9 battery 0"), "error: no receiver 9 (there are 3)");
    EXPECT_EQ(simulator.levels(1).af, 19.0);
    EXPECT_EQ(simulator.levels(2).battery, 1);
    EXPECT_EQ(simulator.levels(3).rfB, -92.5);
    EXPECT_EQ(simulator.levels(3).mute, 1);
    EXPECT_NE(simulator.levels(1).battery, 0);

    EXPECT_EQ(control.handleLine("2 drain 3600"), "ok"); // from the level at hand
    EXPECT_EQ(simulator.levels(2).battery, 1);
    EXPECT_EQ(control.handleLine("all rf live"), "ok");
    EXPECT_NE(simulator.levels(3).rfB, -92.5);
    EXPECT_EQ(control.handleLine("1 fault silent"), "ok");
    EXPECT_EQ(simulator.fault(1).kind, FaultKind::Silent);
    EXPECT_EQ(control.handleLine("3 down"), "ok");
    EXPECT_EQ(control.handleLine("3 up"), "ok");
}

} // namespace
