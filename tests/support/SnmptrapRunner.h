#pragma once
// Runs net-snmp's snmptrap (or another of its tools) as a real peer: no MIB files (MIBS= and
// numeric OIDs), its own persistent and configuration folder per run, and a bounded wait for it to
// end.

#include <chrono>
#include <string>
#include <vector>

// Path of snmptrap on PATH, or "" when it is not installed.
std::string FindSnmptrap();

// Runs snmptrap with the given arguments (for example {"-v", "2c", "-c", "public",
// "127.0.0.1:20001", "0", "1.3.6.1.6.3.1.1.5.1"}). Returns its exit status, or -1 when it
// could not be started or had to be killed after the time-out.
int RunSnmptrap(const std::vector<std::string>& arguments,
                std::chrono::milliseconds timeout = std::chrono::seconds(10));

// The same for another net-snmp tool of the same package, such as snmpinform; with output,
// what the tool wrote to standard output and standard error.
std::string FindSnmpTool(const std::string& name);
int RunSnmpTool(const std::string& name, const std::vector<std::string>& arguments,
                std::chrono::milliseconds timeout = std::chrono::seconds(10),
                std::string* output = nullptr);
