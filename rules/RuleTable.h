#pragma once
// The rules of EventDB.na parsed, in file order, with indexes that give the same answers
// as a walk of the file (the first line that matches) without comparing every rule: the
// address ranges packed as numbers, and the enterprise and user rules by their text.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "rules/RuleRecord.h"

class RuleTable {
public:
    void Clear();
    // Appends the rule of one plain line.
    void Add(std::string_view plain);

    // The index-th (0-based) rule of kind in file order, or null.
    const RuleRecord* Nth(int32_t kind, int index) const;
    // The first address range, in file order, that holds address (network order), or null.
    const RuleRecord* FirstRangeHolding(const std::array<uint8_t, 4>& address) const;
    // The first rule, in file order, that is the same rule as key (RuleStore::SameRule),
    // or null.
    const RuleRecord* FirstSameRule(const RuleRecord& key) const;

private:
    struct Range {
        uint32_t from;  // host order
        uint32_t to;
        uint32_t position;
    };
    std::vector<RuleRecord> rules_;
    std::array<std::vector<uint32_t>, 4> positionsOfKind_;                // by kind, in file order
    std::vector<Range> ranges_;                                           // in file order
    std::unordered_map<std::string, std::vector<uint32_t>> enterprises_;  // text -> positions
    std::unordered_map<std::string, uint32_t> users_;                     // name -> first position
};
