#include "traffic/dialogs/CTrafficGraphWnd.h"

#include <gtest/gtest.h>

#include <QTableWidget>

TEST(TrafficGraph, EventsAreStackedPerSecondAndTheBusiestSendersListed) {
    TrafficCounts counts;
    // Made first: the window draws the counts of the present second as it opens.
    CTrafficGraphWnd window(counts);
    const int64_t now = 9000;
    counts.Count(now - 1, 2, {10, 0, 0, 1});
    counts.Count(now - 1, 2, {10, 0, 0, 1});
    counts.Count(now - 1, 4, {10, 0, 0, 2});
    counts.Count(now, 6, {10, 0, 0, 2});
    counts.Count(now, 6, {10, 0, 0, 2});
    window.ShowCounts(counts.Snapshot(now));

    const int last = kTrafficSeconds - 1;
    // One second before now: two link downs, then one auth failure on top of them.
    EXPECT_EQ(window.StackedAt(1, last - 1), 0);
    EXPECT_EQ(window.StackedAt(2, last - 1), 2);
    EXPECT_EQ(window.StackedAt(3, last - 1), 2);
    EXPECT_EQ(window.StackedAt(4, last - 1), 3);
    EXPECT_EQ(window.StackedAt(7, last - 1), 3);
    EXPECT_EQ(window.StackedAt(6, last), 2);
    EXPECT_EQ(window.StackedAt(7, 0), 0);

    QTableWidget* senders = window.Senders();
    ASSERT_EQ(senders->rowCount(), 2);
    EXPECT_EQ(senders->item(0, 0)->text(), "10.0.0.2");
    EXPECT_EQ(senders->item(0, 1)->text(), "3");
    EXPECT_EQ(senders->item(1, 0)->text(), "10.0.0.1");
}
