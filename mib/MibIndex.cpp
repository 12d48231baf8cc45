#include "mib/MibIndex.h"

#include <algorithm>
#include <charconv>

MibIndex::MibIndex() : trie_(1) {}

uint32_t MibIndex::Child(uint32_t entry, uint32_t subid) const {
    const auto& children = trie_[entry].children;
    const auto it =
        std::lower_bound(children.begin(), children.end(), subid,
                         [](const auto& child, uint32_t id) { return child.first < id; });
    return it != children.end() && it->first == subid ? it->second : 0;
}

uint32_t MibIndex::ModuleIndex(std::string_view module) {
    const auto it = std::find(modules_.begin(), modules_.end(), module);
    if (it != modules_.end()) return static_cast<uint32_t>(it - modules_.begin());
    modules_.emplace_back(module);
    return static_cast<uint32_t>(modules_.size() - 1);
}

void MibIndex::Add(std::span<const uint32_t> oid, std::string_view module, MibNode node,
                   bool replace) {
    uint32_t entry = 0;
    for (uint32_t subid : oid) {
        uint32_t next = Child(entry, subid);
        if (next == 0) {
            next = static_cast<uint32_t>(trie_.size());
            trie_.emplace_back();
            auto& children = trie_[entry].children;
            children.insert(
                std::lower_bound(children.begin(), children.end(), std::make_pair(subid, 0u)),
                {subid, next});
        }
        entry = next;
    }
    node.module = ModuleIndex(module);
    int32_t& slot = trie_[entry].node;
    if (slot < 0) {
        slot = static_cast<int32_t>(nodes_.size());
        nodes_.push_back(std::move(node));
    } else if (replace) {
        nodes_[static_cast<std::size_t>(slot)] = std::move(node);
    }
}

MibMatch MibIndex::Lookup(std::span<const uint32_t> oid) const {
    MibMatch match;
    uint32_t entry = 0;
    for (std::size_t i = 0; i < oid.size(); ++i) {
        entry = Child(entry, oid[i]);
        if (entry == 0) break;
        if (trie_[entry].node >= 0)
            match = {&nodes_[static_cast<std::size_t>(trie_[entry].node)], i + 1};
    }
    return match;
}

MibMatch MibIndex::Lookup(std::string_view dotted) const {
    MibMatch match;
    if (!dotted.empty() && dotted.front() == '.') dotted.remove_prefix(1);
    const char* p = dotted.data();
    const char* end = p + dotted.size();
    uint32_t entry = 0;
    for (std::size_t depth = 1; p < end; ++depth) {
        uint32_t subid = 0;
        const auto [next, error] = std::from_chars(p, end, subid);
        if (error != std::errc() || (next != end && *next != '.')) break;
        entry = Child(entry, subid);
        if (entry == 0) break;
        if (trie_[entry].node >= 0)
            match = {&nodes_[static_cast<std::size_t>(trie_[entry].node)], depth};
        p = next == end ? end : next + 1;
    }
    return match;
}

std::string MibIndex::QualifiedName(const MibNode& node) const {
    std::string text(ModuleName(node));
    text += "::";
    text += node.name;
    return text;
}

std::vector<uint32_t> ParseOid(std::string_view dotted) {
    std::vector<uint32_t> oid;
    if (!dotted.empty() && dotted.front() == '.') dotted.remove_prefix(1);
    const char* p = dotted.data();
    const char* end = p + dotted.size();
    while (p < end) {
        uint32_t subid = 0;
        const auto [next, error] = std::from_chars(p, end, subid);
        if (error != std::errc() || (next != end && (*next != '.' || next + 1 == end))) return {};
        oid.push_back(subid);
        p = next == end ? end : next + 1;
    }
    return oid;
}
