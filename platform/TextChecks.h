#pragma once
// Checks of typed text that several settings share.

#include <string_view>

// A comma before the first line feed: fields are comma-separated in the files, and the
// checks look at a text up to its first line feed.
constexpr bool HasCommaBeforeLineFeed(std::string_view text) {
    return text.substr(0, text.find('\n')).find(',') != std::string_view::npos;
}
