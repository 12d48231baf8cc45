#pragma once
// Names of what traps everywhere carry (RFC 3418's trap objects and generic traps, RFC
// 2863's link traps and interface objects), so that they show even with no module loaded.

#include "mib/MibIndex.h"

// Adds the table to index without replacing a name a loaded module gave.
void AddBuiltinNames(MibIndex& index);
