#pragma once
// One trap as one line of JSON (UTF-8, no line end): every field of TrapFields (generic and
// specific only for SNMPv1), the bindings as an array of {oid, type, value}.

#include <string>

#include "forward/TrapFields.h"

std::string BuildJsonLine(const TrapFields& fields);
