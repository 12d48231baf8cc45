#pragma once
// The box shown when the trap port cannot be bound (UTF-8). Its first lines are the ones the
// program has always shown; where the cause is not another program holding the port, the
// real cause follows, with the remedy when it is a missing privilege.

#include <cstdint>
#include <string>

std::string BindFailureText(uint16_t port, int error, const std::string& executable);
