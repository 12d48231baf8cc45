#include "traplog/TrapRowSearch.h"

#include <charconv>
#include <cstdlib>
#include <cstring>
#include <optional>

#include "platform/Encoding.h"

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

std::optional<long long> WholeNumber(std::string_view cell) {
    long long value = 0;
    const auto [end, error] = std::from_chars(cell.data(), cell.data() + cell.size(), value);
    if (cell.empty() || error != std::errc() || end != cell.data() + cell.size())
        return std::nullopt;
    return value;
}

}  // namespace

bool TrapRowMatches(const TrapRow& row, const TrapRowQuery& query) {
    if (query.event >= 0 && row.image != query.event) return false;
    if (query.version != 0 && WholeNumber(row.Cell(kVersionColumn)) != query.version) return false;
    return query.text.empty() || ContainsText(row, query.text);
}

int CompareTrapCells(std::string_view a, std::string_view b) {
    const std::optional<long long> x = WholeNumber(a);
    const std::optional<long long> y = WholeNumber(b);
    if (x && y) return *x < *y ? -1 : *x > *y ? 1 : 0;
    if (x || y) return x ? -1 : 1;
    return a.compare(b);
}
