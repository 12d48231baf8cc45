#include "program/AlarmChangeForwarding.h"

#include <cstdio>
#include <memory>
#include <system_error>

#include "forward/Forwarder.h"
#include "rules/RuleText.h"

bool AlarmChangeToFields(const AlarmChange& change, AlarmChangeFields& fields) {
    switch (change.kind) {
    case AlarmChangeKind::kRaised: fields.change = "raised"; break;
    case AlarmChangeKind::kSeverityChanged: fields.change = "severity"; break;
    case AlarmChangeKind::kAcknowledged: fields.change = "acknowledged"; break;
    case AlarmChangeKind::kCleared: fields.change = "cleared"; break;
    case AlarmChangeKind::kUnacknowledged:
    case AlarmChangeKind::kRemoved: return false;
    }
    const AlarmFacts& facts = *change.facts;
    const AlarmSeverityInfo& severity = SeverityInfo(facts.severity);
    fields.ms = change.ms;
    fields.alarmId = facts.id;
    fields.severity = severity.name;
    fields.severityLabel = severity.label;
    fields.state = StateName(facts.state);
    fields.sender = FormatDottedAddress(facts.sender);
    fields.trapOid = facts.trapOid;
    fields.trapName = facts.trapName;
    fields.instance = facts.instance;
    fields.instanceNames = facts.instanceNames;
    fields.rule = facts.ruleName;
    fields.count = change.count;
    fields.firstMs = facts.firstMs;
    fields.lastMs = change.lastMs;
    fields.message = facts.message;
    fields.ackUser = facts.ackUser;
    fields.ackNote = facts.ackNote;
    return true;
}

AlarmChangeForwarding::AlarmChangeForwarding(const AlarmEngine& alarms, Forwarder& forwarder)
    : alarms_(alarms), forwarder_(forwarder) {}

AlarmChangeForwarding::~AlarmChangeForwarding() { Stop(); }

void AlarmChangeForwarding::Start() {
    if (thread_.joinable()) return;
    seen_ = alarms_.LastChange();
    {
        std::lock_guard lock(mutex_);
        stopping_ = false;
    }
    try {
        thread_ = std::thread([this] { Run(); });
    } catch (const std::system_error&) {
        std::fprintf(stderr, "olixtrap: the changes of the alarms are not forwarded\n");
        std::fflush(stderr);
    }
}

void AlarmChangeForwarding::Stop() {
    if (!thread_.joinable()) return;
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_all();
    thread_.join();
}

void AlarmChangeForwarding::Run() {
    std::unique_lock lock(mutex_);
    while (true) {
        const bool stopping = wake_.wait_for(lock, kAlarmFeedRound, [this] { return stopping_; });
        lock.unlock();
        Round();
        lock.lock();
        if (stopping) return;
    }
}

void AlarmChangeForwarding::Round() {
    // Without a destination that takes them, changes are nobody's loss: the follower only
    // moves on.
    if (!forwarder_.TakesAlarmChanges()) {
        seen_ = alarms_.LastChange();
        return;
    }
    const std::vector<AlarmChange> changes = alarms_.ChangesSince(seen_);
    if (changes.empty()) return;
    if (changes.front().sequence > seen_ + 1)
        forwarder_.CountAlarmChangesLost(changes.front().sequence - seen_ - 1);
    for (const AlarmChange& change : changes) {
        auto fields = std::make_shared<AlarmChangeFields>();
        if (AlarmChangeToFields(change, *fields)) forwarder_.OfferAlarmChange(std::move(fields));
    }
    seen_ = changes.back().sequence;
}
