#include "traplog/TrapRow.h"

#include <numeric>

std::string_view TrapRow::Cell(int column) const {
    if (column < 0 || column >= kTrapListColumns) return {};
    const auto at = static_cast<std::size_t>(column);
    const std::size_t start =
        std::accumulate(lengths.begin(), lengths.begin() + column, std::size_t{0});
    return std::string_view(texts).substr(start, lengths[at]);
}

TrapRow PackTrapRow(const TrapRowTexts& row) {
    TrapRow packed;
    std::size_t total = 0;
    for (const std::string& text : row.columns) total += text.size();
    packed.texts.reserve(total);
    for (std::size_t i = 0; i < row.columns.size(); ++i) {
        // Every column text is bounded (at most 2047 bytes), so its length fits.
        packed.lengths[i] = static_cast<uint16_t>(row.columns[i].size());
        packed.texts += row.columns[i];
    }
    packed.image = static_cast<int8_t>(row.image >= 0 && row.image <= 7 ? row.image : -1);
    return packed;
}
