#include "mib/MibBuiltinNames.h"

#include <array>

namespace {

struct BuiltinName {
    const char* oid;
    const char* module;
    const char* name;
    MibNodeKind kind;
    const char* syntax;
    const char* description;
};

constexpr MibNodeKind kScalar = MibNodeKind::Scalar;
constexpr MibNodeKind kColumn = MibNodeKind::Column;
constexpr MibNodeKind kNotification = MibNodeKind::Notification;

constexpr std::array<BuiltinName, 13> kNames = {{
    {"1.3.6.1.2.1.1.3", "SNMPv2-MIB", "sysUpTime", kScalar, "TimeTicks",
     "Hundredths of a second since the network management part of the system was last started."},
    {"1.3.6.1.6.3.1.1.4.1", "SNMPv2-MIB", "snmpTrapOID", kScalar, "OBJECT IDENTIFIER",
     "The name of the notification being sent."},
    {"1.3.6.1.6.3.1.1.4.3", "SNMPv2-MIB", "snmpTrapEnterprise", kScalar, "OBJECT IDENTIFIER",
     "The enterprise of an SNMPv1 trap converted to a notification."},
    {"1.3.6.1.6.3.1.1.5.1", "SNMPv2-MIB", "coldStart", kNotification, "",
     "The agent is reinitialising itself and its configuration may have changed."},
    {"1.3.6.1.6.3.1.1.5.2", "SNMPv2-MIB", "warmStart", kNotification, "",
     "The agent is reinitialising itself without a change of its configuration."},
    {"1.3.6.1.6.3.1.1.5.3", "IF-MIB", "linkDown", kNotification, "",
     "An interface's ifOperStatus is about to enter the down state from another state."},
    {"1.3.6.1.6.3.1.1.5.4", "IF-MIB", "linkUp", kNotification, "",
     "An interface's ifOperStatus left the down state for another state."},
    {"1.3.6.1.6.3.1.1.5.5", "SNMPv2-MIB", "authenticationFailure", kNotification, "",
     "The agent received a protocol message that was not properly authenticated."},
    {"1.3.6.1.6.3.1.1.5.6", "RFC1213-MIB", "egpNeighborLoss", kNotification, "",
     "An EGP neighbour of the agent was marked down."},
    {"1.3.6.1.2.1.2.2.1.1", "IF-MIB", "ifIndex", kColumn, "InterfaceIndex",
     "A unique value, greater than zero, for each interface."},
    {"1.3.6.1.2.1.2.2.1.7", "IF-MIB", "ifAdminStatus", kColumn, "INTEGER",
     "The desired state of the interface."},
    {"1.3.6.1.2.1.2.2.1.8", "IF-MIB", "ifOperStatus", kColumn, "INTEGER",
     "The current operational state of the interface."},
    {"1.3.6.1.2.1.2.2.1.2", "IF-MIB", "ifDescr", kColumn, "DisplayString",
     "Text about the interface."},
}};

const std::vector<std::string> kLinkObjects = {"IF-MIB::ifIndex", "IF-MIB::ifAdminStatus",
                                               "IF-MIB::ifOperStatus"};

}  // namespace

void AddBuiltinNames(MibIndex& index) {
    for (const BuiltinName& entry : kNames) {
        MibNode node;
        node.name = entry.name;
        node.kind = entry.kind;
        node.syntax = entry.syntax;
        node.description = entry.description;
        const std::string_view name = entry.name;
        if (name == "ifAdminStatus") node.enums = {{1, "up"}, {2, "down"}, {3, "testing"}};
        if (name == "ifOperStatus")
            node.enums = {{1, "up"},      {2, "down"},       {3, "testing"},       {4, "unknown"},
                          {5, "dormant"}, {6, "notPresent"}, {7, "lowerLayerDown"}};
        if (name == "linkDown" || name == "linkUp") node.objects = kLinkObjects;
        index.Add(ParseOid(entry.oid), entry.module, std::move(node), false);
    }
}
