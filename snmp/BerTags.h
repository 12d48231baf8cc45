#pragma once
// Tag octets of the elements an SNMP message carries (X.690, RFC 1157, RFC 2578, RFC 3416),
// sign-extended from 8 bits as BerReader::ReadHeader reports them.

#include <cstdint>

inline constexpr int32_t kTagBoolean = 0x01;
inline constexpr int32_t kTagInteger = 0x02;
inline constexpr int32_t kTagBitString = 0x03;
inline constexpr int32_t kTagOctetString = 0x04;
inline constexpr int32_t kTagNull = 0x05;
inline constexpr int32_t kTagOid = 0x06;
inline constexpr int32_t kTagObjectDescriptor = 0x07;
inline constexpr int32_t kTagSequence = 0x30;
inline constexpr int32_t kTagIpAddress = 0x40;
inline constexpr int32_t kTagCounter32 = 0x41;
inline constexpr int32_t kTagGauge32 = 0x42;
inline constexpr int32_t kTagTimeTicks = 0x43;
inline constexpr int32_t kTagOpaque = 0x44;
inline constexpr int32_t kTagCounter64 = 0x46;

// PDU tags are context-specific and constructed; they are compared on their low 8 bits.
inline constexpr int32_t kPduV1Trap = 0xA4;
inline constexpr int32_t kPduV2Trap = 0xA7;
inline constexpr int32_t kPduResponse = 0xA2;
inline constexpr int32_t kPduInform = 0xA6;
inline constexpr int32_t kPduReport = 0xA8;
