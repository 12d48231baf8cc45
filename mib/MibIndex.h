#pragma once
// The names of the loaded MIB modules, built once by the loader and then only read: an OID
// tree from which any thread looks up the longest named prefix of an OID, without a lock
// and without allocating.

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

enum class MibNodeKind : uint8_t {
    Node,
    Scalar,
    Table,
    Row,
    Column,
    Notification,
    Group,
    Compliance,
    Capabilities
};

struct MibNamedNumber {
    int64_t value;
    std::string label;
};

struct MibNode {
    std::string name;
    uint32_t module = 0;  // index into the module names
    MibNodeKind kind = MibNodeKind::Node;
    std::string syntax;  // the type's name, e.g. "INTEGER" or "DisplayString"
    std::string units;
    std::string description;
    std::vector<MibNamedNumber> enums;  // labels of an enumeration or of BITS
    bool bits = false;
    std::vector<std::string> objects;  // a notification's objects, "MODULE::name"
};

// The longest named prefix of an OID: node is null when no prefix has a name.
struct MibMatch {
    const MibNode* node = nullptr;
    std::size_t matched = 0;  // sub-identifiers of the named prefix
};

class MibIndex {
public:
    MibIndex();

    // Names oid; an existing name is kept unless replace is set (modules read later
    // give way to earlier ones, the built-in table to every module).
    void Add(std::span<const uint32_t> oid, std::string_view module, MibNode node, bool replace);

    MibMatch Lookup(std::span<const uint32_t> oid) const;
    // dotted: "1.3.6.1.2.1.2.2.1.8.3", a leading dot allowed. Text that is not an OID
    // (after its named prefix) ends the walk where it stops being one.
    MibMatch Lookup(std::string_view dotted) const;

    std::string_view ModuleName(const MibNode& node) const { return modules_[node.module]; }
    // "MODULE::name".
    std::string QualifiedName(const MibNode& node) const;
    std::size_t NodeCount() const { return nodes_.size(); }
    // Every named OID with its node, in tree order (for the comparison with other tools).
    template <typename Visit>
    void ForEach(Visit&& visit) const {
        std::vector<uint32_t> oid;
        Walk(0, oid, visit);
    }

private:
    struct TrieEntry {
        std::vector<std::pair<uint32_t, uint32_t>> children;  // sub-identifier, entry; sorted
        int32_t node = -1;
    };
    uint32_t Child(uint32_t entry, uint32_t subid) const;  // 0 when missing (0 is the root)
    uint32_t ModuleIndex(std::string_view module);
    template <typename Visit>
    void Walk(uint32_t entry, std::vector<uint32_t>& oid, Visit& visit) const {
        if (trie_[entry].node >= 0)
            visit(std::span<const uint32_t>(oid),
                  nodes_[static_cast<std::size_t>(trie_[entry].node)]);
        for (const auto& [subid, child] : trie_[entry].children) {
            oid.push_back(subid);
            Walk(child, oid, visit);
            oid.pop_back();
        }
    }

    std::vector<TrieEntry> trie_;
    std::vector<MibNode> nodes_;
    std::vector<std::string> modules_;
};

// The sub-identifiers of a dotted OID; empty when text is not one.
std::vector<uint32_t> ParseOid(std::string_view dotted);
