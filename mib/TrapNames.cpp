#include "mib/TrapNames.h"

#include <algorithm>
#include <charconv>
#include <iterator>

namespace {

// RFC 3418 snmpTraps: the generic traps 0-5 are its sub-identifiers 1-6.
constexpr std::string_view kSnmpTraps = "1.3.6.1.6.3.1.1.5.";
constexpr int kEnterpriseSpecific = 6;

bool ToInteger(std::string_view text, int64_t& value) {
    while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc() && end == text.data() + text.size();
}

std::string_view TrimDot(std::string_view oid) {
    if (!oid.empty() && oid.front() == '.') oid.remove_prefix(1);
    return oid;
}

}  // namespace

void RowNotificationOid(std::string_view version, std::string_view enterprise,
                        std::string_view generic, std::string_view specific,
                        std::string_view bindings, std::string& oid) {
    oid.clear();
    if (version == "1") {
        int64_t genericTrap = 0;
        if (!ToInteger(generic, genericTrap) || genericTrap < 0 ||
            genericTrap > kEnterpriseSpecific)
            return;
        char number[24];
        if (genericTrap < kEnterpriseSpecific) {
            const auto end = std::to_chars(std::begin(number), std::end(number), genericTrap + 1);
            oid.append(kSnmpTraps).append(number, end.ptr);
            return;
        }
        int64_t specificTrap = 0;
        if (enterprise.empty() || !ToInteger(specific, specificTrap)) return;
        const auto end = std::to_chars(std::begin(number), std::end(number), specificTrap);
        oid.append(TrimDot(enterprise)).append(".0.").append(number, end.ptr);
        return;
    }
    // Fields alternate name, value; each ends at a comma.
    for (std::size_t start = 0; start < bindings.size();) {
        const std::size_t nameEnd = bindings.find(',', start);
        if (nameEnd == std::string_view::npos) break;
        const std::size_t valueEnd = bindings.find(',', nameEnd + 1);
        const std::string_view name = bindings.substr(start, nameEnd - start);
        const std::string_view value = bindings.substr(
            nameEnd + 1,
            valueEnd == std::string_view::npos ? std::string_view::npos : valueEnd - nameEnd - 1);
        if (TrimDot(name) == kSnmpTrapOidInstance) {
            oid.assign(TrimDot(value));
            return;
        }
        if (valueEnd == std::string_view::npos) break;
        start = valueEnd + 1;
    }
}

std::string RowNotificationOid(std::string_view version, std::string_view enterprise,
                               std::string_view generic, std::string_view specific,
                               std::string_view bindings) {
    std::string oid;
    RowNotificationOid(version, enterprise, generic, specific, bindings, oid);
    return oid;
}

void RowNotificationOid(const std::function<std::string_view(int column)>& column,
                        std::string& oid) {
    // The trap list's version, enterprise, generic, specific and bindings columns.
    RowNotificationOid(column(4), column(7), column(8), column(9), column(32), oid);
}

std::string RowNotificationOid(const std::function<std::string_view(int column)>& column) {
    std::string oid;
    RowNotificationOid(column, oid);
    return oid;
}

std::string OidName(const MibIndex& index, std::string_view dotted) {
    dotted = TrimDot(dotted);
    const MibMatch match = index.Lookup(dotted);
    if (!match.node) return {};
    std::string name = index.QualifiedName(*match.node);
    // The rest after the matched sub-identifiers, as it was written.
    std::size_t position = 0;
    for (std::size_t i = 0; i < match.matched && position != std::string_view::npos; ++i) {
        position = dotted.find('.', position);
        if (position != std::string_view::npos) ++position;
    }
    if (position != std::string_view::npos && position > 0 && position < dotted.size()) {
        name += '.';
        name += dotted.substr(position);
    }
    return name;
}

std::string OidOfName(const MibIndex& index, std::string_view name) {
    std::string_view module;
    if (const std::size_t colons = name.find("::"); colons != std::string_view::npos) {
        module = name.substr(0, colons);
        name = name.substr(colons + 2);
    }
    std::string_view instance;
    if (const std::size_t dot = name.find('.'); dot != std::string_view::npos) {
        instance = name.substr(dot);
        name = name.substr(0, dot);
    }
    if (name.empty()) return {};
    std::string oid;
    index.ForEach([&](std::span<const uint32_t> path, const MibNode& node) {
        if (!oid.empty() || node.name != name) return;
        if (!module.empty() && index.ModuleName(node) != module) return;
        for (std::size_t i = 0; i < path.size(); ++i) {
            if (i > 0) oid += '.';
            oid += std::to_string(path[i]);
        }
    });
    if (oid.empty()) return {};
    return oid + std::string(instance);
}

std::string ValueLabel(const MibIndex& index, std::string_view oid, std::string_view value) {
    const MibMatch match = index.Lookup(oid);
    if (!match.node) return {};
    const MibNode& node = *match.node;
    if (!node.enums.empty() && !node.bits) {
        int64_t number = 0;
        if (!ToInteger(value, number)) return {};
        for (const MibNamedNumber& named : node.enums)
            if (named.value == number) return named.label + "(" + std::to_string(number) + ")";
        return {};
    }
    if (!node.units.empty()) {
        while (!value.empty() && value.front() == ' ') value.remove_prefix(1);
        if (!value.empty()) return std::string(value) + " " + node.units;
    }
    return {};
}

const MibNode* ExactNode(const MibIndex& index, std::string_view dotted) {
    dotted = TrimDot(dotted);
    const MibMatch match = index.Lookup(dotted);
    if (!match.node) return nullptr;
    const std::size_t subids =
        dotted.empty()
            ? 0
            : 1 + static_cast<std::size_t>(std::count(dotted.begin(), dotted.end(), '.'));
    return match.matched == subids ? match.node : nullptr;
}
