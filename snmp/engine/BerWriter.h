#pragma once
// Writes BER elements front to back: a constructed element is opened, filled and closed,
// and its length is written in the shortest form when it is closed.

#include <cstdint>
#include <span>
#include <vector>

class BerWriter {
public:
    // Starts a constructed element (SEQUENCE, a PDU, the wrapper OCTET STRING).
    void Open(uint8_t tag);
    void Close();

    void Integer(int64_t value);
    void Unsigned(uint8_t tag, uint32_t value);  // Counter32 and the like: stays positive
    void Octets(uint8_t tag, std::span<const uint8_t> content);
    // Octets already encoded, copied as they are (a binding list).
    void Raw(std::span<const uint8_t> encoded);

    std::vector<uint8_t>& Bytes() { return m_bytes; }

private:
    void Length(std::size_t length);
    void Number(uint8_t tag, int64_t value);  // shortest two's complement

    std::vector<uint8_t> m_bytes;
    std::vector<std::size_t> m_open;  // where each open element's content starts
};
