#pragma once
// The names the detail view shows beside one trap: each binding's name and value label,
// and the notification's name with its DESCRIPTION, from the index published when made.

#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "mib/MibIndex.h"

class MibService;

class TrapDetailNames {
public:
    explicit TrapDetailNames(const MibService& service);

    // "IF-MIB::ifOperStatus.3"; empty when unnamed.
    std::string ObjectName(std::string_view oid) const;
    // "down(2)", "300 seconds" or empty.
    std::string ValueLabel(std::string_view oid, std::string_view value) const;
    // "MODULE::name", a blank line and the DESCRIPTION of the row's notification (column(n)
    // gives the text of trap list column n); empty unless a module names the notification exactly.
    std::string Notification(const std::function<std::string_view(int column)>& column) const;

private:
    std::shared_ptr<const MibIndex> index_;
};
