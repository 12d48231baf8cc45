#pragma once
// Octet strings are shown as hex; many carry text an administrator would rather read. This
// tells which hex values are printable text (ASCII, UTF-8 or Shift_JIS) and gives that text.
// No Qt here.

#include <string>
#include <string_view>

// The text (UTF-8) of an octet string's value as the trap record writes it ("41 42 43 "),
// or empty when the value is no such hex or its octets are not printable text: control
// characters other than tab and line ends, broken multi-byte sequences and the empty string
// are not. Trailing NULs, which many agents send, are dropped.
std::string ReadableText(std::string_view hexValue);

// For the trap list's tooltip: one line "OID: text" (UTF-8) for each binding of a
// bindings cell (CP932 record fields) whose value is readable text; empty when none is.
std::string ReadableBindings(std::string_view bindingsCell);

// A bindings cell (CP932 "name,value,") as UTF-8 for a reader: as it is, with the readable
// text of each value that has one after the value's hex, in double quotes
// ("1.3.6.1.2.1.1.5.0,68 6F 73 74 \"host\",").
std::string BindingsWithReadableText(std::string_view bindingsCell);
