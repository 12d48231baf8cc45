#pragma once
// Base64 of RFC 2045 / RFC 4648 section 4, used for the encoded-word subject of a mail.

#include <string>
#include <string_view>

// Encodes every byte of data (alphabet A-Z a-z 0-9 + /, padded with '=' to a multiple of
// four characters).
std::string Base64Encode(std::string_view data);
