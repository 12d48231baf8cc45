// The follower of the alarms' change feed: what it hands on and what it counts as lost
// when it fell behind the feed.

#include "program/AlarmChangeForwarding.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include "forward/Forwarder.h"
#include "settings/SettingsSource.h"
#include "snmp/BerTags.h"
#include "support/TempProgramFolder.h"
#include "support/TrapRecords.h"
#include "trap/LossCounters.h"

namespace {

using namespace std::chrono_literals;

TEST(AlarmChangeForwardingTest, AFollowerBehindTheFeedCountsTheGapAndForwardsTheRest) {
    TempProgramFolder folder;
    SettingsSource settings;
    LossCounters losses;
    Forwarder forwarder(settings, losses);
    AlarmEngine alarms({.settings = settings, .mib = nullptr, .losses = losses});
    AlarmChangeForwarding follower(alarms, forwarder);
    ForwardSettings destinations;
    destinations[0].kind = ForwardKind::kJson;
    destinations[0].path = folder.File("alarms.json");
    destinations[0].content = ForwardContent::kAlarmChanges;
    destinations[1].kind = ForwardKind::kJson;
    destinations[1].path = folder.File("traps.json");
    forwarder.ApplyForwardSettings(destinations);

    auto linkDown = NewTrapRecord(kSnmpV2c, {10, 0, 0, 1});
    const std::string_view oid = "1.3.6.1.6.3.1.1.5.3";
    oid.copy(AddBinding(*linkDown, "1.3.6.1.6.3.1.1.4.1.0", kTagOid).oidText(), oid.size());
    AddIntegerBinding(*linkDown, "1.3.6.1.2.1.2.2.1.1.2", 2);
    alarms.Tap(*linkDown, TappedDatagram{}, true);
    const int64_t id = alarms.Snapshot().alarms.at(0).facts->id;
    // Change 1 raised it; 10,004 more leave the feed holding changes 6 to 10,005, of which
    // the acknowledgements (even numbers) are forwarded and the others are not.
    for (int i = 0; i < 5002; ++i) {
        ASSERT_TRUE(alarms.Acknowledge(id, "yamada", "見た"));
        ASSERT_TRUE(alarms.Unacknowledge(id, "yamada", ""));
    }
    ASSERT_EQ(alarms.LastChange(), 10'005u);
    follower.Round();
    ASSERT_TRUE(forwarder.DrainForwarding(10s));

    EXPECT_EQ(forwarder.ForwardDestinationStatus(0).dropped, 5u);
    EXPECT_EQ(forwarder.ForwardDestinationStatus(0).delivered, 5000u);
    EXPECT_EQ(forwarder.ForwardDestinationStatus(1).dropped, 0u);  // takes traps only
    EXPECT_EQ(losses.Read(LossKind::kForwardDropped), 5u);
    std::stringstream lines(folder.Read("alarms.json"));
    std::string first;
    std::getline(lines, first);
    EXPECT_NE(first.find("\"change\":\"acknowledged\""), std::string::npos) << first;
    EXPECT_NE(first.find("\"ackUser\":\"yamada\",\"ackNote\":\"見た\""), std::string::npos);

    // Caught up, a round finds nothing new and counts nothing.
    follower.Round();
    EXPECT_EQ(forwarder.ForwardDestinationStatus(0).dropped, 5u);
    EXPECT_FALSE(std::filesystem::exists(folder.File("traps.json")));
}

}  // namespace
