#pragma once
// Search and sort over the trap list's rows: which rows hold a text in any column or in the
// readable text of a binding, or pass a filter expression (TrapRowFilter), of a chosen event
// and version, and the order of two cells.
// Kept on the compact rows, so a million of them are searched in a fraction of a second.
// No Qt here.

#include <array>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "traplog/TrapRow.h"

class TrapRowFilter;

class TrapRowQuery {
public:
    TrapRowQuery() = default;
    // text: CP932, empty matches every row; event: genericTrap picture 0-7, -1 for any;
    // version: 1, 2 or 3 as the version column shows it, 0 for any; ignoreCase: ASCII
    // letters match in either case.
    TrapRowQuery(std::string text, int event = -1, int version = 0, bool ignoreCase = false);
    // A compiled filter expression in place of the text.
    TrapRowQuery(std::shared_ptr<const TrapRowFilter> filter, int event = -1, int version = 0);

    // The text as searched: CP932, its letters in lower case when IgnoreCase().
    const std::string& Text() const { return text_; }
    // The text in UTF-8, as readable texts and trap names are (folded the same way).
    const std::string& Utf8Text() const { return utf8_; }
    int Event() const { return event_; }
    int Version() const { return version_; }
    bool IgnoreCase() const { return ignoreCase_; }
    const TrapRowFilter* Filter() const { return filter_.get(); }
    bool Empty() const { return text_.empty() && !filter_ && event_ < 0 && version_ == 0; }
    // The text's octets in CP932 and in UTF-8 as an octet string's value is written
    // ("41 42 "); the second is empty when both are the same.
    const std::array<std::string, 2>& HexForms() const { return hex_; }

private:
    std::string text_;
    std::string utf8_;
    int event_ = -1;
    int version_ = 0;
    bool ignoreCase_ = false;
    std::array<std::string, 2> hex_;
    std::shared_ptr<const TrapRowFilter> filter_;
};

// What the name column shows for a row ("IF-MIB::linkDown", UTF-8) and the notification
// OID it names; each asked only when a search needs it.
struct TrapRowNames {
    std::function<std::string_view(const TrapRow&)> name;
    std::function<std::string_view(const TrapRow&)> oid;
};

// True when row is of the query's event and version and the text is found: in one of its
// cells, matched byte for byte and only at character boundaries (a trail byte of a two-byte
// character never starts a match), in the readable text of one of its bindings, or in what
// name gives (UTF-8; asked only when nothing else holds the text).
bool TrapRowMatches(const TrapRow& row, const TrapRowQuery& query,
                    const std::function<std::string_view(const TrapRow&)>& name = {});
// The same with the notification OID too, which a filter expression may ask for.
bool TrapRowMatches(const TrapRow& row, const TrapRowQuery& query, const TrapRowNames& names);

// The octets of cp932 and of utf8 as an octet string's value is written ("41 42 "); the
// second is empty when both texts are the same.
std::array<std::string, 2> HexFormsOf(std::string_view cp932, std::string_view utf8);
// True when the readable text of one binding of a bindings cell ("name,value,") holds utf8
// (folded with FoldUtf8 when fold is set); hexForms are utf8's as HexFormsOf gives them.
bool ReadableBindingsContain(std::string_view bindings, std::string_view utf8,
                             const std::array<std::string, 2>& hexForms, bool fold);

// Order of two cells of one column: cells that are whole numbers by value and before any
// other text, other cells byte by byte. Negative, zero or positive.
int CompareTrapCells(std::string_view a, std::string_view b);
