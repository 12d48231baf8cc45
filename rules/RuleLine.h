#pragma once
// A rule as one record line of EventDB.na: twelve fields, each followed by a comma,
// padded with spaces to 664 plain characters, of which the stored form keeps 663 bytes
// and a line end.

#include <string>
#include <string_view>

#include "rules/RuleRecord.h"

inline constexpr std::size_t kRulePlainWidth = 664;
inline constexpr std::size_t kRuleStoredWidth = 663;

// Fills a cleared record from a plain line; texts longer than their field are cut,
// missing fields give empty texts and zeros.
RuleRecord ParseRuleLine(std::string_view plain);

enum class RuleLineResult { Ok, TooLong, BadText };

// The stored record (663 bytes, without its line end) of rule. TooLong when the stored
// form would not fit whole, BadText when a text holds a byte a field cannot hold
// (kUnstorableFieldBytes).
RuleLineResult BuildRuleLine(const RuleRecord& rule, std::string& stored);
