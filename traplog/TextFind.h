#pragma once
// Finding one text in another as the trap list's search and filter do: CP932 cells matched
// only at character boundaries, UTF-8 names and readable texts, each with ASCII letters
// folded on request. Nothing here allocates. No Qt here.

#include <string>
#include <string_view>

// ASCII letters of a CP932 text in lower case; the trail bytes of two-byte characters,
// which may look like letters, are kept.
std::string FoldCp932(std::string_view cp932);
// ASCII letters of a UTF-8 text in lower case.
std::string FoldUtf8(std::string_view utf8);

// True when needle (folded with FoldCp932 when fold is set) starts at a character of cell
// and lies inside it.
bool Cp932Contains(std::string_view cell, std::string_view needle, bool fold);
// True when cell equals text (folded with FoldCp932 when fold is set).
bool Cp932Equals(std::string_view cell, std::string_view text, bool fold);
// The same for UTF-8 texts, needle and text folded with FoldUtf8 when fold is set.
bool Utf8Contains(std::string_view text, std::string_view needle, bool fold);
bool Utf8Equals(std::string_view a, std::string_view b, bool fold);
