#include "snmp/engine/BerWriter.h"

#include <array>

void BerWriter::Open(uint8_t tag) {
    m_bytes.push_back(tag);
    m_bytes.push_back(0);  // the short form's room; Close widens it when needed
    m_open.push_back(m_bytes.size());
}

void BerWriter::Close() {
    const std::size_t start = m_open.back();
    m_open.pop_back();
    const std::size_t length = m_bytes.size() - start;
    if (length < 0x80) {
        m_bytes[start - 1] = uint8_t(length);
        return;
    }
    std::array<uint8_t, 5> form{};
    std::size_t count = 0;
    for (std::size_t rest = length; rest != 0; rest >>= 8) ++count;
    form[0] = uint8_t(0x80 | count);
    for (std::size_t i = 0; i < count; ++i) form[1 + i] = uint8_t(length >> (8 * (count - 1 - i)));
    m_bytes[start - 1] = form[0];
    m_bytes.insert(m_bytes.begin() + std::ptrdiff_t(start), form.begin() + 1,
                   form.begin() + 1 + std::ptrdiff_t(count));
}

void BerWriter::Length(std::size_t length) {
    if (length < 0x80) {
        m_bytes.push_back(uint8_t(length));
        return;
    }
    std::size_t count = 0;
    for (std::size_t rest = length; rest != 0; rest >>= 8) ++count;
    m_bytes.push_back(uint8_t(0x80 | count));
    for (std::size_t i = 0; i < count; ++i)
        m_bytes.push_back(uint8_t(length >> (8 * (count - 1 - i))));
}

void BerWriter::Integer(int64_t value) { Number(0x02, value); }

void BerWriter::Unsigned(uint8_t tag, uint32_t value) { Number(tag, int64_t(value)); }

void BerWriter::Number(uint8_t tag, int64_t value) {
    // Shortest two's complement: drop leading octets that only repeat the sign.
    std::array<uint8_t, 8> octets;
    for (int i = 0; i < 8; ++i) octets[std::size_t(i)] = uint8_t(uint64_t(value) >> (56 - 8 * i));
    std::size_t first = 0;
    while (first < 7 && ((octets[first] == 0x00 && (octets[first + 1] & 0x80) == 0) ||
                         (octets[first] == 0xFF && (octets[first + 1] & 0x80) != 0)))
        ++first;
    Octets(tag, std::span(octets).subspan(first));
}

void BerWriter::Octets(uint8_t tag, std::span<const uint8_t> content) {
    m_bytes.push_back(tag);
    Length(content.size());
    m_bytes.insert(m_bytes.end(), content.begin(), content.end());
}

void BerWriter::Raw(std::span<const uint8_t> encoded) {
    m_bytes.insert(m_bytes.end(), encoded.begin(), encoded.end());
}
