#include "mib/TrapDetailNames.h"

#include "mib/MibService.h"
#include "mib/TrapNames.h"

TrapDetailNames::TrapDetailNames(const MibService& service) : index_(service.Index()) {}

std::string TrapDetailNames::ObjectName(std::string_view oid) const {
    return OidName(*index_, oid);
}

std::string TrapDetailNames::ValueLabel(std::string_view oid, std::string_view value) const {
    return ::ValueLabel(*index_, oid, value);
}

std::string TrapDetailNames::Notification(
    const std::function<std::string_view(int column)>& column) const {
    const std::string oid = RowNotificationOid(column);
    if (oid.empty()) return {};
    // Only a notification the modules name exactly: a named prefix says little here.
    const MibNode* node = ExactNode(*index_, oid);
    if (!node) return {};
    std::string text = index_->QualifiedName(*node);
    if (!node->description.empty()) {
        text += "\n\n";
        text += node->description;
    }
    return text;
}
