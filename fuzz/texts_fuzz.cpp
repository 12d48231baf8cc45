// libFuzzer entry point for the texts made of what senders put in their traps: the readable
// text of an octet string's hex value and of a bindings cell, the search of a row and the
// order of two cells.
//   ./texts_fuzz -max_total_time=600 corpus/

#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <string>
#include <string_view>

#include "traplog/ReadableText.h"
#include "traplog/TrapRow.h"
#include "traplog/TrapRowFilter.h"
#include "traplog/TrapRowSearch.h"
#include "traplog/TrapRowTexts.h"

namespace {

void Check(bool holds) {
    if (!holds) __builtin_trap();
}

// The readable text is handed to Qt as UTF-8: it must be well formed.
bool IsUtf8(std::string_view text) {
    for (std::size_t i = 0; i < text.size();) {
        const auto lead = static_cast<uint8_t>(text[i]);
        const std::size_t length = lead < 0x80           ? 1
                                   : (lead >> 5) == 0x06 ? 2
                                   : (lead >> 4) == 0x0E ? 3
                                   : (lead >> 3) == 0x1E ? 4
                                                         : 0;
        if (length == 0 || i + length > text.size()) return false;
        for (std::size_t k = 1; k < length; ++k)
            if ((static_cast<uint8_t>(text[i + k]) & 0xC0) != 0x80) return false;
        i += length;
    }
    return true;
}

int Sign(int value) { return (value > 0) - (value < 0); }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    const std::string a = input.ConsumeRandomLengthString(512);
    const std::string b = input.ConsumeRandomLengthString(512);
    const std::string rest =
        input.ConsumeRandomLengthString(2047);  // a cell holds at most 2047 bytes

    Check(IsUtf8(ReadableText(a)));
    Check(IsUtf8(ReadableBindings(rest)));
    Check(Sign(CompareTrapCells(a, b)) == -Sign(CompareTrapCells(b, a)));
    Check(CompareTrapCells(a, a) == 0);

    TrapRowTexts texts;
    texts.columns[5] = rest;
    texts.columns[6] = b;
    const TrapRow row = PackTrapRow(texts);
    const TrapRowQuery query{a};
    const bool found = TrapRowMatches(row, query);
    // A text found in a cell is found in the row; an empty one matches every row.
    if (a.empty() || b.find(a) == 0) Check(found);

    // Any text compiles to a filter or to an error inside it, and a filter runs on any row.
    auto compiled = TrapRowFilter::Compile(a, b.size() % 2 == 1);
    if (const auto* error = std::get_if<TrapFilterError>(&compiled)) {
        Check(error->position + error->length <= a.size() && !error->message.empty());
    } else {
        const auto& filter = std::get<std::shared_ptr<const TrapRowFilter>>(compiled);
        static_cast<void>(filter->Matches(row, TrapRowNames{}));
    }
    return 0;
}
