#include "traplog/TrapRowQueue.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "platform/FixedText.h"
#include "settings/AppSettings.h"
#include "support/TrapRecords.h"
#include "trap/LossCounters.h"
#include "traplog/TrapText.h"

namespace {

constexpr int kCommunityColumn = 6;

// An SNMPv2c trap whose bindings fill the bindings column (2047 bytes), so the queue fills
// after some tens of thousands of rows.
std::unique_ptr<TrapRecord> LargeTrap() {
    auto record = NewTrapRecord(kSnmpV2c, {192, 0, 2, 1});
    for (int i = 0; i < 20; ++i) {
        const std::string name = "1.3.6.1.4.1.8072." + std::string(99, '7') + ".";
        AddIntegerBinding(*record, name + std::to_string(i), static_cast<uint32_t>(i));
    }
    return record;
}

TEST(TrapRowQueue, ARowBeyondTheBoundIsCountedAsALossAndTheQueuedRowsKeepTheirOrderAlsoHeld) {
    LossCounters losses;
    TrapRowQueue queue{losses};
    auto record = LargeTrap();
    const auto message = [&] { return ExpandTrapMessage(*record, AppSettings{}); };
    // Far more rows than 64 MiB of these can hold.
    constexpr int kAttempts = 100000;
    int queued = 0;
    int refused = 0;
    for (int i = 0; i < kAttempts && refused == 0; ++i) {
        SetFixedText(record->community, "row" + std::to_string(i));
        if (queue.QueueReceivedTrapRow(*record, message()) == 0)
            ++queued;
        else
            ++refused;
    }
    ASSERT_EQ(refused, 1) << "the queue took " << queued << " rows without a bound";
    EXPECT_EQ(losses.Read(LossKind::kRowsRemoved), 1u);
    // Held rows meet the bound when they are queued together; each without room counts.
    HeldTrapRows held;
    for (int i = 0; i < 3; ++i) held.push_back(ReceivedTrapRow(*record, message()));
    EXPECT_EQ(losses.Read(LossKind::kRowsRemoved), 1u);
    queue.QueueHeldTrapRows(held);
    EXPECT_EQ(losses.Read(LossKind::kRowsRemoved), 4u);
    EXPECT_TRUE(held.empty());

    const std::vector<TrapRow> rows = queue.TakeQueuedRows();
    ASSERT_EQ(rows.size(), static_cast<std::size_t>(queued));
    EXPECT_GT(rows.size() * rows.front().texts.size(), kMaxQueuedRowBytes / 2);
    for (std::size_t i : {std::size_t{0}, rows.size() / 2, rows.size() - 1})
        EXPECT_EQ(rows[i].Cell(kCommunityColumn), "row" + std::to_string(i));

    // Taken, the queue has room again; held rows arrive when they are queued, in order.
    EXPECT_EQ(queue.QueueReceivedTrapRow(*record, message()), 0);
    for (const char* community : {"held1", "held2"}) {
        SetFixedText(record->community, community);
        held.push_back(ReceivedTrapRow(*record, message()));
    }
    EXPECT_EQ(queue.TakeQueuedRows().size(), 1u);
    queue.QueueHeldTrapRows(held);
    const std::vector<TrapRow> taken = queue.TakeQueuedRows();
    ASSERT_EQ(taken.size(), 2u);
    EXPECT_EQ(taken[0].Cell(kCommunityColumn), "held1");
    EXPECT_EQ(taken[1].Cell(kCommunityColumn), "held2");
}

}  // namespace
