#pragma once
// Sending side of the receiver tests: a free trap port from this suite's range and plain
// datagrams to 127.0.0.1.

#include <chrono>
#include <cstdint>
#include <span>

// A port of 23000-23999 that nothing holds right now (tried from a per-process start so
// that tests running side by side rarely meet); 0 when none is free.
uint16_t PickFreeTrapPort();
// The same from the 1000 ports starting at firstPort (another suite's range).
uint16_t PickFreeTrapPort(uint16_t firstPort);

// Waits (bounded) until some socket holds port, such as a receiver that has just started.
bool WaitUntilPortIsHeld(uint16_t port,
                         std::chrono::milliseconds timeout = std::chrono::seconds(10));

// Sends one datagram to 127.0.0.1:port; false when the send failed.
bool SendToLoopback(uint16_t port, std::span<const uint8_t> datagram);
