#pragma once
// The result of a MIB load as octets, so that a load run in a process of its own can hand
// its index and report to the program. Both ends are the same executable, so numbers go in
// the machine's own order; the reader still checks every length against what it holds.

#include <optional>
#include <string>
#include <string_view>

#include "mib/MibLoader.h"

std::string EncodeMibLoadResult(const MibLoadResult& result);

// Empty when octets are not a whole encoded result.
std::optional<MibLoadResult> DecodeMibLoadResult(std::string_view octets);
