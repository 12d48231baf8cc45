#pragma once
// The result of a MIB load as octets, so that the loader, a process of its own, can hand
// its index and report to the program. Both ends are built together, so numbers go in the
// machine's own order; the reader still checks every length against what it holds.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "mib/MibLoader.h"

// What the loader writes on its standard output: records of a kind octet and two numbers,
// progress (files done, files in all) while it loads, then the result (its size, 0)
// followed by the encoded result.
inline constexpr char kMibProgressRecord = 'P';
inline constexpr char kMibResultRecord = 'R';
inline constexpr std::size_t kMibRecordHead = 1 + 2 * sizeof(uint64_t);

std::string MibLoadRecord(char kind, uint64_t first, uint64_t second, std::string_view rest = {});

std::string EncodeMibLoadResult(const MibLoadResult& result);

// Empty when octets are not a whole encoded result.
std::optional<MibLoadResult> DecodeMibLoadResult(std::string_view octets);
