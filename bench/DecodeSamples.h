#pragma once
// One linkDown trap with four bindings, as net-snmp's snmptrap sent it as SNMPv2c and as
// SNMPv3 authNoPriv (HMAC-SHA-96) and authPriv (HMAC-SHA-96, CBC-DES; HMAC-MD5-96, CBC-DES;
// HMAC-SHA-256, CFB128-AES-128), engine ID 80001F8880CAFE0001: the datagrams that our
// decoder and net-snmp's parser both take.

#include <cstdint>
#include <vector>

inline constexpr char kBenchEngineId[] = "80001F8880CAFE0001";
inline constexpr char kBenchAuthPassword[] = "benchauthpass";
inline constexpr char kBenchPrivPassword[] = "benchprivpass";

extern const std::vector<uint8_t> kV2cTrap;
extern const std::vector<uint8_t> kV3AuthNoPrivTrap;  // user benchauth
extern const std::vector<uint8_t> kV3AuthPrivTrap;    // user benchuser
extern const std::vector<uint8_t> kV3Md5DesTrap;      // user benchmd5des
extern const std::vector<uint8_t> kV3Sha256AesTrap;   // user benchsha256aes
