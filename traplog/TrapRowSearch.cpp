#include "traplog/TrapRowSearch.h"

#include <algorithm>
#include <charconv>
#include <cstdlib>
#include <cstring>
#include <optional>

#include "platform/Encoding.h"
#include "traplog/ReadableText.h"
#include "traplog/TextFind.h"
#include "traplog/TrapRowFilter.h"

namespace {

constexpr int kVersionColumn = 4;

bool StartsCharacter(std::string_view cell, std::size_t offset) {
    // A lead byte that stepped over offset means offset is its trail byte.
    std::size_t i = 0;
    while (i < offset) i += IsCp932LeadByte(static_cast<unsigned char>(cell[i])) ? 2 : 1;
    return i == offset;
}

// The whole of texts is searched at once; a hit must then lie inside one cell and start a
// character there.
bool ContainsText(const TrapRow& row, std::string_view text) {
    const std::string_view texts = row.texts;
    std::size_t from = 0;
    while (from + text.size() <= texts.size()) {
        const void* hit =
            memmem(texts.data() + from, texts.size() - from, text.data(), text.size());
        if (hit == nullptr) return false;
        const auto at = static_cast<std::size_t>(static_cast<const char*>(hit) - texts.data());
        std::size_t cellStart = 0;
        for (uint16_t length : row.lengths) {
            if (at < cellStart + length) {
                if (at + text.size() <= cellStart + length &&
                    StartsCharacter(texts.substr(cellStart, length), at - cellStart))
                    return true;
                break;
            }
            cellStart += length;
        }
        from = at + 1;
    }
    return false;
}

bool ContainsFolded(const TrapRow& row, std::string_view folded) {
    for (int column = 0; column < kTrapListColumns; ++column)
        if (Cp932Contains(row.Cell(column), folded, true)) return true;
    return false;
}

std::string HexForm(std::string_view octets) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string hex;
    hex.reserve(octets.size() * 3);
    for (char c : octets) {
        const auto octet = static_cast<unsigned char>(c);
        hex += kDigits[octet >> 4];
        hex += kDigits[octet & 0x0F];
        hex += ' ';
    }
    return hex;
}

std::optional<long long> WholeNumber(std::string_view cell) {
    long long value = 0;
    const auto [end, error] = std::from_chars(cell.data(), cell.data() + cell.size(), value);
    if (cell.empty() || error != std::errc() || end != cell.data() + cell.size())
        return std::nullopt;
    return value;
}

}  // namespace

std::array<std::string, 2> HexFormsOf(std::string_view cp932, std::string_view utf8) {
    std::array<std::string, 2> forms;
    if (cp932.empty()) return forms;
    forms[0] = HexForm(cp932);
    if (utf8 != cp932) forms[1] = HexForm(utf8);
    return forms;
}

// Without folding, the hex of the text's octets is looked for in the bindings cell; only a
// value that holds it can hold the text, so only such a value is read as text. The hex
// holds no comma and its groups start with a digit, so a hit lies inside one value and
// starts an octet there. Folded letters have other octets: then every value is read.
bool ReadableBindingsContain(std::string_view bindings, std::string_view utf8,
                             const std::array<std::string, 2>& hexForms, bool fold) {
    if (fold) {
        std::size_t start = 0;
        for (bool value = false; start < bindings.size(); value = !value) {
            const std::size_t end = std::min(bindings.find(',', start), bindings.size());
            if (value) {
                const std::string_view hex = bindings.substr(start, end - start);
                // Only octet strings ("41 42 ") can have a readable text.
                if (hex.size() >= 3 && hex[2] == ' ' && Utf8Contains(ReadableText(hex), utf8, true))
                    return true;
            }
            start = end + 1;
        }
        return false;
    }
    for (const std::string& hex : hexForms) {
        if (hex.empty()) continue;
        std::size_t from = 0;
        while (from + hex.size() <= bindings.size()) {
            const void* hit =
                memmem(bindings.data() + from, bindings.size() - from, hex.data(), hex.size());
            if (hit == nullptr) break;
            const auto at =
                static_cast<std::size_t>(static_cast<const char*>(hit) - bindings.data());
            const std::size_t comma = bindings.rfind(',', at);
            const std::size_t start = comma == std::string_view::npos ? 0 : comma + 1;
            const std::size_t end = std::min(bindings.find(',', at), bindings.size());
            if (ReadableText(bindings.substr(start, end - start)).find(utf8) != std::string::npos)
                return true;
            from = end;
        }
    }
    return false;
}

TrapRowQuery::TrapRowQuery(std::string text, int event, int version, bool ignoreCase)
    : text_(std::move(text)),
      utf8_(Cp932ToUtf8(text_)),
      event_(event),
      version_(version),
      ignoreCase_(ignoreCase) {
    if (text_.empty()) return;
    hex_ = HexFormsOf(text_, utf8_);
    if (ignoreCase_) {
        text_ = FoldCp932(text_);
        utf8_ = FoldUtf8(utf8_);
    }
}

TrapRowQuery::TrapRowQuery(std::shared_ptr<const TrapRowFilter> filter, int event, int version)
    : event_(event), version_(version), filter_(std::move(filter)) {}

namespace {

using NameOfRow = std::function<std::string_view(const TrapRow&)>;

// The text search; name is asked only when nothing else holds the text.
bool TextMatches(const TrapRow& row, const TrapRowQuery& query, const NameOfRow& name) {
    if (query.Text().empty()) return true;
    if (query.IgnoreCase() ? ContainsFolded(row, query.Text()) : ContainsText(row, query.Text()))
        return true;
    if (ReadableBindingsContain(row.Cell(kBindingsColumn), query.Utf8Text(), query.HexForms(),
                                query.IgnoreCase()))
        return true;
    return name && Utf8Contains(name(row), query.Utf8Text(), query.IgnoreCase());
}

bool OfEventAndVersion(const TrapRow& row, const TrapRowQuery& query) {
    if (query.Event() >= 0 && row.image != query.Event()) return false;
    return query.Version() == 0 || WholeNumber(row.Cell(kVersionColumn)) == query.Version();
}

}  // namespace

bool TrapRowMatches(const TrapRow& row, const TrapRowQuery& query, const TrapRowNames& names) {
    if (!OfEventAndVersion(row, query)) return false;
    if (query.Filter() != nullptr) return query.Filter()->Matches(row, names);
    return TextMatches(row, query, names.name);
}

bool TrapRowMatches(const TrapRow& row, const TrapRowQuery& query, const NameOfRow& name) {
    if (!OfEventAndVersion(row, query)) return false;
    if (query.Filter() != nullptr) return query.Filter()->Matches(row, TrapRowNames{name, {}});
    return TextMatches(row, query, name);
}

int CompareTrapCells(std::string_view a, std::string_view b) {
    const std::optional<long long> x = WholeNumber(a);
    const std::optional<long long> y = WholeNumber(b);
    if (x && y) return *x < *y ? -1 : *x > *y ? 1 : 0;
    if (x || y) return x ? -1 : 1;
    return a.compare(b);
}
