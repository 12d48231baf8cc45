#pragma once
// Named points at which a test makes one pass of an operation fail, to prove that an
// interrupted file replacement loses nothing. Nothing arms them in the program, where
// each check costs one relaxed atomic load.

#include <string_view>

// The next FailPointHit(name) returns true (once).
void ArmFailPoint(std::string_view name);
void DisarmFailPoints();

bool FailPointHit(std::string_view name);
