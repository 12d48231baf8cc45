#pragma once
// HMAC (RFC 2104) with MD5 or SHA-1, for HMAC-MD5-96 and HMAC-SHA-96 of RFC 3414 6 and 7.

#include <span>

#include "snmp/crypto/UsmProtocols.h"

// HMAC with MD5 when authProtocol is kAuthHmacMd5 and with SHA-1 otherwise. The key is the
// localized key: its first 16 octets for MD5, all 20 for SHA-1. The whole digest (16 or 20
// octets) is written to the start of digest; RFC 3414 compares its first 12.
void Hmac96(int authProtocol, const UsmKey& key, std::span<const uint8_t> message,
            UsmKey& digest);
