#pragma once

#include "tests/support/netns_lab.h"

#include <gtest/gtest.h>

#include <string>

namespace tessaly::testing {

// A test suite on one lab LAN of type Lan (a NetnsLab with ready()): the suite builds it once
// when it may, each test runs on this thread inside the workstation namespace after the sweep
// safety check, and skips when no lab could be built. A fixture that adds to SetUp() calls this
// one first and returns when it skipped or failed.
template <class Lan> class NetnsLabTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        if (mayBuildLabs()) {
            lan = new Lan;
        }
    }
    static void TearDownTestSuite() {
        delete lan;
        lan = nullptr;
    }

    void SetUp() override {
        if (lan == nullptr || !lan->ready()) {
            GTEST_SKIP() << kLabNeedsText << "; skipped";
        }
        ASSERT_TRUE(visit_.enter(NetnsLab::path(lan->workstation())));
        // Never sweep a real network: this thread, and every thread it starts, must see only
        // the lab LAN.
        const std::string problem = sweepSafetyProblem(*lan);
        ASSERT_TRUE(problem.empty()) << problem;
    }
    void TearDown() override { EXPECT_TRUE(visit_.leave()); }

    bool setUpStopped() const { return IsSkipped() || HasFatalFailure(); }

    static inline Lan* lan = nullptr;
    NetnsVisit visit_;
};

} // namespace tessaly::testing
