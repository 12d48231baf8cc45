#include "rules/RuleTable.h"

#include "platform/FixedText.h"
#include "rules/RuleLine.h"
#include "rules/RuleStore.h"

namespace {

uint32_t HostOrder(const std::array<uint8_t, 4>& octets) {
    return uint32_t(octets[0]) << 24 | uint32_t(octets[1]) << 16 | uint32_t(octets[2]) << 8 |
           octets[3];
}

bool KnownKind(int32_t kind) { return kind >= AllTraps && kind <= User; }

}  // namespace

void RuleTable::Clear() {
    rules_.clear();
    for (auto& positions : positionsOfKind_) positions.clear();
    ranges_.clear();
    enterprises_.clear();
    users_.clear();
}

void RuleTable::Add(std::string_view plain) {
    const auto position = static_cast<uint32_t>(rules_.size());
    const RuleRecord& rule = rules_.emplace_back(ParseRuleLine(plain));
    if (!KnownKind(rule.kind)) return;
    positionsOfKind_[rule.kind].push_back(position);
    switch (rule.kind) {
    case IpRange:
        ranges_.push_back({HostOrder(rule.ipFrom), HostOrder(rule.ipTo), position});
        break;
    case Enterprise:
        enterprises_[std::string(FixedTextView(rule.enterprise))].push_back(position);
        break;
    case User: users_.emplace(std::string(FixedTextView(rule.userName)), position); break;
    default: break;
    }
}

const RuleRecord* RuleTable::Nth(int32_t kind, int index) const {
    if (!KnownKind(kind) || index < 0) return nullptr;
    const std::vector<uint32_t>& positions = positionsOfKind_[kind];
    return static_cast<std::size_t>(index) < positions.size() ? &rules_[positions[index]] : nullptr;
}

const RuleRecord* RuleTable::FirstRangeHolding(const std::array<uint8_t, 4>& address) const {
    const uint32_t sender = HostOrder(address);
    for (const Range& range : ranges_)
        if (range.from <= sender && sender <= range.to) return &rules_[range.position];
    return nullptr;
}

const RuleRecord* RuleTable::FirstSameRule(const RuleRecord& key) const {
    switch (key.kind) {
    case AllTraps:
        return positionsOfKind_[AllTraps].empty() ? nullptr
                                                  : &rules_[positionsOfKind_[AllTraps].front()];
    case IpRange:
        for (const Range& range : ranges_)
            if (RuleStore::SameRule(rules_[range.position], key)) return &rules_[range.position];
        return nullptr;
    case Enterprise: {
        const auto found = enterprises_.find(std::string(FixedTextView(key.enterprise)));
        if (found == enterprises_.end()) return nullptr;
        for (uint32_t position : found->second)
            if (RuleStore::SameRule(rules_[position], key)) return &rules_[position];
        return nullptr;
    }
    case User: {
        const auto found = users_.find(std::string(FixedTextView(key.userName)));
        return found == users_.end() ? nullptr : &rules_[found->second];
    }
    default: return nullptr;
    }
}
