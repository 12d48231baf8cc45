#pragma once
// The receiver thread as an SNMP engine: its identity for the decoder, and the answers to
// informs and discovery probes, sent from the trap socket before the trap goes on.

#include <array>
#include <cstddef>
#include <cstdint>

#include "snmp/AnswerFacts.h"

// At the start of the service thread: one more boot of the engine (snmp/engine/EngineFile.h),
// and the engine's time starts again from 0.
void BootAnsweringEngine();

// The engine as it is now: its ID, boots and seconds since the boot. For the service thread.
LocalEngine TheLocalEngine();

// Builds and sends what answer asks for to the sender, unless it would be more than
// kMaxAnswerGrowth octets larger than the request's requestSize octets; counts it. Returns
// true when the message is an inform already answered within the repeat window: it was
// answered again and is not to be processed or counted once more.
bool SendAnswer(const AnswerFacts& answer, std::size_t requestSize, std::array<uint8_t, 4> sender,
                uint16_t senderPort);
