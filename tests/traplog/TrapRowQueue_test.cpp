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
    TakeQueuedRows();
    LossCounters losses;
    auto record = LargeTrap();
    // Far more rows than 64 MiB of these can hold.
    constexpr int kAttempts = 100000;
    int queued = 0;
    int refused = 0;
    for (int i = 0; i < kAttempts && refused == 0; ++i) {
        SetFixedText(record->community, "row" + std::to_string(i));
        if (QueueReceivedTrapRow(*record, ExpandTrapMessage(*record, AppSettings{}), losses) == 0)
            ++queued;
        else
            ++refused;
    }
    ASSERT_EQ(refused, 1) << "the queue took " << queued << " rows without a bound";
    EXPECT_EQ(losses.Read(LossKind::kRowsRemoved), 1u);
    // Held rows meet the bound when they are queued together; each without room counts.
    HoldTrapRows(true, losses);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(QueueReceivedTrapRow(*record, ExpandTrapMessage(*record, AppSettings{}), losses),
                  0);
    EXPECT_EQ(losses.Read(LossKind::kRowsRemoved), 1u);
    HoldTrapRows(false, losses);
    EXPECT_EQ(losses.Read(LossKind::kRowsRemoved), 4u);

    const std::vector<TrapRow> rows = TakeQueuedRows();
    ASSERT_EQ(rows.size(), static_cast<std::size_t>(queued));
    EXPECT_GT(rows.size() * rows.front().texts.size(), kMaxQueuedRowBytes / 2);
    for (std::size_t i : {std::size_t{0}, rows.size() / 2, rows.size() - 1})
        EXPECT_EQ(rows[i].Cell(kCommunityColumn), "row" + std::to_string(i));

    // Taken, the queue has room again; held rows arrive when they are queued, in order.
    EXPECT_EQ(QueueReceivedTrapRow(*record, ExpandTrapMessage(*record, AppSettings{}), losses), 0);
    HoldTrapRows(true, losses);
    for (const char* community : {"held1", "held2"}) {
        SetFixedText(record->community, community);
        EXPECT_EQ(QueueReceivedTrapRow(*record, ExpandTrapMessage(*record, AppSettings{}), losses),
                  0);
    }
    EXPECT_EQ(TakeQueuedRows().size(), 1u);
    QueueHeldTrapRows(losses);
    HoldTrapRows(false, losses);
    const std::vector<TrapRow> held = TakeQueuedRows();
    ASSERT_EQ(held.size(), 2u);
    EXPECT_EQ(held[0].Cell(kCommunityColumn), "held1");
    EXPECT_EQ(held[1].Cell(kCommunityColumn), "held2");
}

}  // namespace
