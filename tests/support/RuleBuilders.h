#pragma once
// Filter rules for tests, with a pop-up text to tell which rule matched.

#include <array>
#include <cstdint>
#include <string_view>

#include "platform/FixedText.h"
#include "rules/RuleRecord.h"

inline RuleRecord IpRangeRule(std::array<uint8_t, 4> from, std::array<uint8_t, 4> to,
                              std::string_view popup = "") {
    RuleRecord rule{};
    rule.kind = IpRange;
    rule.ipFrom = from;
    rule.ipTo = to;
    SetFixedText(rule.popupMessage, popup);
    return rule;
}

inline RuleRecord EnterpriseRule(std::string_view oid, int generic, int specific,
                                 std::string_view popup = "") {
    RuleRecord rule{};
    rule.kind = Enterprise;
    SetFixedText(rule.enterprise, oid);
    rule.genericTrap = generic;
    rule.specificTrap = specific;
    SetFixedText(rule.popupMessage, popup);
    return rule;
}

inline RuleRecord UserRule(std::string_view name, std::string_view popup = "") {
    RuleRecord rule{};
    rule.kind = User;
    SetFixedText(rule.userName, name);
    SetFixedText(rule.popupMessage, popup);
    return rule;
}
