#pragma once
// The rare state changes the receiver thread makes to the windows, carried out on the user
// interface thread while the calling thread waits.

#include "pipeline/WindowPorts.h"

// The process-wide implementation; it reaches the views through the application object
// and does nothing for a view that does not exist (yet or any more).
ServiceWindows& QtServiceWindows();
