#pragma once
// What the windows show beside a trap's numbers: the notification's name, each binding's
// name with its index, and a value's enumeration label or units. Looked up in an index
// when drawn; nothing here is stored in a row.

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>

#include "mib/MibIndex.h"

inline constexpr std::string_view kSnmpTrapOidInstance = "1.3.6.1.6.3.1.1.4.1.0";

// The notification OID of a trap list row, from its texts (version "1", "2" or "3"): for
// SNMPv1 the generic trap's snmpTraps OID or enterprise.0.specific (RFC 3584 3.1), else
// the value of the snmpTrapOID.0 binding in the row's "name,value," bindings text.
std::string RowNotificationOid(std::string_view version, std::string_view enterprise,
                               std::string_view generic, std::string_view specific,
                               std::string_view bindings);
void RowNotificationOid(std::string_view version, std::string_view enterprise,
                        std::string_view generic, std::string_view specific,
                        std::string_view bindings, std::string& oid);

// The same from a row's column texts: column(n) gives the text of trap list column n.
std::string RowNotificationOid(const std::function<std::string_view(int column)>& column);
// The same into oid, whose room is reused from row to row.
void RowNotificationOid(const std::function<std::string_view(int column)>& column,
                        std::string& oid);

// "MODULE::name" of the longest named prefix, followed by the sub-identifiers that have
// no name ("IF-MIB::ifOperStatus.3"); empty when no prefix has a name.
std::string OidName(const MibIndex& index, std::string_view dotted);

// The dotted OID of a name: "ifIndex" or "IF-MIB::ifIndex", either followed by an instance
// (".3"); the first node of that name in tree order when no module is given. Empty when no
// node has the name.
std::string OidOfName(const MibIndex& index, std::string_view name);

// "down(2)" for a value of an enumeration, "300 seconds" for an object with units, empty
// otherwise. oid is the binding's, index and all.
std::string ValueLabel(const MibIndex& index, std::string_view oid, std::string_view value);

// The node an OID names exactly; null when it is unnamed or only a prefix is named.
const MibNode* ExactNode(const MibIndex& index, std::string_view dotted);

// Names already looked up, by the text they were looked up from; emptied when the index
// it was filled from is replaced and when it grows past its bound. One thread's own.
class NameCache {
public:
    // The cached name, computing and keeping it the first time.
    template <typename Compute>
    const std::string& Get(const MibIndex* index, std::string_view key, Compute&& compute) {
        if (index != index_ || names_.size() >= kMaxEntries) {
            names_.clear();
            index_ = index;
        }
        const auto it = names_.find(key);
        if (it != names_.end()) return it->second;
        return names_.emplace(std::string(key), compute()).first->second;
    }

private:
    // Far more distinct notifications than a network sends; a flood of random OIDs only
    // costs a refill.
    static constexpr std::size_t kMaxEntries = 10'000;
    // Looked up by a view of the key: a search asks for every row's name.
    struct KeyHash {
        using is_transparent = void;
        std::size_t operator()(std::string_view key) const {
            return std::hash<std::string_view>{}(key);
        }
    };
    const MibIndex* index_ = nullptr;
    std::unordered_map<std::string, std::string, KeyHash, std::equal_to<>> names_;
};
