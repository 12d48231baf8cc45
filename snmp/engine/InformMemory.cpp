#include "snmp/engine/InformMemory.h"

namespace {

// FNV-1a: a cheap, well-spread hash of a few octets.
uint64_t Fnv1a(std::span<const uint8_t> octets, uint64_t hash = 1469598103934665603ull) {
    for (uint8_t octet : octets) hash = (hash ^ octet) * 1099511628211ull;
    return hash;
}

}  // namespace

InformKey MakeInformKey(std::array<uint8_t, 4> address, uint16_t port, int32_t requestId,
                        int32_t msgId, std::span<const uint8_t> engineId) {
    return {address, port, requestId, msgId, engineId.empty() ? 0 : Fnv1a(engineId)};
}

std::size_t InformMemory::Hash::operator()(const InformKey& key) const {
    uint64_t hash = Fnv1a(key.address);
    const std::array<uint32_t, 3> numbers = {key.port, uint32_t(key.requestId),
                                             uint32_t(key.msgId)};
    hash = Fnv1a(std::span(reinterpret_cast<const uint8_t*>(numbers.data()), sizeof numbers), hash);
    return std::size_t(hash ^ key.engineHash);
}

void InformMemory::ForgetOld(Clock::time_point now) {
    while (!m_order.empty() &&
           (now - m_order.front().at > kInformRepeatWindow || m_order.size() > kInformMemorySize)) {
        m_keys.erase(m_order.front().key);
        m_order.pop_front();
    }
}

bool InformMemory::Repeated(const InformKey& key, Clock::time_point now) {
    ForgetOld(now);
    if (m_keys.contains(key)) return true;
    m_keys.insert(key);
    m_order.push_back({key, now});
    ForgetOld(now);
    return false;
}
