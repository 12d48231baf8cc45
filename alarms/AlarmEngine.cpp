#include "alarms/AlarmEngine.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <chrono>
#include <cstring>
#include <functional>

#include "mib/MibService.h"
#include "mib/TrapNames.h"
#include "platform/Encoding.h"
#include "platform/FixedText.h"
#include "settings/SettingsSource.h"
#include "snmp/BerTags.h"
#include "trap/LossCounters.h"
#include "traplog/ReadableText.h"
#include "traplog/TrapText.h"

namespace {

constexpr std::string_view kSnmpTraps = "1.3.6.1.6.3.1.1.5.";
constexpr std::string_view kSnmpTrapEnterprise = "1.3.6.1.6.3.1.1.4.3.0";
constexpr std::size_t kCacheSize = 1 << 15;  // over three times kMaxAlarms
constexpr std::size_t kFeedLength = 10'000;
// A repeat takes the trap's message when the alarm's is older than this.
constexpr int64_t kMessageRefreshMs = 1000;

class SystemClock final : public AlarmClock {
public:
    int64_t NowMs() const override {
        return std::chrono::duration_cast<std::chrono::milliseconds>(
                   std::chrono::system_clock::now().time_since_epoch())
            .count();
    }
};

const SystemClock kSystemClock;

std::string_view TrimDot(std::string_view oid) {
    if (!oid.empty() && oid.front() == '.') oid.remove_prefix(1);
    return oid;
}

template <typename Number>
void AppendNumber(std::string& out, Number number) {
    char digits[24];
    const auto end = std::to_chars(digits, digits + sizeof digits, number).ptr;
    out.append(digits, end);
}

void AppendText(std::string& out, const char* text, std::size_t room) {
    out.append(text, strnlen(text, room));
}

// A binding's value as keys and binding conditions compare it, appended without a
// temporary: numbers in decimal, octet strings in the hex of the trap list.
void AppendValue(const VarBindEntry& entry, std::string& out) {
    switch (entry.tag) {
    case kTagBoolean:
    case kTagInteger: AppendNumber(out, static_cast<int32_t>(entry.intValue)); break;
    case kTagCounter32:
    case kTagGauge32:
    case kTagTimeTicks: AppendNumber(out, entry.intValue); break;
    case kTagCounter64: AppendNumber(out, entry.counter64()); break;
    case kTagOctetString: AppendText(out, entry.hexText(), VarBindEntry::kHexTextRoom); break;
    case kTagOid: AppendText(out, entry.oidText(), VarBindEntry::kOidTextRoom); break;
    case kTagIpAddress:
        for (int i = 0; i < 4; ++i) {
            if (i != 0) out += '.';
            AppendNumber(out, static_cast<unsigned>(entry.ipAddress()[i]));
        }
        break;
    default: break;
    }
}

std::string_view BindingName(const VarBindEntry& entry) {
    return TrimDot(
        std::string_view(entry.name.data(), strnlen(entry.name.data(), entry.name.size())));
}

bool NameUnder(std::string_view name, std::string_view oid) {
    return name.starts_with(oid) && (name.size() == oid.size() || name[oid.size()] == '.');
}

int BindingCount(const TrapRecord& record) {
    return std::clamp(record.varBindCount, 0, kMaxVarBinds);
}

// The first binding named oid or under it; -1 when none is.
int FindBinding(const TrapRecord& record, std::string_view oid) {
    const int count = BindingCount(record);
    for (int i = 0; i < count; ++i)
        if (NameUnder(BindingName(record.varBinds[i]), oid)) return i;
    return -1;
}

// The trap's identity into out: the snmpTrapOID.0 value, or for SNMPv1 the OID RFC 3584
// gives its generic and specific trap.
void NotificationOid(const TrapRecord& record, std::string& out) {
    out.clear();
    if (record.version == kSnmpV1) {
        if (record.genericTrap >= 0 && record.genericTrap < 6) {
            out += kSnmpTraps;
            AppendNumber(out, record.genericTrap + 1);
            return;
        }
        out += TrimDot(FixedTextView(record.enterprise));
        out += ".0.";
        AppendNumber(out, record.specificTrap);
        return;
    }
    const int index = FindBinding(record, kSnmpTrapOidInstance);
    if (index >= 0)
        out += TrimDot(std::string_view(
            record.varBinds[index].oidText(),
            strnlen(record.varBinds[index].oidText(), VarBindEntry::kOidTextRoom)));
}

std::string_view EnterpriseOf(const TrapRecord& record) {
    if (record.version == kSnmpV1) return TrimDot(FixedTextView(record.enterprise));
    const int index = FindBinding(record, kSnmpTrapEnterprise);
    if (index < 0) return {};
    const VarBindEntry& entry = record.varBinds[index];
    return TrimDot(
        std::string_view(entry.oidText(), strnlen(entry.oidText(), VarBindEntry::kOidTextRoom)));
}

uint32_t HostOrder(const std::array<uint8_t, 4>& address) {
    return uint32_t{address[0]} << 24 | uint32_t{address[1]} << 16 | uint32_t{address[2]} << 8 |
           address[3];
}

std::string DottedAddress(const std::array<uint8_t, 4>& address) {
    std::string text;
    for (int i = 0; i < 4; ++i) {
        if (i != 0) text += '.';
        AppendNumber(text, static_cast<unsigned>(address[i]));
    }
    return text;
}

bool Matches(const AlarmRule& rule, const TrapRecord& record, std::string_view oid,
             std::string& scratch) {
    if (!rule.traps.empty() &&
        std::none_of(rule.traps.begin(), rule.traps.end(),
                     [&](const OidPattern& pattern) { return pattern.Matches(oid); }))
        return false;
    if (!rule.enterprises.empty()) {
        const std::string_view enterprise = EnterpriseOf(record);
        if (std::none_of(rule.enterprises.begin(), rule.enterprises.end(),
                         [&](const OidPattern& pattern) { return pattern.Matches(enterprise); }))
            return false;
    }
    if (!rule.anySource) {
        const uint32_t sender = HostOrder(record.sourceAddress);
        if (sender < rule.sourceFirst || sender > rule.sourceLast) return false;
    }
    for (const BindingCondition& condition : rule.bindings) {
        const int index = FindBinding(record, condition.oid);
        if (index < 0) return false;
        scratch.clear();
        AppendValue(record.varBinds[index], scratch);
        // Octet strings' hex ends with a blank that a rule's line cannot keep.
        std::string_view value = scratch;
        while (!value.empty() && value.back() == ' ') value.remove_suffix(1);
        if (value != condition.value) return false;
    }
    return true;
}

// sender, identity and instance values, as one key.
void BuildKey(const std::array<uint8_t, 4>& sender, std::string_view oid, const TrapRecord& record,
              const std::vector<std::string>& instance, std::string& key) {
    key.assign(reinterpret_cast<const char*>(sender.data()), sender.size());
    key += oid;
    for (const std::string& binding : instance) {
        key += '\x1F';
        const int index = FindBinding(record, binding);
        if (index >= 0) AppendValue(record.varBinds[index], key);
    }
}

uint64_t HashKey(const std::string& key) { return std::hash<std::string>{}(key) | 1; }

// A binding's value as a person reads it: readable octet strings as text (UTF-8).
std::string ShownValue(const TrapRecord& record, int index) {
    std::string value = FormatTrapField(record, TrapField::VarBindValue, index);
    if (record.varBinds[index].tag == kTagOctetString) {
        if (std::string text = ReadableText(value); !text.empty()) return text;
    }
    return Cp932ToUtf8(value);
}

// The part of a MIB name after the module and before the index: "ifDescr".
std::string_view ShortName(std::string_view qualified) {
    if (const auto colons = qualified.find("::"); colons != std::string_view::npos)
        qualified.remove_prefix(colons + 2);
    return qualified.substr(0, qualified.find('.'));
}

}  // namespace

struct AlarmEngine::Slot {
    uint32_t index = 0;
    // (version << 4) | (severity << 1) | open; 0 while free. Changes, before anything else,
    // whenever the alarm's state or severity changes or the slot is freed.
    std::atomic<uint64_t> stamp{0};
    std::atomic<uint64_t> count{0};
    std::atomic<int64_t> lastMs{0};
    std::atomic<int64_t> messageMs{0};
    std::atomic<int64_t> id{0};
    uint64_t version = 0;
    // Under lock_; the key is written only by the receiver thread (or Restore, before it runs).
    std::string key;
    std::shared_ptr<const AlarmFacts> facts;
    // What the store last took.
    bool rowDirty = false;
    uint64_t storedCount = 0;
    int64_t storedLastMs = 0;
};

struct AlarmEngine::Config {
    std::shared_ptr<const AlarmRuleList> rules;
    AlarmRule fallback;  // for a trap no rule matches
    struct Mute {
        bool bySender = true;
        uint32_t sender = 0;
        std::string ruleName;
        int64_t untilMs = 0;
        std::shared_ptr<std::atomic<uint64_t>> traps;
    };
    std::vector<Mute> mutes;
};

AlarmEngine::AlarmEngine(const AlarmEngineParts& parts)
    : settings_(parts.settings),
      mib_(parts.mib),
      losses_(parts.losses),
      clock_(parts.clock != nullptr ? parts.clock : &kSystemClock),
      cache_(kCacheSize) {
    slots_.reserve(kMaxAlarms);
    free_.reserve(kMaxAlarms);
    for (std::size_t i = 0; i < kMaxAlarms; ++i) {
        slots_.push_back(std::make_unique<Slot>());
        slots_.back()->index = static_cast<uint32_t>(i);
        free_.push_back(static_cast<uint32_t>(kMaxAlarms - 1 - i));
    }
    byKey_.reserve(kMaxAlarms);
    byId_.reserve(kMaxAlarms);
    auto config = std::make_shared<Config>();
    config->rules = std::make_shared<const AlarmRuleList>(BuiltInAlarmRules());
    config_ = std::move(config);
    key_.reserve(1024);
    oid_.reserve(256);
}

AlarmEngine::~AlarmEngine() = default;

int64_t AlarmEngine::Now() const { return clock_->NowMs(); }

void AlarmEngine::SetRules(AlarmRuleList rules) {
    auto shared = std::make_shared<const AlarmRuleList>(std::move(rules));
    const std::lock_guard hold(lock_);
    auto config = std::make_shared<Config>(*config_);
    config->rules = std::move(shared);
    config_ = std::move(config);
    configEpoch_.fetch_add(1);
}

std::shared_ptr<const AlarmRuleList> AlarmEngine::Rules() const {
    const std::lock_guard hold(lock_);
    return config_->rules;
}

void AlarmEngine::RefreshConfig() {
    const uint64_t epoch = configEpoch_.load(std::memory_order_acquire);
    if (epoch == seenEpoch_) return;
    {
        const std::lock_guard hold(lock_);
        seenConfig_ = config_;
        seenEpoch_ = configEpoch_.load();
    }
    std::fill(cache_.begin(), cache_.end(), CacheEntry{});
}

bool AlarmEngine::CountMuted(uint32_t sender, const AlarmRule* rule, int64_t now) {
    for (const Config::Mute& mute : seenConfig_->mutes) {
        if (mute.untilMs <= now) continue;
        const bool hit = mute.bySender ? rule == nullptr && mute.sender == sender
                                       : rule != nullptr && mute.ruleName == rule->name;
        if (hit) {
            mute.traps->fetch_add(1, std::memory_order_relaxed);
            return true;
        }
    }
    return false;
}

void AlarmEngine::Tap(const TrapRecord& record, const TappedDatagram&, bool received) {
    if (!received) return;
    RefreshConfig();
    const int64_t now = Now();
    const uint32_t sender = HostOrder(record.sourceAddress);
    if (!seenConfig_->mutes.empty() && CountMuted(sender, nullptr, now)) return;
    NotificationOid(record, oid_);
    const AlarmRule* rule = &seenConfig_->fallback;
    int ruleIndex = -1;
    const AlarmRuleList& rules = *seenConfig_->rules;
    for (std::size_t i = 0; i < rules.size(); ++i) {
        if (Matches(rules[i], record, oid_, key_)) {
            rule = &rules[i];
            ruleIndex = static_cast<int>(i);
            break;
        }
    }
    if (!seenConfig_->mutes.empty() && ruleIndex >= 0 && CountMuted(sender, rule, now)) return;
    if (!rule->clears.empty()) ClearMatching(record, *rule, now);
    if (rule->raises) {
        BuildKey(record.sourceAddress, oid_, record, rule->instance, key_);
        if (!FastRepeat(*rule, now)) SlowTrap(record, rule, ruleIndex, now);
    }
    if (!actions_.empty()) RunQueuedActions(record);
}

void AlarmEngine::QueueActions(const AlarmRule* rule, AlarmActionEvent event) {
    if (actionPort_ == nullptr || rule == nullptr || !rule->HasActions()) return;
    const bool wanted = event == AlarmActionEvent::kRaised ? rule->actOnRaise
                        : event == AlarmActionEvent::kRose ? rule->actOnRise
                                                           : rule->actOnClear;
    if (wanted) actions_.emplace_back(rule, event);
}

void AlarmEngine::RunQueuedActions(const TrapRecord& record) {
    // The rules stay alive with seenConfig_ until the next trap.
    for (const auto& [rule, event] : actions_) actionPort_->RunAlarmActions(record, *rule, event);
    actions_.clear();
}

bool AlarmEngine::FastRepeat(const AlarmRule& rule, int64_t now) {
    const uint64_t hash = HashKey(key_);
    const CacheEntry& entry = cache_[hash & (kCacheSize - 1)];
    if (entry.stamp == 0 || entry.hash != hash) return false;
    Slot& slot = *slots_[entry.slot];
    const uint64_t stamp = slot.stamp.load();
    if (stamp != entry.stamp || (stamp & 1) == 0 ||
        ((stamp >> 1) & 7) != static_cast<uint64_t>(rule.severity))
        return false;
    if (slot.key != key_) return false;
    if (now - slot.messageMs.load(std::memory_order_relaxed) >= kMessageRefreshMs) return false;
    const uint64_t count = slot.count.fetch_add(1) + 1;
    slot.lastMs.store(now);
    if (slot.stamp.load() != stamp) {
        // The alarm changed meanwhile (a clear, a removal): the slow way decides again.
        slot.count.fetch_sub(1);
        return false;
    }
    const AlarmHistoryEntry history{.ms = now,
                                    .alarmId = slot.id.load(std::memory_order_relaxed),
                                    .sender = {},
                                    .event = AlarmHistoryEvent::kTrap,
                                    .severity = static_cast<uint8_t>(rule.severity),
                                    .count = count};
    if (!ring_.Push(history)) losses_.Count(LossKind::kAlarmsDropped);
    return true;
}

AlarmEngine::Slot* AlarmEngine::Find(const std::string& key) {
    const auto it = byKey_.find(key);
    return it == byKey_.end() ? nullptr : slots_[it->second].get();
}

AlarmEngine::Slot* AlarmEngine::Create(const std::string& key, int64_t now) {
    if (free_.empty()) {
        // The oldest cleared alarm makes room.
        Slot* oldest = nullptr;
        for (const auto& slot : slots_) {
            if (slot->facts && slot->facts->state == AlarmState::kCleared &&
                (oldest == nullptr || slot->facts->clearedMs < oldest->facts->clearedMs))
                oldest = slot.get();
        }
        if (oldest == nullptr) return nullptr;
        FreeSlot(*oldest, now);
    }
    Slot& slot = *slots_[free_.back()];
    free_.pop_back();
    slot.key = key;
    byKey_.emplace(key, slot.index);
    return &slot;
}

void AlarmEngine::Publish(Slot& slot, std::shared_ptr<const AlarmFacts> facts, AlarmChangeKind kind,
                          int64_t now, bool stampChanges) {
    if (stampChanges) {
        ++slot.version;
        const bool open = facts->state != AlarmState::kCleared;
        slot.stamp.store(slot.version << 4 | static_cast<uint64_t>(facts->severity) << 1 |
                         (open ? 1 : 0));
    }
    slot.facts = std::move(facts);
    slot.rowDirty = true;
    feed_.push_back({.sequence = ++sequence_,
                     .kind = kind,
                     .ms = now,
                     .facts = slot.facts,
                     .count = slot.count.load(),
                     .lastMs = slot.lastMs.load()});
    if (feed_.size() > kFeedLength) feed_.pop_front();
}

void AlarmEngine::History(const Slot& slot, AlarmHistoryEvent event, int64_t now) {
    pending_.history.push_back({.ms = now,
                                .alarmId = slot.facts->id,
                                .sender = slot.facts->sender,
                                .event = event,
                                .severity = static_cast<uint8_t>(slot.facts->severity),
                                .count = slot.count.load()});
}

void AlarmEngine::FreeSlot(Slot& slot, int64_t now) {
    ++slot.version;
    slot.stamp.store(0);
    if (slot.facts) {
        History(slot, AlarmHistoryEvent::kRemoved, now);
        pending_.rows.push_back({{slot.facts, slot.count.load(), slot.lastMs.load()}, false});
        feed_.push_back({.sequence = ++sequence_,
                         .kind = AlarmChangeKind::kRemoved,
                         .ms = now,
                         .facts = slot.facts,
                         .count = slot.count.load(),
                         .lastMs = slot.lastMs.load()});
        if (feed_.size() > kFeedLength) feed_.pop_front();
        byId_.erase(slot.facts->id);
    }
    byKey_.erase(slot.key);
    slot.facts.reset();
    slot.rowDirty = false;
    slot.count.store(0);
    slot.id.store(0);
    free_.push_back(slot.index);
}

std::string AlarmEngine::MessageFor(const TrapRecord& record, const AlarmRule* rule) const {
    if (rule == nullptr || rule->message.empty())
        return Cp932ToUtf8(ExpandTrapMessage(record, settings_.Snapshot()));
    const std::shared_ptr<const MibIndex> index = mib_ ? mib_->Index() : nullptr;
    const std::string_view text = rule->message;
    std::string out;
    for (std::size_t i = 0; i < text.size();) {
        if (text[i] != '$' || i + 1 == text.size()) {
            out += text[i++];
            continue;
        }
        if (text[i + 1] == '$') {
            out += '$';
            i += 2;
            continue;
        }
        std::size_t end = i + 1;
        while (end < text.size() &&
               (std::isalnum(static_cast<unsigned char>(text[end])) || text[end] == '_'))
            ++end;
        const std::string_view name = text.substr(i + 1, end - i - 1);
        if (name.empty()) {
            out += text[i++];
            continue;
        }
        i = end;
        if (name == "source") {
            out += DottedAddress(record.sourceAddress);
        } else if (name == "trap") {
            std::string oid;
            NotificationOid(record, oid);
            const std::string named = index ? OidName(*index, oid) : std::string();
            out += named.empty() ? oid : named;
        } else if (std::isdigit(static_cast<unsigned char>(name[0]))) {
            int position = 0;
            std::from_chars(name.data(), name.data() + name.size(), position);
            if (position >= 1 && position <= BindingCount(record))
                out += ShownValue(record, position - 1);
        } else if (index) {
            for (int b = 0; b < BindingCount(record); ++b) {
                const std::string qualified = OidName(*index, BindingName(record.varBinds[b]));
                if (ShortName(qualified) == name) {
                    out += ShownValue(record, b);
                    break;
                }
            }
        }
    }
    return out;
}

std::shared_ptr<AlarmFacts> AlarmEngine::NewFacts(const TrapRecord& record, const AlarmRule* rule,
                                                  int64_t id, int64_t now) const {
    auto facts = std::make_shared<AlarmFacts>();
    facts->id = id;
    facts->sender = record.sourceAddress;
    NotificationOid(record, facts->trapOid);
    facts->ruleName = rule->name;
    facts->severity = rule->severity;
    facts->state = AlarmState::kRaised;
    facts->firstMs = now;
    facts->clearAfterSeconds = rule->clearAfterSeconds;
    const std::shared_ptr<const MibIndex> index = mib_ ? mib_->Index() : nullptr;
    if (index) facts->trapName = OidName(*index, facts->trapOid);
    for (const std::string& binding : rule->instance) {
        if (!facts->instance.empty()) facts->instance += ',';
        if (!facts->instanceNames.empty()) facts->instanceNames += ',';
        const int b = FindBinding(record, binding);
        if (b < 0) continue;
        std::string value;
        AppendValue(record.varBinds[b], value);
        facts->instance += value;
        const std::string_view oid = BindingName(record.varBinds[b]);
        std::string named = index ? OidName(*index, oid) : std::string();
        facts->instanceNames += (named.empty() ? std::string(oid) : named) + '=' + value;
    }
    facts->message = MessageFor(record, rule);
    return facts;
}

void AlarmEngine::SlowTrap(const TrapRecord& record, const AlarmRule* rule, int ruleIndex,
                           int64_t now) {
    static_cast<void>(ruleIndex);
    const std::lock_guard hold(lock_);
    Slot* slot = Find(key_);
    if (slot == nullptr) {
        slot = Create(key_, now);
        if (slot == nullptr) {
            losses_.Count(LossKind::kAlarmsDropped);
            return;
        }
        const int64_t id = nextId_++;
        slot->id.store(id);
        slot->count.store(1);
        slot->lastMs.store(now);
        slot->messageMs.store(now);
        byId_.emplace(id, slot->index);
        Publish(*slot, NewFacts(record, rule, id, now), AlarmChangeKind::kRaised, now, true);
        History(*slot, AlarmHistoryEvent::kRaised, now);
        QueueActions(rule, AlarmActionEvent::kRaised);
    } else {
        const std::shared_ptr<const AlarmFacts> current = slot->facts;
        slot->count.fetch_add(1);
        slot->lastMs.store(now);
        slot->messageMs.store(now);
        auto facts = std::make_shared<AlarmFacts>(*current);
        facts->message = MessageFor(record, rule);
        facts->clearAfterSeconds = rule->clearAfterSeconds;
        facts->ruleName = rule->name;
        if (current->state == AlarmState::kCleared) {
            facts->state = AlarmState::kRaised;
            facts->severity = rule->severity;
            facts->clearedMs = 0;
            facts->ackUser.clear();
            facts->ackNote.clear();
            facts->ackMs = 0;
            Publish(*slot, std::move(facts), AlarmChangeKind::kRaised, now, true);
            History(*slot, AlarmHistoryEvent::kRaised, now);
            QueueActions(rule, AlarmActionEvent::kRaised);
        } else if (current->severity != rule->severity) {
            facts->severity = rule->severity;
            Publish(*slot, std::move(facts), AlarmChangeKind::kSeverityChanged, now, true);
            History(*slot, AlarmHistoryEvent::kSeverityChanged, now);
            if (rule->severity > current->severity) QueueActions(rule, AlarmActionEvent::kRose);
        } else {
            // Only the message is new: no change to announce.
            slot->facts = std::move(facts);
            slot->rowDirty = true;
            History(*slot, AlarmHistoryEvent::kTrap, now);
        }
    }
    const uint64_t hash = HashKey(key_);
    cache_[hash & (kCacheSize - 1)] = {hash, slot->index, slot->stamp.load()};
}

void AlarmEngine::ClearMatching(const TrapRecord& record, const AlarmRule& rule, int64_t now) {
    for (const std::string& cleared : rule.clears) {
        BuildKey(record.sourceAddress, cleared, record, rule.instance, key_);
        const std::lock_guard hold(lock_);
        Slot* slot = Find(key_);
        if (slot == nullptr || slot->facts->state == AlarmState::kCleared) continue;
        auto facts = std::make_shared<AlarmFacts>(*slot->facts);
        facts->state = AlarmState::kCleared;
        facts->severity = AlarmSeverity::kCleared;
        facts->clearedMs = now;
        // The actions are those of the rule that raised the alarm.
        const AlarmRule* raisedBy = nullptr;
        for (const AlarmRule& candidate : *seenConfig_->rules)
            if (candidate.name == facts->ruleName) raisedBy = &candidate;
        Publish(*slot, std::move(facts), AlarmChangeKind::kCleared, now, true);
        History(*slot, AlarmHistoryEvent::kCleared, now);
        QueueActions(raisedBy, AlarmActionEvent::kCleared);
    }
}

AlarmSnapshot AlarmEngine::Snapshot() const {
    AlarmSnapshot snapshot;
    const std::lock_guard hold(lock_);
    snapshot.changeSequence = sequence_;
    snapshot.alarms.reserve(byId_.size());
    for (const auto& slot : slots_)
        if (slot->facts)
            snapshot.alarms.push_back({slot->facts, slot->count.load(), slot->lastMs.load()});
    std::sort(snapshot.alarms.begin(), snapshot.alarms.end(),
              [](const AlarmView& a, const AlarmView& b) { return a.facts->id < b.facts->id; });
    return snapshot;
}

std::vector<AlarmChange> AlarmEngine::ChangesSince(uint64_t after) const {
    const std::lock_guard hold(lock_);
    std::vector<AlarmChange> changes;
    for (const AlarmChange& change : feed_)
        if (change.sequence > after) changes.push_back(change);
    return changes;
}

uint64_t AlarmEngine::LastChange() const {
    const std::lock_guard hold(lock_);
    return sequence_;
}

AlarmEngine::Slot* AlarmEngine::ById(int64_t id) {
    const auto it = byId_.find(id);
    return it == byId_.end() ? nullptr : slots_[it->second].get();
}

void AlarmEngine::Ack(int64_t id, std::string_view action, std::string_view user,
                      std::string_view note, int64_t now) {
    pending_.acks.push_back({now, id, std::string(action), std::string(user), std::string(note)});
}

bool AlarmEngine::Acknowledge(int64_t id, std::string_view user, std::string_view note) {
    const int64_t now = Now();
    const std::lock_guard hold(lock_);
    Slot* slot = ById(id);
    if (slot == nullptr || slot->facts->state != AlarmState::kRaised) return false;
    auto facts = std::make_shared<AlarmFacts>(*slot->facts);
    facts->state = AlarmState::kAcknowledged;
    facts->ackUser = std::string(user);
    facts->ackNote = std::string(note);
    facts->ackMs = now;
    Publish(*slot, std::move(facts), AlarmChangeKind::kAcknowledged, now, false);
    History(*slot, AlarmHistoryEvent::kAcknowledged, now);
    Ack(id, "acknowledge", user, note, now);
    return true;
}

bool AlarmEngine::Unacknowledge(int64_t id, std::string_view user, std::string_view note) {
    const int64_t now = Now();
    const std::lock_guard hold(lock_);
    Slot* slot = ById(id);
    if (slot == nullptr || slot->facts->state != AlarmState::kAcknowledged) return false;
    auto facts = std::make_shared<AlarmFacts>(*slot->facts);
    facts->state = AlarmState::kRaised;
    facts->ackUser = std::string(user);
    facts->ackNote = std::string(note);
    facts->ackMs = now;
    Publish(*slot, std::move(facts), AlarmChangeKind::kUnacknowledged, now, false);
    History(*slot, AlarmHistoryEvent::kUnacknowledged, now);
    Ack(id, "unacknowledge", user, note, now);
    return true;
}

bool AlarmEngine::ClearByHand(int64_t id, std::string_view user, std::string_view note) {
    const int64_t now = Now();
    const std::lock_guard hold(lock_);
    Slot* slot = ById(id);
    if (slot == nullptr || slot->facts->state == AlarmState::kCleared) return false;
    auto facts = std::make_shared<AlarmFacts>(*slot->facts);
    facts->state = AlarmState::kCleared;
    facts->severity = AlarmSeverity::kCleared;
    facts->clearedMs = now;
    Publish(*slot, std::move(facts), AlarmChangeKind::kCleared, now, true);
    History(*slot, AlarmHistoryEvent::kClearedByHand, now);
    Ack(id, "clear", user, note, now);
    return true;
}

bool AlarmEngine::Remove(int64_t id, std::string_view user) {
    const int64_t now = Now();
    const std::lock_guard hold(lock_);
    Slot* slot = ById(id);
    if (slot == nullptr || slot->facts->state != AlarmState::kCleared) return false;
    Ack(id, "remove", user, {}, now);
    FreeSlot(*slot, now);
    return true;
}

std::size_t AlarmEngine::RemoveCleared(std::string_view user) {
    const int64_t now = Now();
    const std::lock_guard hold(lock_);
    std::size_t removed = 0;
    for (const auto& slot : slots_) {
        if (!slot->facts || slot->facts->state != AlarmState::kCleared) continue;
        Ack(slot->facts->id, "remove", user, {}, now);
        FreeSlot(*slot, now);
        ++removed;
    }
    return removed;
}

void AlarmEngine::MuteSender(std::array<uint8_t, 4> sender, int64_t untilMs) {
    const std::lock_guard hold(lock_);
    auto config = std::make_shared<Config>(*config_);
    const uint32_t address = HostOrder(sender);
    auto& mutes = config->mutes;
    auto it = std::find_if(mutes.begin(), mutes.end(), [&](const Config::Mute& mute) {
        return mute.bySender && mute.sender == address;
    });
    if (it == mutes.end()) {
        mutes.push_back({true, address, {}, untilMs, std::make_shared<std::atomic<uint64_t>>(0)});
    } else {
        it->untilMs = untilMs;
    }
    config_ = std::move(config);
    configEpoch_.fetch_add(1);
}

void AlarmEngine::MuteRule(std::string_view ruleName, int64_t untilMs) {
    const std::lock_guard hold(lock_);
    auto config = std::make_shared<Config>(*config_);
    auto& mutes = config->mutes;
    auto it = std::find_if(mutes.begin(), mutes.end(), [&](const Config::Mute& mute) {
        return !mute.bySender && mute.ruleName == ruleName;
    });
    if (it == mutes.end()) {
        mutes.push_back(
            {false, 0, std::string(ruleName), untilMs, std::make_shared<std::atomic<uint64_t>>(0)});
    } else {
        it->untilMs = untilMs;
    }
    config_ = std::move(config);
    configEpoch_.fetch_add(1);
}

std::vector<AlarmMute> AlarmEngine::Mutes() const {
    const int64_t now = Now();
    const std::lock_guard hold(lock_);
    std::vector<AlarmMute> mutes;
    for (const Config::Mute& mute : config_->mutes) {
        if (mute.untilMs <= now) continue;
        AlarmMute shown;
        shown.bySender = mute.bySender;
        shown.sender = {static_cast<uint8_t>(mute.sender >> 24),
                        static_cast<uint8_t>(mute.sender >> 16),
                        static_cast<uint8_t>(mute.sender >> 8), static_cast<uint8_t>(mute.sender)};
        shown.ruleName = mute.ruleName;
        shown.untilMs = mute.untilMs;
        shown.traps = mute.traps->load();
        mutes.push_back(std::move(shown));
    }
    return mutes;
}

void AlarmEngine::Restore(const std::vector<AlarmView>& alarms, int64_t nextId) {
    const std::lock_guard hold(lock_);
    for (const AlarmView& view : alarms) {
        if (free_.empty()) break;
        std::string key(reinterpret_cast<const char*>(view.facts->sender.data()), 4);
        key += view.facts->trapOid;
        // The instance values, as BuildKey joins them.
        std::size_t start = 0;
        const std::string& instance = view.facts->instance;
        const auto rules = config_->rules;
        const auto rule = std::find_if(rules->begin(), rules->end(), [&](const AlarmRule& r) {
            return r.name == view.facts->ruleName;
        });
        const std::size_t parts = rule != rules->end() ? rule->instance.size() : 0;
        for (std::size_t i = 0; i < parts; ++i) {
            const auto comma = instance.find(',', start);
            key += '\x1F';
            key += instance.substr(start,
                                   comma == std::string::npos ? std::string::npos : comma - start);
            start = comma == std::string::npos ? instance.size() : comma + 1;
        }
        if (byKey_.contains(key) || byId_.contains(view.facts->id)) continue;
        Slot* slot = Create(key, 0);
        slot->id.store(view.facts->id);
        slot->count.store(view.count);
        slot->lastMs.store(view.lastMs);
        slot->messageMs.store(view.lastMs);
        slot->storedCount = view.count;
        slot->storedLastMs = view.lastMs;
        byId_.emplace(view.facts->id, slot->index);
        ++slot->version;
        const bool open = view.facts->state != AlarmState::kCleared;
        slot->stamp.store(slot->version << 4 | static_cast<uint64_t>(view.facts->severity) << 1 |
                          (open ? 1 : 0));
        slot->facts = view.facts;
        nextId_ = std::max(nextId_, view.facts->id + 1);
    }
    nextId_ = std::max(nextId_, nextId);
}

void AlarmEngine::Tick() {
    const int64_t now = Now();
    const int64_t shownMs = int64_t{settings_.Snapshot().alarmShownMinutes} * 60'000;
    const std::lock_guard hold(lock_);
    for (const auto& slot : slots_) {
        if (!slot->facts) continue;
        const AlarmFacts& facts = *slot->facts;
        if (facts.state == AlarmState::kCleared) {
            if (now - facts.clearedMs >= shownMs) FreeSlot(*slot, now);
            continue;
        }
        if (facts.clearAfterSeconds <= 0 ||
            now - slot->lastMs.load() < facts.clearAfterSeconds * 1000)
            continue;
        // The stamp changes first, so that a repeat racing with this either lands before
        // the time is read again below, or sees the change and goes the slow way.
        auto cleared = std::make_shared<AlarmFacts>(facts);
        cleared->state = AlarmState::kCleared;
        cleared->severity = AlarmSeverity::kCleared;
        cleared->clearedMs = now;
        ++slot->version;
        slot->stamp.store(slot->version << 4);
        if (now - slot->lastMs.load() < facts.clearAfterSeconds * 1000) {
            // A repeat came after all: it stays open (the receiver's cache misses once).
            ++slot->version;
            slot->stamp.store(slot->version << 4 | static_cast<uint64_t>(facts.severity) << 1 | 1);
            continue;
        }
        Publish(*slot, std::move(cleared), AlarmChangeKind::kCleared, now, false);
        History(*slot, AlarmHistoryEvent::kClearedSilence, now);
    }
    // Mutes that ended are dropped.
    if (std::any_of(config_->mutes.begin(), config_->mutes.end(),
                    [now](const Config::Mute& mute) { return mute.untilMs <= now; })) {
        auto config = std::make_shared<Config>(*config_);
        std::erase_if(config->mutes,
                      [now](const Config::Mute& mute) { return mute.untilMs <= now; });
        config_ = std::move(config);
        configEpoch_.fetch_add(1);
    }
}

void AlarmEngine::TakeStoreBatch(AlarmStoreBatch& batch) {
    ring_.Drain(batch.history);
    const std::lock_guard hold(lock_);
    for (const auto& slot : slots_) {
        if (!slot->facts) continue;
        const uint64_t count = slot->count.load();
        const int64_t lastMs = slot->lastMs.load();
        if (!slot->rowDirty && count == slot->storedCount && lastMs == slot->storedLastMs) continue;
        slot->rowDirty = false;
        slot->storedCount = count;
        slot->storedLastMs = lastMs;
        batch.rows.push_back({{slot->facts, count, lastMs}, true});
    }
    // Rows that left the view come after, so that a freed slot reused since is not mistaken.
    for (AlarmRowChange& row : pending_.rows) batch.rows.push_back(std::move(row));
    for (AlarmHistoryEntry& entry : pending_.history) batch.history.push_back(entry);
    for (AlarmAckRecord& ack : pending_.acks) batch.acks.push_back(std::move(ack));
    pending_.Clear();
}

std::size_t AlarmEngine::AlarmCount() const {
    const std::lock_guard hold(lock_);
    return byId_.size();
}
