#include <gtest/gtest.h>

#include <memory>
#include <numeric>

#include "reception/RejectedMessages.h"

namespace {

constexpr std::array<uint8_t, 4> kSender = {192, 0, 2, 7};

std::vector<RejectedMessage> CopyAll(const RejectedMessages& rejected, uint64_t after = 0) {
    std::vector<RejectedMessage> copied;
    rejected.CopySince(after, copied);
    return copied;
}

}  // namespace

TEST(RejectedMessages, KeepsTheNewestThousandOldestFirstAcrossTheWrap) {
    auto rejected = std::make_unique<RejectedMessages>();
    std::vector<uint8_t> octets(100);
    std::iota(octets.begin(), octets.end(), uint8_t{0});
    for (uint16_t i = 1; i <= 2345; ++i)
        rejected->Record(ArrivedDatagram(octets, kSender, i, 100),
                         RejectReason(i % kRejectReasonCount), 3, i, std::string(40, 'u'));
    EXPECT_EQ(rejected->LastSequence(), 2345u);

    const std::vector<RejectedMessage> kept = CopyAll(*rejected);
    ASSERT_EQ(kept.size(), RejectedMessages::kCapacity);
    for (std::size_t i = 0; i < kept.size(); ++i) {
        const uint16_t expected = static_cast<uint16_t>(1346 + i);
        ASSERT_EQ(kept[i].sequence, expected);
        EXPECT_EQ(kept[i].port, expected);
        EXPECT_EQ(kept[i].offset, expected);
    }
    const RejectedMessage& newest = kept.back();
    EXPECT_EQ(newest.reason, RejectReason(2345 % kRejectReasonCount));
    EXPECT_EQ(newest.Head().size(), RejectedMessage::kHeadRoom);
    EXPECT_EQ(newest.Head().back(), 63);
    EXPECT_EQ(newest.length, 100u);
    EXPECT_EQ(std::string(newest.userName.data()), std::string(32, 'u'));

    EXPECT_EQ(CopyAll(*rejected, 2340).size(), 5u);
    EXPECT_TRUE(CopyAll(*rejected, 2345).empty());
}

TEST(RejectedMessages, ClearForgetsTheEntriesButNotTheCounts) {
    const auto owned = std::make_unique<RejectedMessages>();
    RejectedMessages& rejected = *owned;
    const ArrivedDatagram arrived({}, kSender, 162, 0);
    rejected.Record(arrived, RejectReason::kAuthFailure, 3, 0, "alice");
    rejected.Record(arrived, RejectReason::kAuthFailure, 3, 0, "alice");
    rejected.Record(arrived, RejectReason::kFiltered, 1, 0, {});
    rejected.Clear();
    EXPECT_TRUE(CopyAll(rejected).empty());
    rejected.Record(arrived, RejectReason::kTooLarge, -1, 0, {});
    const std::vector<RejectedMessage> kept = CopyAll(rejected);
    ASSERT_EQ(kept.size(), 1u);
    EXPECT_EQ(kept[0].reason, RejectReason::kTooLarge);
    EXPECT_EQ(rejected.Counts(),
              (std::array<uint64_t, kRejectReasonCount>{0, 1, 0, 0, 2, 0, 0, 1}));
}
