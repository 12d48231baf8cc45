#pragma once
// The forwarding of the whole program: the destinations in force, each with its sender
// (DestinationSender.h), and the receiver's listener that captures each decoded trap once
// and offers it to every destination that wants it.

#include <chrono>
#include <vector>

#include "forward/DestinationSender.h"
#include "forward/ForwardSettings.h"

inline constexpr std::chrono::milliseconds kForwardShutdownWait{2000};

class LossCounters;
class TrapTap;

// Puts settings in force: a destination whose settings did not change keeps its sender,
// queue and counts; the senders of the others are given kForwardShutdownWait for their
// queues, without waiting for them. New senders count their dropped traps in losses.
void ApplyForwardSettings(const ForwardSettings& settings, LossCounters& losses);

// The receiver's listener, which offers each trap to the destinations in force.
TrapTap& ForwardingTrapTap();

ForwardSettings CurrentForwardSettings();

// The status of destination index (0-7); all zero for a destination that has none.
DestinationStatus ForwardDestinationStatus(int index);

// Waits at most wait until every queue is empty (tests).
bool DrainForwarding(std::chrono::milliseconds wait);

// Ends every sender, each given at most wait for its queue at the same time; the listener
// then offers traps to none. Returns whether every queue was delivered.
bool ShutdownForwarding(std::chrono::milliseconds wait = kForwardShutdownWait);
