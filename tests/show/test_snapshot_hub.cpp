#include "show/snapshot_hub.h"

#include <gtest/gtest.h>

#include <vector>

using namespace tessaly::show;

TEST(SnapshotHub, NumbersSnapshotsKeepsTheLatestAndStopsCallingAnUnsubscribedListener) {
    SnapshotHub hub;
    EXPECT_EQ(hub.latest(), nullptr);

    std::vector<uint64_t> seen;
    const int key = hub.subscribe([&](const ShowSnapshotPtr& s) { seen.push_back(s->sequence); });
    // A listener that leaves from inside its own call must not upset the others.
    int selfRemovingKey = 0;
    int selfRemovingCalls = 0;
    selfRemovingKey = hub.subscribe([&](const ShowSnapshotPtr&) {
        ++selfRemovingCalls;
        hub.unsubscribe(selfRemovingKey);
    });

    ShowSnapshot first;
    first.monitoring = true;
    hub.publish(first);
    hub.publish(ShowSnapshot{});
    hub.unsubscribe(key);
    hub.publish(ShowSnapshot{});

    EXPECT_EQ(seen, (std::vector<uint64_t>{1, 2}));
    EXPECT_EQ(selfRemovingCalls, 1);
    ASSERT_NE(hub.latest(), nullptr);
    EXPECT_EQ(hub.latest()->sequence, 3u);
    EXPECT_FALSE(hub.latest()->monitoring);
}
