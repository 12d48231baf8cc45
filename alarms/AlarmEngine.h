#pragma once
// The alarms: one per key (the sender, the trap's identity and the values of the instance
// bindings its rule names), fed by every trap the reception filter lets through. A repeat
// updates its alarm; clearing traps, silence, the user and muting change them.
//
// The receiver calls Tap on its own thread. A repeat of an open alarm whose severity stays
// takes no lock and allocates nothing: the receiver finds the alarm in a table of its own
// (its cache) and updates the alarm's atomic count and time; every other change (a new
// alarm, a severity, a clear, a message refreshed) takes the engine's lock, which other
// threads hold only for short copies. The windows read snapshots; the store and any other
// follower read the change feed and the history.

#include <array>
#include <atomic>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "alarms/AlarmRules.h"
#include "alarms/AlarmSeverity.h"
#include "alarms/HistoryRing.h"
#include "trap/TrapTap.h"

class LossCounters;
class MibService;
class SettingsSource;

// At most this many alarms exist at once (in view: open, or cleared and still shown):
// 1,000 senders with 10 instances each fit. A trap that would make one more first pushes
// out the oldest cleared alarm; with none, it is counted as lost (LossKind::kAlarmsDropped).
inline constexpr std::size_t kMaxAlarms = 10'000;

// Milliseconds since the epoch.
class AlarmClock {
public:
    virtual ~AlarmClock() = default;
    virtual int64_t NowMs() const = 0;
};

// What describes an alarm besides its count and last time; replaced whole on each change,
// so a reader holds a consistent copy without a lock.
struct AlarmFacts {
    int64_t id = 0;
    std::array<uint8_t, 4> sender{};
    std::string trapOid;        // the trap's identity (SNMPv1: its RFC 3584 OID)
    std::string instance;       // the instance bindings' values, "," between them
    std::string ruleName;       // the rule that made it; empty for none
    std::string trapName;       // MIB name of the trap; empty when none is known
    std::string instanceNames;  // "IF-MIB::ifIndex.2=2", "," between them
    AlarmSeverity severity = AlarmSeverity::kIndeterminate;
    AlarmState state = AlarmState::kRaised;
    std::string message;  // the last trap's
    int64_t firstMs = 0;
    int64_t clearedMs = 0;  // 0 while open
    int64_t clearAfterSeconds = 0;
    std::string ackUser;  // the last acknowledgement's
    std::string ackNote;
    int64_t ackMs = 0;
};

struct AlarmView {
    std::shared_ptr<const AlarmFacts> facts;
    uint64_t count = 0;
    int64_t lastMs = 0;
};

struct AlarmSnapshot {
    uint64_t changeSequence = 0;    // the last change it includes
    std::vector<AlarmView> alarms;  // in the order of their ids
};

enum class AlarmChangeKind : uint8_t {
    kRaised,  // new, or raised again after a clear
    kSeverityChanged,
    kAcknowledged,
    kUnacknowledged,
    kCleared,
    kRemoved,  // left the view
};

struct AlarmChange {
    uint64_t sequence = 0;
    AlarmChangeKind kind = AlarmChangeKind::kRaised;
    int64_t ms = 0;
    std::shared_ptr<const AlarmFacts> facts;  // as the change left it
    uint64_t count = 0;
    int64_t lastMs = 0;  // the alarm's last trap
};

// What is muted until when, and the traps that arrived while it was.
struct AlarmMute {
    bool bySender = true;
    std::array<uint8_t, 4> sender{};
    std::string ruleName;
    int64_t untilMs = 0;
    uint64_t traps = 0;
};

// What the store writes: alarms whose row changed, history and acknowledgements.
struct AlarmAckRecord {
    int64_t ms = 0;
    int64_t alarmId = 0;
    std::string action;  // acknowledge, unacknowledge, clear, remove
    std::string user;
    std::string note;
};

struct AlarmRowChange {
    AlarmView view;
    bool shown = true;  // false: it left the view (the row stays with its history)
};

struct AlarmStoreBatch {
    std::vector<AlarmRowChange> rows;
    std::vector<AlarmHistoryEntry> history;
    std::vector<AlarmAckRecord> acks;
    void Clear() {
        rows.clear();
        history.clear();
        acks.clear();
    }
    bool Empty() const { return rows.empty() && history.empty() && acks.empty(); }
};

// The changes of an alarm that start its rule's actions.
enum class AlarmActionEvent : uint8_t {
    kRaised,   // new, or raised again after a clear
    kRose,     // a trap more severe than the alarm
    kCleared,  // cleared by a trap
};

// Runs a rule's actions (pop-up, program, sound, mail) for the trap that changed its
// alarm; called on the receiver thread, outside the engine's lock.
class AlarmActionPort {
public:
    virtual ~AlarmActionPort() = default;
    virtual void RunAlarmActions(const TrapRecord& record, const AlarmRule& rule,
                                 AlarmActionEvent event) = 0;
};

struct AlarmEngineParts {
    const SettingsSource& settings;   // the trap message's formats, the time cleared alarms show
    const MibService* mib = nullptr;  // names; none: OIDs only
    LossCounters& losses;
    const AlarmClock* clock = nullptr;  // none: the system's
};

class AlarmEngine final : public TrapTap {
public:
    explicit AlarmEngine(const AlarmEngineParts& parts);
    ~AlarmEngine() override;
    AlarmEngine(const AlarmEngine&) = delete;
    AlarmEngine& operator=(const AlarmEngine&) = delete;

    // Rules in force from the next trap on.
    void SetRules(AlarmRuleList rules);
    // Where the rules' actions go (before reception starts); none: no actions run.
    void SetActionPort(AlarmActionPort* port) { actionPort_ = port; }
    std::shared_ptr<const AlarmRuleList> Rules() const;

    // The receiver's listener: one thread at a time.
    bool WantsOctets() const override { return false; }
    void Tap(const TrapRecord& record, const TappedDatagram& datagram, bool received) override;

    // The alarms in view, for a window's tick.
    AlarmSnapshot Snapshot() const;
    // Changes after sequence `after`, oldest first; the feed keeps the last 10,000, so a
    // follower that fell further behind finds the first sequence it gets above after + 1.
    std::vector<AlarmChange> ChangesSince(uint64_t after) const;
    uint64_t LastChange() const;

    // The window's calls. False when the alarm is not in view (or, for a clear, already
    // cleared; for remove, not cleared).
    bool Acknowledge(int64_t id, std::string_view user, std::string_view note);
    bool Unacknowledge(int64_t id, std::string_view user, std::string_view note);
    bool ClearByHand(int64_t id, std::string_view user, std::string_view note);
    bool Remove(int64_t id, std::string_view user);
    // Removes every cleared alarm from the view; returns how many.
    std::size_t RemoveCleared(std::string_view user);

    // Muting until untilMs (0 ends it). Traps of a muted sender or rule raise and clear
    // nothing and are counted.
    void MuteSender(std::array<uint8_t, 4> sender, int64_t untilMs);
    void MuteRule(std::string_view ruleName, int64_t untilMs);
    std::vector<AlarmMute> Mutes() const;

    // The store's side. Restore puts the alarms read at start-up back, before reception.
    void Restore(const std::vector<AlarmView>& alarms, int64_t nextId);
    // Clears alarms silent for their rule's time and removes cleared alarms shown long
    // enough; the store calls it on each of its rounds.
    void Tick();
    // Moves what changed since the last call into batch (appending).
    void TakeStoreBatch(AlarmStoreBatch& batch);

    std::size_t AlarmCount() const;

private:
    struct Slot;
    struct CacheEntry {
        uint64_t hash = 0;
        uint32_t slot = 0;
        uint64_t stamp = 0;  // 0: empty
    };
    struct Config;

    int64_t Now() const;
    void RefreshConfig();
    bool CountMuted(uint32_t sender, const AlarmRule* rule, int64_t now);
    bool FastRepeat(const AlarmRule& rule, int64_t now);
    void SlowTrap(const TrapRecord& record, const AlarmRule* rule, int ruleIndex, int64_t now);
    void ClearMatching(const TrapRecord& record, const AlarmRule& rule, int64_t now);
    // Queues rule's actions for event when the rule asks for them (receiver thread).
    void QueueActions(const AlarmRule* rule, AlarmActionEvent event);
    void RunQueuedActions(const TrapRecord& record);
    // Under lock_.
    Slot* Find(const std::string& key);
    Slot* Create(const std::string& key, int64_t now);
    void Publish(Slot& slot, std::shared_ptr<const AlarmFacts> facts, AlarmChangeKind kind,
                 int64_t now, bool stampChanges);
    void FreeSlot(Slot& slot, int64_t now);
    void History(const Slot& slot, AlarmHistoryEvent event, int64_t now);
    void Ack(int64_t id, std::string_view action, std::string_view user, std::string_view note,
             int64_t now);
    Slot* ById(int64_t id);
    std::string MessageFor(const TrapRecord& record, const AlarmRule* rule) const;
    std::shared_ptr<AlarmFacts> NewFacts(const TrapRecord& record, const AlarmRule* rule,
                                         int64_t id, int64_t now) const;

    const SettingsSource& settings_;
    const MibService* mib_;
    LossCounters& losses_;
    const AlarmClock* clock_;

    mutable std::mutex lock_;  // guards what follows, up to the receiver's own
    std::shared_ptr<const Config> config_;
    std::vector<std::unique_ptr<Slot>> slots_;  // kMaxAlarms, made once
    std::vector<uint32_t> free_;
    std::unordered_map<std::string, uint32_t> byKey_;
    std::unordered_map<int64_t, uint32_t> byId_;
    int64_t nextId_ = 1;
    uint64_t sequence_ = 0;
    std::deque<AlarmChange> feed_;
    AlarmStoreBatch pending_;
    std::atomic<uint64_t> configEpoch_{1};

    // The receiver thread's own.
    uint64_t seenEpoch_ = 0;
    std::shared_ptr<const Config> seenConfig_;
    std::string key_;
    std::string oid_;
    std::vector<CacheEntry> cache_;
    HistoryRing ring_;
    AlarmActionPort* actionPort_ = nullptr;
    std::vector<std::pair<const AlarmRule*, AlarmActionEvent>> actions_;
};
